#pragma once

// Forward declarations of the scene layer and the names it takes from the platform
// libraries, so that headers need not include each other.

#include <tolu/math3d/BSphereT.h>
#include <tolu/math3d/FrustumT.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/Segment3T.h>
#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>
#include <tolu/util/PtrT.h>
#include <tolu/util/RefT.h>
#include <tolu/util/Signal.h>
#include <vuro_gl/gl/HLMode.h>

namespace Vuro {
class Object;
class BodyProto;
} // namespace Vuro

namespace Vuro::GL {
class BodyProto;
class ClassMap;
class Context;
class DataClass;
} // namespace Vuro::GL

namespace Vuro::GL::Isect {
class Context;
} // namespace Vuro::GL::Isect

namespace Ostra::Sim {
class Node;
class Body;
class Track;
class Joint;
class JointTrack;
class Sensor;
class SensorTrack;
class Project;
class PortDrv;
class PortDrvUI;
template <class T, class R> class NodeListT;
} // namespace Ostra::Sim

namespace Ostra::Sim::GL {

using Tolu::BSphereT;
using Tolu::FrustumT;
using Tolu::Matrix4x4T;
using Tolu::PtrT;
using Tolu::RefT;
using Tolu::Segment3T;
using Tolu::SignalT;
using Tolu::SigVoidData;
using Tolu::Vector3T;
using Tolu::Vector4T;
using Vuro::GL::ClassMap;
using Vuro::GL::Context;
using Vuro::GL::HLMode;

namespace Isect {
using Context = Vuro::GL::Isect::Context;
struct Hit;
} // namespace Isect

class Node;
class Body;
class BodyProto;
class Joint;
class Sensor;
class Project;

} // namespace Ostra::Sim::GL

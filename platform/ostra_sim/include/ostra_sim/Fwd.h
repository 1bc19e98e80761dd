#pragma once

// Forward declarations of the model classes, for headers that only refer to them.

namespace Ostra::Sim {

template <class T, class R> class NodeListT;
class Body;
class Error;
class Joint;
class JointTrack;
class Node;
class PortDrv;
class PortDrvUI;
class Project;
class Sensor;
class SensorTrack;
class State;
class Step;
class Track;
struct SrcRef;
struct TrackSeg;
template <int N> struct TypePrimT;
template <class P> class StateT;
template <class S> class ExprState;

} // namespace Ostra::Sim

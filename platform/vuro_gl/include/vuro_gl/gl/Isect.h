#pragma once

#include <tolu/math3d/FrustumT.h>
#include <tolu/math3d/Segment3T.h>
#include <tolu/math3d/Vector3T.h>
#include <vuro_gl/Export.h>

namespace Vuro::GL::Isect {

/// What the render library's mesh test found: the world position of the nearest hit
/// and the world normal of the surface there (zero for lines and points).
struct Hit {
    /// World position of the hit.
    Tolu::Vector3T<double> pos;
    /// World normal of the surface hit; zero for lines and points.
    Tolu::Vector3T<double> normal;
};

} // namespace Vuro::GL::Isect

namespace Vuro::GL {

/// Narrows a pick to the point `pos` (world): the segment ends there and the frustum's
/// far side moves to its depth (the far plane is marked for recomputation), so that
/// later tests only find nearer candidates. Throws `ErrorBadMatrix` when the frustum's
/// `toWorld` cannot be inverted.
VURO_GL_EXPORT void clip(Tolu::Segment3T<double>& segment, Tolu::FrustumT<double>& frustum,
                         const Tolu::Vector3T<double>& pos);

} // namespace Vuro::GL

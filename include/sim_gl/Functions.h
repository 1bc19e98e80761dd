#pragma once

#include <sim_gl/Export.h>
#include <sim_gl/Fwd.h>
#include <sim_gl/Node.h>

#include <vuro_gl/gl/DirectionalLight.h>

#include <vector>

namespace Ostra::Sim::GL::Isect {

/// A hit found by picking. Starts with zero vectors and no node.
struct Hit {
    Vector3T<double> pos;    ///< world position of the hit
    Vector3T<double> normal; ///< mesh hits: the render library's second vector; else zero
    RefT<Node> node;         ///< the node hit; null while nothing was hit
    HLMode mode = 0;         ///< the picking context's mode at the hit
};

} // namespace Ostra::Sim::GL::Isect

namespace Ostra::Sim::GL {

/// Draws one frame of `project`: shadow (when `shadows` and anything casts one), solid with
/// `transpMode` (0 single, 1 blended, n >= 2 peeling n - 1 layers), HUD, then the highlights of
/// modes 0 and 1. The OpenGL state is reset afterwards, also when an exception passes.
OSTRA_SIM_GL_EXPORT void
render(Context& ctx, Project& project, const std::vector<RefT<Vuro::GL::DataClass>>& dataClasses,
       unsigned fbo, unsigned width, unsigned height, unsigned mask, unsigned hlMask1,
       unsigned hlMask0, const Matrix4x4T<double>& camMat1, const Matrix4x4T<double>& camMat2,
       const Vuro::GL::DirectionalLight& light, bool shadows, unsigned transpMode, double hudParam1,
       double hudParam2, unsigned hlParam, const Vector4T<float>& hlColor1,
       const Vector4T<float>& hlColor0, const Matrix4x4T<double>& maskMat1,
       const Matrix4x4T<double>& maskMat0);

/// A node for `sensor`, appended to the project's sensor list, when the sensor lies on
/// a track; null otherwise, and nothing is made.
OSTRA_SIM_GL_EXPORT RefT<Sensor> newSensor(Project& project, Sim::Sensor& sensor);
/// True exactly when `newSensor` would make a node for `sensor`.
[[nodiscard]] OSTRA_SIM_GL_EXPORT bool isMapped(const Sim::Sensor& sensor);

} // namespace Ostra::Sim::GL

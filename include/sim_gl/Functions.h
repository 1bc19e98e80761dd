#pragma once

#include <sim_gl/Export.h>
#include <sim_gl/Fwd.h>
#include <sim_gl/Node.h>

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

/// A node for `sensor`, appended to the project's sensor list, when the sensor lies on
/// a track; null otherwise, and nothing is made.
OSTRA_SIM_GL_EXPORT RefT<Sensor> newSensor(Project& project, Sim::Sensor& sensor);
/// True exactly when `newSensor` would make a node for `sensor`.
[[nodiscard]] OSTRA_SIM_GL_EXPORT bool isMapped(const Sim::Sensor& sensor);

} // namespace Ostra::Sim::GL

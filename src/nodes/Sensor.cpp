#include "scene/ProjectImpl.h"

#include <sim_gl/Project.h>
#include <sim_gl/Sensor.h>

#include <ostra_sim/Sensor.h>

namespace Ostra::Sim::GL {

Sensor::Sensor(Project& project, Sim::Sensor& sensor) : Node(project, sensor) {
    project.sensorList.pushBack(RefT<Sensor>(this));
}

Sensor::~Sensor() = default;

void Sensor::setHighlight(HLMode mode, bool on, bool) {
    const std::uint32_t bit = Vuro::GL::hlBit(mode);
    hlFlags = (hlFlags & ~bit) | (on ? bit : 0u);
    // Spheres select parts by highlight.
    if (Project* owner = project.get()) {
        owner->sceneChanged();
    }
}

void Sensor::release() {}

} // namespace Ostra::Sim::GL

#include "scene/ProjectImpl.h"

#include <sim_gl/Joint.h>
#include <sim_gl/Project.h>

namespace Ostra::Sim::GL {

namespace {

template <class T> void propagate(const Sim::NodeListT<T, RefT<T>>& list, HLMode mode, bool on) {
    for (RefT<T> node(list.first.get()); node; node.reset(node->getNext().get())) {
        node->setHighlight(mode, on, true);
    }
}

} // namespace

void Project::setHighlight(HLMode mode, bool on, bool propagateToNodes) {
    // Only the bits of modes 0 and 1 belong to the project.
    const std::uint32_t bit = Vuro::GL::hlBit01(mode);
    hlFlags = (hlFlags & ~bit) | (on ? bit : 0u);
    if (propagateToNodes) {
        propagate(bodyList, mode, on);
        propagate(jointList, mode, on);
        propagate(sensorList, mode, on);
    }
}

void Joint::setHighlight(HLMode mode, bool on, bool) {
    // Bit 2 is the geometry flag and must survive: only bits 0 and 1 can change.
    const std::uint32_t bit = Vuro::GL::hlBit01(mode);
    hlFlags = (hlFlags & ~bit) | (on ? bit : 0u);
    // Spheres select parts by highlight.
    if (Project* owner = project.get()) {
        owner->sceneChanged();
    }
}

} // namespace Ostra::Sim::GL

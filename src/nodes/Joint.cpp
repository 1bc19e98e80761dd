#include <sim_gl/Joint.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Joint.h>

namespace Ostra::Sim::GL {

Joint::Joint(Project& project, Sim::Joint& joint) : Node(project, joint) {
    project.jointList.pushBack(RefT<Joint>(this));
}

Joint::~Joint() = default;

} // namespace Ostra::Sim::GL

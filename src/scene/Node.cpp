#include <sim_gl/Node.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Node.h>

namespace Ostra::Sim::GL {

Node::Node(Project& project, Sim::Node& simNode) : project(&project), simNode(&simNode) {}

// Members go in reverse order: the signal with its slots, the simulation object, then
// the weak reference to the project.
Node::~Node() = default;

const RefT<Vuro::Object>& Node::getVuroObject() const {
    return simNode->getVuroObject();
}

void Node::render(Context&) {}
void Node::renderHL(Context&) {}
void Node::renderHLMask(Context&) {}
void Node::renderHUD(Context&) {}
void Node::renderHUDHL(Context&) {}
void Node::renderHUDHLMask(Context&) {}

BSphereT<double> Node::getBSphere(Context&, unsigned, unsigned, unsigned) {
    return {};
}

} // namespace Ostra::Sim::GL

#include <sim_gl/Body.h>
#include <sim_gl/BodyProto.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>

namespace Ostra::Sim::GL {

Body::Body(Project& project, Sim::Body& body) : Node(project, body) {
    // The prototype is made before the body joins the list, so that a failure to make
    // it leaves no unfinished body in the project.
    RefT<BodyProto> shared = project.makeGLBodyProto(body.getProto());
    project.bodyList.pushBack(RefT<Body>(this));
    proto = std::move(shared);
    if (proto) {
        proto->appendBody(*this);
    }
}

Body::~Body() {
    if (proto) {
        proto->unlinkBody(*this);
    }
}

void Body::update() {}

} // namespace Ostra::Sim::GL

#include <sim_gl/Body.h>
#include <sim_gl/BodyProto.h>
#include <sim_gl/Project.h>

#include <vuro_gl/BodyProto.h>
#include <vuro_gl/gl/BodyProto.h>

namespace Ostra::Sim::GL {

BodyProto::BodyProto(Project& project, const RefT<Vuro::GL::BodyProto>& glProto)
    : project(&project), glProto(glProto) {
    ++this->glProto->userCount;
}

BodyProto::~BodyProto() {
    --glProto->userCount;
    if (project) {
        project->protoList.remove(RefT<BodyProto>(this));
        // The key keeps its identity even when the model prototype died first.
        project->protoMap.erase(glProto->get());
    }
}

const Tolu::BBoxT<float>& BodyProto::getBBox() const {
    return glProto->getBBox();
}

void BodyProto::appendBody(Body& body) {
    body.prevInProto = lastBody;
    if (Body* last = lastBody.get()) {
        last->nextInProto.reset(&body);
    } else {
        firstBody.reset(&body);
    }
    lastBody.reset(&body);
}

void BodyProto::unlinkBody(Body& body) {
    Body* predecessor = body.prevInProto.get();
    Body* successor = body.nextInProto.get();
    if (predecessor) {
        predecessor->nextInProto.reset(successor);
    } else {
        firstBody.reset(successor);
    }
    if (successor) {
        successor->prevInProto.reset(predecessor);
    } else {
        lastBody.reset(predecessor);
    }
    body.prevInProto.reset();
    body.nextInProto.reset();
}

} // namespace Ostra::Sim::GL

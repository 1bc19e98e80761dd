#include "interaction/Geometry.h"

#include <sim_gl/Body.h>
#include <sim_gl/BodyProto.h>
#include <sim_gl/Project.h>

#include <vuro_gl/BodyProto.h>
#include <vuro_gl/gl/BodyProto.h>

namespace Ostra::Sim::GL {

BodyProto::BodyProto(Project& project, const RefT<Vuro::GL::BodyProto>& glProto)
    : project(&project), glProto(glProto) {
    ++this->glProto->userCount;
    const Tolu::BBoxT<float>& box = this->glProto->getBBox();
    if (box.valid) {
        Geometry::sphereOfBox(localSphere, Tolu::BBoxT<double>(box));
        boxOrdered = isOrdered(Tolu::BBoxT<double>(box));
    }
}

BodyProto::~BodyProto() {
    --glProto->userCount;
    if (project) {
        project->protoList.remove(RefT<BodyProto>(this));
        // The key keeps its identity even when the model prototype died first; the entry
        // may then already belong to a newer prototype at the same address, so only our
        // own is erased.
        const auto entry = project->protoMap.find(glProto->get());
        if (entry != project->protoMap.end() &&
            entry->second.getKey() == static_cast<const Tolu::Class*>(this)) {
            project->protoMap.erase(entry);
        }
    }
}

const Tolu::BBoxT<float>& BodyProto::getBBox() const {
    return glProto->getBBox();
}

void BodyProto::appendBody(Body& body) {
    body.prevInProto = lastBody.get();
    if (Body* last = lastBody.get()) {
        last->nextInProto.reset(&body);
    } else {
        firstBody.reset(&body);
    }
    lastBody.reset(&body);
}

void BodyProto::unlinkBody(Body& body) {
    Body* predecessor = body.prevInProto;
    Body* successor = body.nextInProto.get();
    if (predecessor) {
        predecessor->nextInProto.reset(successor);
    } else {
        firstBody.reset(successor);
    }
    if (successor) {
        successor->prevInProto = predecessor;
    } else {
        lastBody.reset(predecessor);
    }
    body.prevInProto = nullptr;
    body.nextInProto.reset();
}

} // namespace Ostra::Sim::GL

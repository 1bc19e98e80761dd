#include "render/ForcedHL.h"

#include <sim_gl/Project.h>

#include <vuro_gl/gl/Context.h>

namespace Ostra::Sim::GL {

namespace {

constexpr unsigned bodyHUDBits = TrackPath | BodyFrame | ProtoBodyFrame;
constexpr unsigned jointHUDBits = JointLines | JointFrame;
constexpr unsigned sensorHUDBits = SensorGrips;

// Calls `pass` on every node of `list`, first to last. The strong reference keeps the
// current node alive through its call.
template <class T>
void walk(const Sim::NodeListT<T, RefT<T>>& list, void (Node::*pass)(Context&), Context& context) {
    for (RefT<T> node(list.first.get()); node; node.reset(node->getNext().get())) {
        (node.get()->*pass)(context);
    }
}

} // namespace

void Project::render(Context& context) {
    if (context.renderMask & BodyGeo) {
        walk(bodyList, &Node::render, context);
    }
}

void Project::renderHL(Context& context) {
    ForcedHLScope forced(context, isHighlighted(context.hlMode));
    if (context.renderMask & BodyGeo) {
        walk(bodyList, &Node::renderHL, context);
    }
}

void Project::renderHLMask(Context& context) {
    ForcedHLScope forced(context, isHighlighted(context.hlMode));
    if (context.renderMask & BodyGeo) {
        walk(bodyList, &Node::renderHLMask, context);
    }
}

void Project::renderHUD(Context& context) {
    if (context.renderMask & bodyHUDBits) {
        walk(bodyList, &Node::renderHUD, context);
    }
    if (context.renderMask & jointHUDBits) {
        walk(jointList, &Node::renderHUD, context);
    }
    if (context.renderMask & sensorHUDBits) {
        walk(sensorList, &Node::renderHUD, context);
    }
}

void Project::renderHUDHL(Context& context) {
    ForcedHLScope forced(context, isHighlighted(context.hlMode));
    if (context.renderMask & bodyHUDBits) {
        walk(bodyList, &Node::renderHUDHL, context);
    }
    if (context.renderMask & jointHUDBits) {
        walk(jointList, &Node::renderHUDHL, context);
    }
    if (context.renderMask & sensorHUDBits) {
        walk(sensorList, &Node::renderHUDHL, context);
    }
}

void Project::renderHUDHLMask(Context& context) {
    ForcedHLScope forced(context, isHighlighted(context.hlMode));
    if (context.renderMask & bodyHUDBits) {
        walk(bodyList, &Node::renderHUDHLMask, context);
    }
    if (context.renderMask & jointHUDBits) {
        walk(jointList, &Node::renderHUDHLMask, context);
    }
    if (context.renderMask & sensorHUDBits) {
        walk(sensorList, &Node::renderHUDHLMask, context);
    }
}

} // namespace Ostra::Sim::GL

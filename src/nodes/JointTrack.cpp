#include "nodes/Unfinished.h"
#include "render/ForcedHL.h"

#include <sim_gl/JointTrack.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/JointTrack.h>
#include <ostra_sim/Track.h>
#include <tolu/gl/GL.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/GripColors.h>

namespace Ostra::Sim::GL {

namespace {

// The joint's first body when it is a track.
Sim::Track* firstTrack(const Sim::Joint& joint) {
    return dynamic_cast<Sim::Track*>(joint.getBody1().get());
}

const Vector4T<float> white{1.0f, 1.0f, 1.0f, 1.0f};

} // namespace

JointTrack::JointTrack(Project& project, Sim::JointTrack& joint) : Joint(project, joint) {
    try {
        trackParam = joint.getInitialPos();
        Sim::Track* first = firstTrack(joint);
        track = first;
        if (first) {
            trackPoint = first->getPos(trackParam);
        }
    } catch (...) {
        unlinkUnfinished<Joint>(project.getJointList(), *this);
        throw;
    }
}

JointTrack::~JointTrack() = default;

ClassId JointTrack::getClassId() const {
    return ClassIdJointTrack;
}

bool JointTrack::update() {
    Sim::Track* current = firstTrack(getSimJoint());
    bool changed = false;
    if (current != track) {
        // A new track starts the line end at its beginning, not at the initial position.
        track = current;
        trackParam = 0.0;
        trackPoint = current ? current->getPos(0.0) : Vector3T<double>();
        invalidateGeo();
        changed = true;
    }
    const bool base = Joint::update();
    return base || changed;
}

void JointTrack::makeGeo() {
    const Sim::Joint& joint = getSimJoint();
    const Vector3T<double> p = joint.getFrame().getTranslation();
    const Sim::Track* first = firstTrack(joint);
    addLine(p, first ? first->getTransform().transformAffine(trackPoint) : p, colorBody1);
    const Sim::Body* second = joint.getBody2().get();
    addLine(p, second ? second->getTransform().transformAffine(second->getRefPoint()) : p,
            colorBody2);
}

void JointTrack::drawGrip(Context& context, const Sim::Track& onTrack,
                          const Matrix4x4T<double>& worldFromTrack, const Vector4T<float>& front,
                          const Vector4T<float>& back) const {
    const double current = static_cast<const Sim::JointTrack&>(getSimJoint()).getCurrentPos();
    const Vector3T<double> pos = worldFromTrack.transformAffine(onTrack.getPos(current));
    Tolu::GL::glLineWidth(1.0f);
    context.renderGrip(pos, front, back);
}

void JointTrack::renderHUD(Context& context) {
    Joint::renderHUD(context);
    if (!(context.renderMask & JointLines)) {
        return;
    }
    if (context.hlMode == 0 && (hlFlags & FlagHL1)) {
        return;
    }
    const bool own = isHighlighted();
    const ForcedHLScope forced(context, own);
    const Sim::Track* first = firstTrack(getSimJoint());
    if (!first) {
        return;
    }
    // Drawn whatever the flags; a highlighted joint tints its grip halfway.
    const float h = own ? 0.5f : 0.0f;
    const Vector4T<float> front =
        Vuro::GL::JointTrack::colorGripF * (1.0f - h) + context.hlColor * h;
    drawGrip(context, *first, first->getTransform(), front,
             own ? context.hlColor : Vuro::GL::JointTrack::colorGripB);
}

void JointTrack::renderHUDHL(Context& context) {
    Joint::renderHUDHL(context);
    renderGripHL(context, false);
}

void JointTrack::renderHUDHLMask(Context& context) {
    Joint::renderHUDHLMask(context);
    renderGripHL(context, true);
}

void JointTrack::renderGripHL(Context& context, bool mask) {
    if (!(context.renderMask & JointLines)) {
        return;
    }
    if (context.hlMode == 0 && (hlFlags & FlagHL1)) {
        return;
    }
    const bool own = isHighlighted(context.hlMode);
    const ForcedHLScope forced(context, own);
    const Sim::Track* first = firstTrack(getSimJoint());
    if (!forced.isForced() || !first) {
        return;
    }
    // The mask matrix goes on top once more: twice for an own highlight, once if forced.
    const auto& world = first->getTransform();
    const Matrix4x4T<double> placed = own ? context.maskMatrix * world : world;
    if (mask) {
        drawGrip(context, *first, context.maskMatrix * placed, white, white);
        return;
    }
    const Vector4T<float> front = Vuro::GL::JointTrack::colorGripF * 0.5f + context.hlColor * 0.5f;
    drawGrip(context, *first, context.maskMatrix * placed, front, context.hlColor);
}

} // namespace Ostra::Sim::GL

#include "interaction/Geometry.h"
#include "interaction/IsectScope.h"
#include "nodes/DiscardGL.h"
#include "render/ForcedHL.h"
#include "scene/ProjectImpl.h"

#include <sim_gl/Body.h>
#include <sim_gl/Functions.h>
#include <sim_gl/Joint.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <tolu/gl/Functions.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/Isect.h>
#include <vuro_gl/gl/IsectContext.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Ostra::Sim::GL {

namespace {

// Follows one body link of the joint (steps shared by both bodies). A grown link stamp
// looks the body up again and stores the current stamp of its transform, so that a
// body that moved at the same time as it was re-linked to the same node changes nothing.
bool followLink(bool jointChanged, Project* project, const PtrT<Sim::Body>& simBody,
                Sim::Stamp linkStamp, Sim::Stamp& storedLinkStamp, PtrT<Body>& glBody,
                Sim::Stamp& bodyStamp) {
    bool changed = false;
    if (jointChanged && linkStamp > storedLinkStamp) {
        storedLinkStamp = linkStamp;
        Sim::Body* body = simBody.get();
        bodyStamp = body ? body->getTransformStamp() : 0;
        RefT<Body> node;
        if (project && body) {
            node = RefT<Body>(project->find(body));
        }
        if (node.get() != glBody.get()) {
            changed = true;
        }
        glBody = PtrT<Body>(node);
    }
    if (Body* node = glBody.get()) {
        const Sim::Stamp current = node->getSimNode()->getTransformStamp();
        // Written only when it differs: an update of a still model then dirties no
        // cache line of the joint.
        if (current != bodyStamp) {
            changed = changed || current > bodyStamp;
            bodyStamp = current;
        }
    }
    return changed;
}

// Where the line to a body node ends: the body's reference point in world coordinates,
// or `fallback` when there is no simulation body behind the node.
Vector3T<double> lineEnd(const PtrT<Body>& glBody, const Vector3T<double>& fallback) {
    const Body* node = glBody.get();
    const auto* body = node ? dynamic_cast<const Sim::Body*>(node->getSimNode().get()) : nullptr;
    return body ? body->getTransform().transformAffine(body->getRefPoint()) : fallback;
}

} // namespace

Joint::Joint(Project& project, Sim::Joint& joint) : Node(project, joint) {
    project.jointList.pushBack(RefT<Joint>(this));
    // Qualified: a subclass being built must not yet see its own update.
    (void)Joint::update();
}

Joint::~Joint() {
    if (Tolu::GL::isInited()) {
        Tolu::GL::glDeleteVertexArrays(1, &vao);
        Tolu::GL::glDeleteBuffers(1, &vbo);
        vao = 0;
        vbo = 0;
    }
}

ClassId Joint::getClassId() const {
    return ClassIdJoint;
}

Sim::Joint& Joint::getSimJoint() const noexcept {
    return static_cast<Sim::Joint&>(*simNode);
}

bool Joint::update() {
    Sim::Joint& joint = getSimJoint();
    const bool changed = joint.getStamp() > stamp;
    if (changed) {
        stamp = joint.getStamp();
        if (joint.getFrameStamp() > frameStamp) {
            frameStamp = joint.getFrameStamp();
            invalidateGeo();
        }
    }
    // The bodies' positions are checked whether or not the joint changed: a body that
    // moved leaves the joint's own stamp alone. Unless nothing of the model has changed
    // since the last update: then the stamps stored there are the bodies' own.
    Project* owner = project.get();
    if (!changed && owner && owner->impl->modelStill) {
        return false;
    }
    if (followLink(changed, owner, joint.getBody1(), joint.getBody1LinkStamp(), body1LinkStamp,
                   glBody1, body1Stamp)) {
        invalidateGeo();
    }
    if (followLink(changed, owner, joint.getBody2(), joint.getBody2LinkStamp(), body2LinkStamp,
                   glBody2, body2Stamp)) {
        invalidateGeo();
    }
    return false;
}

void Joint::makeGeo() {
    const Vector3T<double> p = getSimJoint().getFrame().getTranslation();
    addLine(p, lineEnd(glBody1, p), colorBody1);
    addLine(p, lineEnd(glBody2, p), colorBody2);
}

void Joint::addLine(const Vector3T<double>& from, const Vector3T<double>& to,
                    const Vector3T<float>& color) {
    lines.push_back({Vector3T<float>(from), color});
    lines.push_back({Vector3T<float>(to), color});
}

void Joint::updateGeo() {
    using namespace Tolu::GL;
    if (!(hlFlags & FlagGeoInvalid)) {
        return;
    }
    std::size_t previousCount = lines.size();
    const LineVertex* previousData = lines.empty() ? nullptr : lines.data();
    lines.clear(); // keeps the storage, so an unchanged count can be rewritten in place
    makeGeo();

    // All or nothing: a failure at any step starts the objects over (the flag stays set).
    try {
        if (vao == 0) {
            glGenVertexArrays(1, &vao);
        }
        glBindVertexArray(vao);
        if (vbo == 0) {
            glGenBuffers(1, &vbo);
            previousCount = 0;
            previousData = nullptr;
        }
        const LineVertex* data = lines.empty() ? nullptr : lines.data();
        const auto bytes = static_cast<GLsizeiptr>(lines.size() * sizeof(LineVertex));
        if (lines.size() != previousCount || data != previousData) {
            glBindBuffer(GL_ARRAY_BUFFER, vbo);
            glBufferData(GL_ARRAY_BUFFER, bytes, data, GL_DYNAMIC_DRAW);
            glEnableVertexAttribArray(0);
            glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(LineVertex), nullptr);
            glEnableVertexAttribArray(1);
            glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(LineVertex),
                                  reinterpret_cast<const void*>(offsetof(LineVertex, color)));
        } else if (!lines.empty()) {
            glBindBuffer(GL_ARRAY_BUFFER, vbo);
            void* mapped = glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY);
            if (!mapped) {
                return; // the flag stays set: the next pass tries again
            }
            std::memcpy(mapped, data, static_cast<std::size_t>(bytes));
            if (glUnmapBuffer(GL_ARRAY_BUFFER) == GL_FALSE) {
                // The store was lost while mapped (the data are undefined): specify it anew.
                glBufferData(GL_ARRAY_BUFFER, bytes, data, GL_DYNAMIC_DRAW);
            }
        }
    } catch (...) {
        discardGL(vao, vbo);
        throw;
    }
    hlFlags &= ~FlagGeoInvalid;
}

void Joint::drawLines() {
    Tolu::GL::glLineWidth(2.0f);
    Tolu::GL::glEnable(GL_LINE_SMOOTH);
    Tolu::GL::glBindVertexArray(vao);
    Tolu::GL::glDrawArrays(GL_LINES, 0, static_cast<Tolu::GL::GLsizei>(lines.size()));
}

void Joint::renderHUD(Context& context) {
    const unsigned shown = context.renderMask & (JointLines | JointFrame);
    if (!shown || isHighlighted()) {
        return;
    }
    if (shown & JointLines) {
        updateGeo();
        context.applyHUDColors(1.0f);
        context.disableHUDRescale();
        // The vertices are already in world coordinates.
        context.applyMats(Matrix4x4T<double>::identity());
        drawLines();
    }
    if (shown & JointFrame) {
        updateGeo();
        Tolu::GL::glLineWidth(2.0f);
        context.renderCS(getSimJoint().getFrame(), 1.0f);
    }
}

void Joint::renderHUDHL(Context& context) {
    const unsigned shown = context.renderMask & (JointLines | JointFrame);
    if (!shown) {
        return;
    }
    if (context.hlMode == 0 && (hlFlags & FlagHL1)) {
        return; // mode 1 takes precedence
    }
    const bool own = isHighlighted(context.hlMode);
    const ForcedHLScope forced(context, own);
    if (!forced.isForced()) {
        return;
    }
    context.applyHUDColors(context.hlColor, own ? 0.5f : 1.0f);
    if (shown & JointLines) {
        updateGeo();
        context.disableHUDRescale();
        context.applyMats(Matrix4x4T<double>::identity());
        drawLines();
    }
    if (shown & JointFrame) {
        updateGeo();
        Tolu::GL::glLineWidth(2.0f);
        context.renderCS(getSimJoint().getFrame());
    }
}

void Joint::renderHUDHLMask(Context& context) {
    const unsigned shown = context.renderMask & (JointLines | JointFrame);
    if (!shown) {
        return;
    }
    if (context.hlMode == 0 && (hlFlags & FlagHL1)) {
        return;
    }
    const bool own = isHighlighted(context.hlMode);
    const ForcedHLScope forced(context, own);
    if (!forced.isForced()) {
        return;
    }
    if (shown & JointLines) {
        updateGeo();
        context.applyMats(Matrix4x4T<double>::identity());
        context.disableHUDRescale();
        drawLines();
    }
    if (shown & JointFrame) {
        updateGeo();
        Tolu::GL::glLineWidth(2.0f);
        const auto& frame = getSimJoint().getFrame();
        context.renderCS(own ? context.maskMatrix * frame : frame);
    }
}

void Joint::release() {
    Tolu::GL::glDeleteVertexArrays(1, &vao);
    Tolu::GL::glDeleteBuffers(1, &vbo);
    vao = 0;
    vbo = 0;
}

BSphereT<double> Joint::getBSphere(Context&, unsigned mask, unsigned hlMask1, unsigned hlMask0) {
    // Joints always count as visible.
    const unsigned selected =
        mask | (isHighlighted(0) ? hlMask0 : 0u) | (isHighlighted(1) ? hlMask1 : 0u);
    BSphereT<double> sphere;
    const Sim::Joint& joint = getSimJoint();
    if (selected & JointFrame) {
        Geometry::merge(sphere, Geometry::transformSphere(joint.getFrame(), {}, 1.0));
    }
    if (selected & JointLines) {
        const Vector3T<double> p = joint.getFrame().getTranslation();
        Geometry::addPoint(sphere, p);
        for (const PtrT<Body>* glBody : {&glBody1, &glBody2}) {
            const Body* node = glBody->get();
            if (node && dynamic_cast<const Sim::Body*>(node->getSimNode().get())) {
                Geometry::addPoint(sphere, lineEnd(*glBody, p));
            }
        }
    }
    return sphere;
}

void Joint::isect(Segment3T<double>& segment, FrustumT<double>& frustum, Isect::Context& context,
                  Isect::Hit& hit) {
    const InheritedHLScope inherited(context, isHighlighted(context.mode));
    if (context.mode != Vuro::GL::allModes && !context.inheritedHL) {
        return;
    }
    if (!(context.classMask & (JointLines | JointFrame))) {
        return;
    }
    const Vector3T<double> p = getSimJoint().getFrame().getTranslation();
    if (Geometry::pointInFrustum(frustum, p)) {
        setPointHit(hit, p, *this, context.mode);
        Vuro::GL::clip(segment, frustum, p);
    }
}

} // namespace Ostra::Sim::GL

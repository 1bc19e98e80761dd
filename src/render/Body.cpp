#include "interaction/SphereCache.h"
#include "render/ForcedHL.h"
#include "scene/ProjectImpl.h"

#include <sim_gl/Body.h>
#include <sim_gl/BodyProto.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <tolu/gl/GL.h>
#include <vuro_gl/gl/Context.h>

namespace Ostra::Sim::GL {

namespace {

constexpr std::uint32_t hl0 = 0x1;
constexpr std::uint32_t hl1 = 0x2;

} // namespace

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

ClassId Body::getClassId() const {
    return ClassIdBody;
}

void Body::render(Context& context) {
    if (!(context.renderMask & BodyGeo)) {
        return;
    }
    // A body highlighted in mode 1 is left to that highlight's own pass.
    if ((context.passFlags & Context::PassHideHL1) && (hlFlags & hl1)) {
        return;
    }
    const Sim::Node& sim = *simNode;
    if (!proto || !sim.isVisible()) {
        return;
    }
    const float alpha = sim.getAlpha();
    const bool highlighted = (hlFlags & hl0) != 0;
    const bool colored = sim.isUseColor();
    if (!highlighted && !colored) {
        proto->render(context, sim.getTransform(), alpha);
        return;
    }
    // Share of the highlight colour: all of it when only highlighted, half when also
    // coloured, none when only coloured.
    const float t = highlighted ? (colored ? 0.5f : 1.0f) : 0.0f;
    const auto& color = sim.getColor();
    const auto& hl = context.hlColor;
    const Vector4T<float> mixColor((1 - t) * color.x + t * hl.x, (1 - t) * color.y + t * hl.y,
                                   (1 - t) * color.z + t * hl.z, (1 - t) * alpha + t * hl.w);
    context.applyHLRenderMix(highlighted ? 0.5f : sim.getColorMix(), mixColor);
    proto->render(context, sim.getTransform(), alpha);
    context.applyHLRenderMix(0.0f);
}

void Body::renderHL(Context& context) {
    if (!(context.renderMask & BodyGeo)) {
        return;
    }
    if (context.hlMode == 0 && (hlFlags & hl1)) {
        return; // mode 1 takes precedence
    }
    ForcedHLScope forced(context, isHighlighted(context.hlMode));
    if (forced.isForced() && proto) {
        const Sim::Node& sim = *simNode;
        proto->renderHL(context, sim.getTransform(), sim.getAlpha());
    }
}

void Body::renderHLMask(Context& context) {
    if (!(context.renderMask & BodyGeo)) {
        return;
    }
    if (context.hlMode == 0 && (hlFlags & hl1)) {
        return;
    }
    if (!proto) {
        return;
    }
    const bool own = isHighlighted(context.hlMode);
    ForcedHLScope forced(context, own);
    if (forced.isForced()) {
        const auto& transform = simNode->getTransform();
        proto->renderHLMask(context, own ? context.maskMatrix * transform : transform);
    }
}

void Body::renderHUD(Context& context) {
    if (!(context.renderMask & (BodyFrame | ProtoBodyFrame))) {
        return;
    }
    const Sim::Node& sim = *simNode;
    if (hlFlags != 0 || !sim.isVisible()) {
        return;
    }
    if (context.renderMask & getFrameBit()) {
        Tolu::GL::glLineWidth(2.0f);
        context.renderCS(sim.getTransform(), 1.0f);
    }
}

void Body::renderHUDHL(Context& context) {
    if (!(context.renderMask & (BodyFrame | ProtoBodyFrame))) {
        return;
    }
    const bool own = isHighlighted(context.hlMode);
    ForcedHLScope forced(context, own);
    if (forced.isForced() && (context.renderMask & getFrameBit())) {
        Tolu::GL::glLineWidth(2.0f);
        context.renderCS(simNode->getTransform(), context.hlColor, own ? 0.5f : 1.0f);
    }
}

void Body::renderHUDHLMask(Context& context) {
    if (!(context.renderMask & (BodyFrame | ProtoBodyFrame))) {
        return;
    }
    if (context.hlMode == 0 && (hlFlags & hl1)) {
        return;
    }
    const bool own = isHighlighted(context.hlMode);
    ForcedHLScope forced(context, own);
    if (forced.isForced() && (context.renderMask & getFrameBit())) {
        Tolu::GL::glLineWidth(2.0f);
        const auto& transform = simNode->getTransform();
        context.renderCS(own ? context.maskMatrix * transform : transform);
    }
}

void Body::setHighlight(HLMode mode, bool on, bool) {
    const std::uint32_t bit = Vuro::GL::hlBit(mode);
    hlFlags = (hlFlags & ~bit) | (on ? bit : 0u);
    // Spheres select parts by highlight.
    if (Project* owner = project.get()) {
        owner->sceneChanged();
        owner->impl->sphereCache->bodyHighlighted();
    }
}

void Body::release() {}

void Body::update() {}

} // namespace Ostra::Sim::GL

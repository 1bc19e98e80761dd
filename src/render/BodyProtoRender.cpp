#include "render/ForcedHL.h"

#include <sim_gl/BodyProto.h>

#include <tolu/gl/GLEnums.h>
#include <vuro_gl/gl/BodyProto.h>
#include <vuro_gl/gl/Context.h>

namespace Ostra::Sim::GL {

namespace {

using Vuro::GL::GPrim;

// Draws points, lines and triangles of every slot that has a buffer, in slot order.
template <class DrawGroups> void forEachSlot(Vuro::GL::BodyProto& glProto, const DrawGroups& draw) {
    const auto& vbos = glProto.getGLVBOs();
    auto& points = glProto.getGLPoints();
    auto& lines = glProto.getGLLines();
    auto& tris = glProto.getGLTris();
    for (unsigned slot = 0; slot < Vuro::GL::BodyProto::slotCount; ++slot) {
        if (vbos[slot] == 0) {
            continue;
        }
        draw(GL_POINTS, points[slot]);
        draw(GL_LINES, lines[slot]);
        draw(GL_TRIANGLES, tris[slot]);
    }
}

void drawPrim(GPrim& prim, unsigned vbo, unsigned mode) {
    prim.updateGL(vbo);
    prim.drawGL(mode);
}

} // namespace

void BodyProto::render(Context& context, const Matrix4x4T<double>& transform, float alpha) {
    if (!(context.renderMask & BodyGeo)) {
        return;
    }
    // A body that is not fully opaque is left whole to the transparent pass.
    if ((context.passFlags & Context::PassOpaqueOnly) && alpha < 1.0f) {
        return;
    }
    forEachSlot(*glProto, [&](unsigned mode, GPrims& prims) {
        renderGPrims(context, transform, alpha, mode, prims);
    });
    if ((context.renderMask & ProtoBBox) && glProto->getBBoxVBO() != 0) {
        renderBBoxGPrim(context, transform);
    }
}

void BodyProto::renderGPrims(Context& context, const Matrix4x4T<double>& transform, float alpha,
                             unsigned mode, GPrims& prims) {
    if (prims.empty()) {
        return;
    }
    const auto& vbos = glProto->getGLVBOs();
    for (GPrim& prim : prims) {
        const bool transparent = prim.hasTransp() || alpha < 1.0f;
        if (transparent ? (context.passFlags & Context::PassOpaqueOnly)
                        : (context.passFlags & Context::PassTranspOnly)) {
            continue;
        }
        context.applyGState(prim.getGLGState(), alpha);
        context.applyMats(transform);
        drawPrim(prim, vbos[prim.vboSlot], mode);
    }
}

void BodyProto::renderBBoxGPrim(Context& context, const Matrix4x4T<double>& transform) {
    if (context.passFlags & Context::PassTranspOnly) {
        return;
    }
    GPrim& prim = glProto->getBBoxGPrim();
    context.applyGState(prim.getGLGState(), 1.0f);
    context.applyMats(transform);
    const auto& box = context.boxColor;
    context.applyHLRenderMix(1.0f, Vector4T<float>(box.x, box.y, box.z, 1.0f));
    drawPrim(prim, glProto->getBBoxVBO(), GL_LINES);
    context.applyHLRenderMix(0.0f, context.hlColor);
}

void BodyProto::renderHL(Context& context, const Matrix4x4T<double>& transform, float alpha) {
    if (!(context.renderMask & BodyGeo)) {
        return;
    }
    forEachSlot(*glProto, [&](unsigned mode, GPrims& prims) {
        renderGPrimsHL(context, transform, alpha, mode, prims);
    });
    if ((context.renderMask & ProtoBBox) && glProto->getBBoxVBO() != 0) {
        renderBBoxGPrimHL(context, transform);
    }
}

namespace {

// The highlight draw of one group: skipped in mode 0 when its state is highlighted in
// mode 1; drawn when its state is highlighted in the pass's mode or the pass is forced.
void drawPrimHL(Context& context, const Matrix4x4T<double>& transform, float alpha, GPrim& prim,
                unsigned vbo, unsigned mode) {
    const auto& state = prim.getGLGState();
    if (context.hlMode == 0 && state && state->isHighlighted(1)) {
        return;
    }
    ForcedHLScope forced(context, state && state->isHighlighted(context.hlMode));
    if (forced.isForced()) {
        context.applyGState(state, alpha);
        context.applyMats(transform);
        drawPrim(prim, vbo, mode);
    }
}

// The mask draw of one group: no material and no mode-1 precedence.
void drawPrimHLMask(Context& context, const Matrix4x4T<double>& transform, GPrim& prim,
                    unsigned vbo, unsigned mode) {
    const auto& state = prim.getGLGState();
    ForcedHLScope forced(context, state && state->isHighlighted(context.hlMode));
    if (forced.isForced()) {
        context.applyMats(transform);
        drawPrim(prim, vbo, mode);
    }
}

} // namespace

void BodyProto::renderGPrimsHL(Context& context, const Matrix4x4T<double>& transform, float alpha,
                               unsigned mode, GPrims& prims) {
    const auto& vbos = glProto->getGLVBOs();
    for (GPrim& prim : prims) {
        drawPrimHL(context, transform, alpha, prim, vbos[prim.vboSlot], mode);
    }
}

void BodyProto::renderBBoxGPrimHL(Context& context, const Matrix4x4T<double>& transform) {
    drawPrimHL(context, transform, 1.0f, glProto->getBBoxGPrim(), glProto->getBBoxVBO(), GL_LINES);
}

void BodyProto::renderHLMask(Context& context, const Matrix4x4T<double>& transform) {
    if (!(context.renderMask & BodyGeo)) {
        return;
    }
    forEachSlot(*glProto, [&](unsigned mode, GPrims& prims) {
        renderGPrimsHLMask(context, transform, mode, prims);
    });
    if ((context.renderMask & ProtoBBox) && glProto->getBBoxVBO() != 0) {
        renderBBoxGPrimHLMask(context, transform);
    }
}

void BodyProto::renderGPrimsHLMask(Context& context, const Matrix4x4T<double>& transform,
                                   unsigned mode, GPrims& prims) {
    const auto& vbos = glProto->getGLVBOs();
    for (GPrim& prim : prims) {
        drawPrimHLMask(context, transform, prim, vbos[prim.vboSlot], mode);
    }
}

void BodyProto::renderBBoxGPrimHLMask(Context& context, const Matrix4x4T<double>& transform) {
    drawPrimHLMask(context, transform, glProto->getBBoxGPrim(), glProto->getBBoxVBO(), GL_LINES);
}

void BodyProto::setHighlight(HLMode mode, bool on, bool propagate) {
    glProto->setHighlight(mode, on, propagate);
}

} // namespace Ostra::Sim::GL

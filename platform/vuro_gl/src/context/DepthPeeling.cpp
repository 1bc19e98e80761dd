#include "ContextImpl.h"

#include <tolu/gl/GL.h>

#include <string>

namespace Vuro::GL {

using namespace Tolu::GL;

namespace {

const GLfloat farDepth = 1.0f;
const GLfloat transparent[4] = {0.0f, 0.0f, 0.0f, 0.0f};

void bindForDrawing(const Target& target) {
    glBindFramebuffer(GL_FRAMEBUFFER, target.fbo);
    glViewport(0, 0, GLsizei(target.width), GLsizei(target.height));
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
}

} // namespace

void Context::initDepthPeeling() {
    constexpr std::string_view op = "initDepthPeeling";
    Impl& d = *impl;
    if (d.pass != Impl::Pass::Solid) {
        throwBad(op, "not in a solid pass (call initSolidRender first)");
    }
    if (d.transpMode < 2) {
        throwBad(op, "transparency mode " + std::to_string(d.transpMode) + " does not peel");
    }
    PassGuard guard(d);
    ensureTarget(d.opaque, Target::Kind::ColorDepth, d.width, d.height);
    bindForDrawing(d.opaque);
    // The current clear colour is the background the caller chose for its target.
    glClear(GL_COLOR_BUFFER_BIT);
    glClearBufferfv(GL_DEPTH, 0, &farDepth);
    if (d.currentKind != ProgramKind::Solid) {
        d.use(ProgramKind::Solid, Impl::Pass::Solid);
        d.uploadSolidState();
    }
    d.peeling = true;
    d.peeledLayers = 0;
    guard.commit();
}

void Context::initDepthPeelingLayer(unsigned layer) {
    constexpr std::string_view op = "initDepthPeelingLayer";
    Impl& d = *impl;
    if (d.pass != Impl::Pass::Solid || !d.peeling) {
        throwBad(op, "no initDepthPeeling in this solid pass");
    }
    if (layer == 0 || layer >= d.transpMode) {
        throwBad(op, "layer " + std::to_string(layer) + " is not in 1 to " +
                         std::to_string(d.transpMode - 1));
    }
    if (layer > d.peeledLayers + 1) {
        throwBad(op,
                 "layer " + std::to_string(layer) + " before layer " + std::to_string(layer - 1));
    }
    PassGuard guard(d);
    if (d.layers.size() < layer) {
        d.layers.resize(layer);
    }
    Target& target = d.layers[layer - 1];
    ensureTarget(target, Target::Kind::ColorDepth, d.width, d.height);
    bindForDrawing(target);
    glClearBufferfv(GL_COLOR, 0, transparent);
    glClearBufferfv(GL_DEPTH, 0, &farDepth);
    // Each layer keeps only its nearest fragment: blending would mix in farther ones.
    glDisable(GL_BLEND);
    if (d.currentKind != ProgramKind::Peel) {
        d.use(ProgramKind::Peel, Impl::Pass::Solid);
        d.uploadSolidState();
    }
    glUniform1i(d.current->firstLayer, layer == 1 ? 1 : 0);
    bindTexture(opaqueDepthUnit, d.opaque.depth);
    bindTexture(prevDepthUnit, layer >= 2 ? d.layers[layer - 2].depth : 0u);
    d.peeledLayers = layer;
    guard.commit();
}

void Context::renderDepthPeeling(unsigned fbo) {
    constexpr std::string_view op = "renderDepthPeeling";
    Impl& d = *impl;
    if (!d.peeling) {
        throwBad(op, "no initDepthPeeling since the last initSolidRender");
    }
    PassGuard guard(d);
    DrawStateGuard state;
    d.program(ProgramKind::Compose);
    const GLuint vao = d.getScreenVao();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, GLsizei(d.width), GLsizei(d.height));
    d.use(ProgramKind::Compose, Impl::Pass::None);
    glBindVertexArray(vao);

    // The opaque image replaces the target, depth included, so that later passes (mode-1
    // highlight, HUD) are hidden by it as if it had been drawn there.
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glDepthMask(GL_TRUE);
    glUniform1i(d.current->withDepth, 1);
    bindTexture(screenColorUnit, d.opaque.color);
    bindTexture(screenDepthUnit, d.opaque.depth);
    glDrawArrays(GL_TRIANGLES, 0, 3);

    // Layers back to front, each over what lies behind it; the target keeps its alpha.
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    glUniform1i(d.current->withDepth, 0);
    for (unsigned k = d.peeledLayers; k >= 1; --k) {
        bindTexture(screenColorUnit, d.layers[k - 1].color);
        glDrawArrays(GL_TRIANGLES, 0, 3);
    }
    d.peeling = false;
    d.endPass();
    state.commit();
    guard.commit();
}

} // namespace Vuro::GL

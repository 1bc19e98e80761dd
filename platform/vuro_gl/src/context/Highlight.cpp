#include "ContextImpl.h"

#include <tolu/gl/GL.h>

#include <cmath>
#include <string>

namespace Vuro::GL {

using namespace Tolu::GL;

void Context::initHLRender(unsigned width, unsigned height, const Tolu::Vector4T<float>& color,
                           double hlParam) {
    constexpr std::string_view op = "initHLRender";
    if (width == 0 || height == 0 || width > maxTargetSize || height > maxTargetSize) {
        throwBad(op, "bad size " + std::to_string(width) + " x " + std::to_string(height));
    }
    if (!std::isfinite(hlParam) || hlParam < 0.0 || hlParam > maxOutlineWidth) {
        throwBad(op, "outline width " + std::to_string(hlParam) + " is not in 0 to " +
                         std::to_string(maxOutlineWidth));
    }
    Impl& d = *impl;
    PassGuard guard(d);
    d.endPass();
    d.hlReady = false;
    ensureTarget(d.mask, Target::Kind::ColorDepth, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, d.mask.fbo);
    glViewport(0, 0, GLsizei(width), GLsizei(height));
    // Clear values given here leave the caller's clear colour and depth alone.
    const GLfloat empty[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const GLfloat farDepth = 1.0f;
    glClearBufferfv(GL_COLOR, 0, empty);
    glClearBufferfv(GL_DEPTH, 0, &farDepth);
    d.outlineColor = color;
    d.outlineWidth = float(hlParam);
    d.hlReady = true;
    guard.commit();
}

void Context::initHLRenderMask(const Tolu::Matrix4x4T<double>& cam1,
                               const Tolu::Matrix4x4T<double>& cam2,
                               const Tolu::Matrix4x4T<double>& maskMat, double hudSize,
                               double hudHeight, HLMode mode) {
    constexpr std::string_view op = "initHLRenderMask";
    Impl& d = *impl;
    if (!d.hlReady) {
        throwBad(op, "no initHLRender before");
    }
    d.setHudCamera(op, cam1, cam2, hudSize, hudHeight);
    PassGuard guard(d);
    glBindFramebuffer(GL_FRAMEBUFFER, d.mask.fbo);
    glViewport(0, 0, GLsizei(d.mask.width), GLsizei(d.mask.height));
    d.use(ProgramKind::Mask, Impl::Pass::Mask);
    glUniformMatrix4fv(d.current->viewProj, 1, GL_TRUE, d.viewProj);
    d.uploadHudColors({1.0f, 1.0f, 1.0f, 1.0f}, 1.0f);
    // The whole silhouette counts, hidden parts too, and nothing blends into the mask.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    maskMatrix = maskMat;
    hlMode = mode;
    guard.commit();
    setHideHL1(false);
}

void Context::renderHL(unsigned fbo) {
    Impl& d = *impl;
    if (!d.hlReady) {
        throwBad("renderHL", "no initHLRender before");
    }
    PassGuard guard(d);
    DrawStateGuard state;
    d.program(ProgramKind::Outline);
    const GLuint vao = d.getScreenVao();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, GLsizei(d.mask.width), GLsizei(d.mask.height));
    d.use(ProgramKind::Outline, Impl::Pass::None);
    glBindVertexArray(vao);
    glUniform4f(d.current->color, d.outlineColor.x, d.outlineColor.y, d.outlineColor.z,
                d.outlineColor.w);
    glUniform1f(d.current->radius, d.outlineWidth);
    bindTexture(screenColorUnit, d.mask.color);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    d.endPass();
    state.commit();
    guard.commit();
}

} // namespace Vuro::GL

#include "ContextImpl.h"

#include <tolu/gl/GL.h>
#include <tolu/util/Error.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace Vuro::GL {

using namespace Tolu::GL;

namespace {

// What a group without a graphics state is drawn with: the default material.
const Tolu::Vector4T<float> defaultColor{0.8f, 0.8f, 0.8f, 1.0f};

} // namespace

void throwBad(std::string_view operation, const std::string& what) {
    throw Tolu::Error("Vuro::GL::Context::" + std::string(operation) + ": " + what);
}

PassGuard::PassGuard(Context::Impl& impl) : impl(impl) {
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
}

PassGuard::~PassGuard() noexcept(false) {
    if (done) {
        return;
    }
    impl.endPass();
    restore([&] { glBindFramebuffer(GL_FRAMEBUFFER, GLuint(framebuffer)); });
    restore([&] { glViewport(viewport[0], viewport[1], viewport[2], viewport[3]); });
    restore([&] { glUseProgram(GLuint(program)); });
    restore([&] { glActiveTexture(GL_TEXTURE0); });
    restore.finish();
}

DrawStateGuard::DrawStateGuard() {
    depthTest = glIsEnabled(GL_DEPTH_TEST);
    blend = glIsEnabled(GL_BLEND);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    glGetIntegerv(GL_BLEND_SRC_RGB, &blendFunc[0]);
    glGetIntegerv(GL_BLEND_DST_RGB, &blendFunc[1]);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &blendFunc[2]);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &blendFunc[3]);
}

DrawStateGuard::~DrawStateGuard() noexcept(false) {
    restore([&] { (depthTest ? glEnable : glDisable)(GL_DEPTH_TEST); });
    restore([&] { (blend && !done ? glEnable : glDisable)(GL_BLEND); });
    restore([&] { glDepthMask(depthMask); });
    // A fake table answers 0 for every query: keep the defaults then.
    if (depthFunc != 0) {
        restore([&] { glDepthFunc(GLenum(depthFunc)); });
    }
    if (blendFunc[0] != 0 || blendFunc[1] != 0) {
        restore([&] {
            glBlendFuncSeparate(GLenum(blendFunc[0]), GLenum(blendFunc[1]), GLenum(blendFunc[2]),
                                GLenum(blendFunc[3]));
        });
    }
    restore([&] { glBindVertexArray(0); });
    restore([&] { bindTexture(screenDepthUnit, 0); });
    restore([&] { bindTexture(screenColorUnit, 0); });
    restore.finish();
}

void bindTexture(int unit, GLuint texture) {
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    glBindTexture(GL_TEXTURE_2D, texture);
    if (unit != 0) {
        glActiveTexture(GL_TEXTURE0);
    }
}

GLuint Context::Impl::getScreenVao() {
    // Core profile draws need a vertex array even when the shader reads no attribute.
    if (screenVao == 0) {
        glGenVertexArrays(1, &screenVao);
    }
    return screenVao;
}

Context::Context() : impl(std::make_unique<Impl>()) {}

Context::~Context() {
    // Without OpenGL the objects died with their context.
    if (Tolu::GL::isInited()) {
        releaseGL();
    }
}

void Context::releaseGL() noexcept {
    impl->releaseAll();
}

Program& Context::Impl::program(ProgramKind kind) {
    Program& p = programs[std::size_t(kind)];
    if (p.name == 0) {
        // Building binds the new program: whatever was bound is no longer known here.
        current = nullptr;
        p = buildProgram(kind);
    }
    return p;
}

void Context::Impl::use(ProgramKind kind, Pass next) {
    Program& p = program(kind);
    glUseProgram(p.name);
    current = &p;
    currentKind = kind;
    pass = next;
    colorKnown = false;
    modelKnown = false;
}

void Context::Impl::uploadSolidState() {
    const Program& p = *current;
    glUniformMatrix4fv(p.viewProj, 1, GL_TRUE, viewProj);
    glUniformMatrix4fv(p.shadowMatrix, 1, GL_TRUE, shadowMatrix);
    glUniform3f(p.lightDir, toLight.x, toLight.y, toLight.z);
    glUniform3f(p.lightColor, light.color.x, light.color.y, light.color.z);
    glUniform1f(p.ambient, light.ambient);
    glUniform1i(p.shadows, shadows ? 1 : 0);
    // One texel of the map in depth units: the map spans the sphere's diameter both
    // across and in depth.
    glUniform1f(p.shadowBias, 1.0f / float(shadowMapSize));
    glUniform4f(p.mixColor, mixColor.x, mixColor.y, mixColor.z, mixColor.w);
    glUniform1f(p.mix, mix);
}

void Context::Impl::throwNoPass(std::string_view operation) {
    throwBad(operation, "no pass started (call an init function first)");
}

namespace {

// Bitwise equality of two matrices without a branch per element or a library call:
// asked before every draw.
bool sameBits(const double (&a)[16], const double (&b)[16]) noexcept {
    std::uint64_t diff = 0;
    for (int i = 0; i < 16; ++i) {
        diff |= std::bit_cast<std::uint64_t>(a[i]) ^ std::bit_cast<std::uint64_t>(b[i]);
    }
    return diff == 0;
}

} // namespace

void Context::Impl::uploadModel(const Tolu::Matrix4x4T<double>& model) {
    if (modelKnown && sameBits(lastModel, model.m)) {
        return;
    }
    float m[16];
    toFloats(model, m);
    glUniformMatrix4fv(current->model, 1, GL_TRUE, m);
    std::memcpy(lastModel, model.m, sizeof lastModel);
    modelKnown = true;
}

void Context::Impl::uploadHudColors(const Tolu::Vector4T<float>& color, float weight) {
    // The generic value stands in for arrays without a colour attribute (tracks).
    glVertexAttrib4f(1, color.x, color.y, color.z, color.w);
    glUniform4f(current->color, color.x, color.y, color.z, color.w);
    glUniform1f(current->weight, weight);
}

void Context::Impl::endPass() noexcept {
    pass = Pass::None;
    current = nullptr;
    colorKnown = false;
    modelKnown = false;
}

void Context::Impl::releaseAll() noexcept {
    endPass();
    for (Program& p : programs) {
        deleteProgram(p);
    }
    releaseTarget(shadowMap);
    releaseTarget(opaque);
    for (Target& t : layers) {
        releaseTarget(t);
    }
    layers.clear();
    releaseTarget(mask);
    auto quietly = [](auto&& remove, GLuint& name) {
        if (name != 0) {
            try {
                remove(1, &name);
            } catch (...) {
            }
            name = 0;
        }
    };
    quietly(glDeleteVertexArrays, screenVao);
    quietly(glDeleteVertexArrays, symbolVao);
    quietly(glDeleteBuffers, symbolVbo);
    shadowReady = false;
    peeling = false;
    peeledLayers = 0;
    hlReady = false;
}

void Context::applyGState(const Tolu::RefT<GState>& state, float alpha) {
    Impl& d = *impl;
    if (d.pass != Impl::Pass::Solid) {
        // Depth and mask passes have no material.
        d.requirePass("applyGState");
        return;
    }
    const Tolu::Vector4T<float>& c = state ? state->getColor() : defaultColor;
    const float rgba[4] = {c.x, c.y, c.z, c.w * alpha};
    if (d.colorKnown && rgba[0] == d.lastColor[0] && rgba[1] == d.lastColor[1] &&
        rgba[2] == d.lastColor[2] && rgba[3] == d.lastColor[3]) {
        return;
    }
    glUniform4f(d.current->color, rgba[0], rgba[1], rgba[2], rgba[3]);
    std::memcpy(d.lastColor, rgba, sizeof rgba);
    d.colorKnown = true;
}

void Context::applyMats(const Tolu::Matrix4x4T<double>& model) {
    impl->requirePass("applyMats");
    impl->uploadModel(model);
}

void Context::applyHLRenderMix(float mix, const Tolu::Vector4T<float>& color) {
    Impl& d = *impl;
    d.requirePass("applyHLRenderMix");
    d.mixColor = color;
    d.mix = mix;
    if (d.pass == Impl::Pass::Solid) {
        glUniform4f(d.current->mixColor, color.x, color.y, color.z, color.w);
        glUniform1f(d.current->mix, mix);
    }
}

void Context::applyHLRenderMix(float mix) {
    Impl& d = *impl;
    d.requirePass("applyHLRenderMix");
    d.mix = mix;
    if (d.pass == Impl::Pass::Solid) {
        glUniform1f(d.current->mix, mix);
    }
}

void Context::applyHUDColors(const Tolu::Vector4T<float>& color, float weight) {
    Impl& d = *impl;
    d.requirePass("applyHUDColors");
    if (d.pass == Impl::Pass::Hud || d.pass == Impl::Pass::Mask) {
        d.uploadHudColors(color, weight);
    }
}

void Context::applyHUDColors(float weight) {
    Impl& d = *impl;
    d.requirePass("applyHUDColors");
    if (d.pass == Impl::Pass::Hud || d.pass == Impl::Pass::Mask) {
        // Opaque black as the other share keeps the vertex colours' alpha at 1.
        d.uploadHudColors({0.0f, 0.0f, 0.0f, 1.0f}, weight);
    }
}

void Context::disableHUDRescale() {
    // Nothing to switch off: applyMats never rescales, so the scene's lines are in world
    // coordinates already, and symbols size themselves whatever came before.
}

} // namespace Vuro::GL

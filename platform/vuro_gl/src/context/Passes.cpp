#include "ContextImpl.h"

#include <tolu/gl/GL.h>
#include <tolu/util/Error.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

namespace Vuro::GL {

using namespace Tolu::GL;

namespace {

bool isFinite(const Tolu::Vector3T<double>& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

std::string str(const Tolu::Vector3T<double>& v) {
    // Formatted in one go: chains of string concatenation trip a false -Wrestrict in g++ 12.
    char text[96];
    std::snprintf(text, sizeof text, "(%g, %g, %g)", v.x, v.y, v.z);
    return text;
}

// Maps clip coordinates [-1, 1] to texture coordinates and depth [0, 1].
const Tolu::Matrix4x4T<double> clipToTexture{0.5, 0, 0,   0.5, 0, 0.5, 0, 0.5,
                                             0,   0, 0.5, 0.5, 0, 0,   0, 1};

double det3(const Tolu::Matrix4x4T<double>& m) {
    const double* a = m.m;
    return a[0] * (a[5] * a[10] - a[6] * a[9]) - a[1] * (a[4] * a[10] - a[6] * a[8]) +
           a[2] * (a[4] * a[9] - a[5] * a[8]);
}

// Whether a light camera fitted to `sphere` survives single precision, with room for
// the products the shaders form.
bool withinShadowRange(const Tolu::SphereT<double>& sphere) {
    constexpr double limit = 1e30;
    return sphere.radius <= limit && std::abs(sphere.centre.x) <= limit &&
           std::abs(sphere.centre.y) <= limit && std::abs(sphere.centre.z) <= limit;
}

} // namespace

void Context::initShadowRender(const Tolu::Vector3T<double>& direction,
                               const Tolu::SphereT<double>& sphere) {
    constexpr std::string_view op = "initShadowRender";
    if (!isFinite(direction) || direction.lengthSquared() == 0.0) {
        throwBad(op, "bad light direction " + str(direction));
    }
    if (!isFinite(sphere.centre) || !std::isfinite(sphere.radius) || !(sphere.radius > 0.0)) {
        throwBad(op, "bad bounding sphere at " + str(sphere.centre) + " radius " +
                         std::to_string(sphere.radius));
    }
    Impl& d = *impl;
    // An orthographic light camera just holding the sphere: from one diameter in front of
    // the centre, the sphere fills [r, 3r] in depth and [-r, r] across.
    const double r = sphere.radius;
    Tolu::Matrix4x4T<double> lightClip;
    Tolu::Matrix4x4T<double> shadowFromWorld;
    if (withinShadowRange(sphere)) {
        const Tolu::Vector3T<double> dir = direction.normalized();
        const Tolu::Vector3T<double> up = std::abs(dir.z) < 0.9 ? Tolu::Vector3T<double>{0, 0, 1}
                                                                : Tolu::Vector3T<double>{0, 1, 0};
        const auto view =
            Tolu::Matrix4x4T<double>::lookAt(sphere.centre - dir * (2.0 * r), sphere.centre, up);
        lightClip = Tolu::Matrix4x4T<double>::ortho(-r, r, -r, r, r, 3.0 * r) * view;
        shadowFromWorld = clipToTexture * lightClip;
    } else {
        // The light camera goes to the shaders in single precision, which cannot hold
        // such a scene: it casts no shadow instead of failing every frame. Draws land
        // outside the clip volume (w = 0) and every point reads as beyond the map.
        std::fill(std::begin(lightClip.m), std::end(lightClip.m), 0.0);
        std::fill(std::begin(shadowFromWorld.m), std::end(shadowFromWorld.m), 0.0);
        shadowFromWorld.m[11] = 1.0;
        shadowFromWorld.m[15] = 1.0;
    }

    PassGuard guard(d);
    d.program(ProgramKind::Shadow);
    ensureTarget(d.shadowMap, Target::Kind::ShadowMap, shadowMapSize, shadowMapSize);
    glBindFramebuffer(GL_FRAMEBUFFER, d.shadowMap.fbo);
    glViewport(0, 0, GLsizei(shadowMapSize), GLsizei(shadowMapSize));
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    const GLfloat farDepth = 1.0f;
    glClearBufferfv(GL_DEPTH, 0, &farDepth);
    d.use(ProgramKind::Shadow, Impl::Pass::Shadow);
    float m[16];
    toFloats(lightClip, m);
    glUniformMatrix4fv(d.current->viewProj, 1, GL_TRUE, m);
    toFloats(shadowFromWorld, d.shadowMatrix);
    d.shadowReady = true;
    guard.commit();
    // Shadows are cast by everything drawn, highlighted or not.
    setHideHL1(false);
}

void Context::initSolidRender(unsigned width, unsigned height, const Tolu::Matrix4x4T<double>& cam1,
                              const Tolu::Matrix4x4T<double>& cam2,
                              const Tolu::Matrix4x4T<double>& model, const DirectionalLight& light,
                              bool shadows, unsigned transpMode, HLMode mode,
                              const Tolu::Vector4T<float>& hlColor, float mix) {
    constexpr std::string_view op = "initSolidRender";
    if (width == 0 || height == 0 || width > maxTargetSize || height > maxTargetSize) {
        throwBad(op, "bad size " + std::to_string(width) + " x " + std::to_string(height));
    }
    if (transpMode > maxPeelLayers + 1) {
        throwBad(op, "transparency mode " + std::to_string(transpMode) + " peels more than " +
                         std::to_string(maxPeelLayers) + " layers");
    }
    const Tolu::Vector3T<double> dir(light.direction.x, light.direction.y, light.direction.z);
    if (!isFinite(dir) || dir.lengthSquared() == 0.0) {
        throwBad(op, "bad light direction " + str(dir));
    }
    if (!std::isfinite(mix)) {
        throwBad(op, "bad mix " + std::to_string(mix));
    }
    Impl& d = *impl;
    if (shadows && !d.shadowReady) {
        throwBad(op, "shadows asked for before any initShadowRender");
    }
    PassGuard guard(d);
    d.width = width;
    d.height = height;
    toFloats(cam2 * cam1 * model, d.viewProj);
    const Tolu::Vector3T<double> toLight = -dir.normalized();
    d.toLight = {float(toLight.x), float(toLight.y), float(toLight.z)};
    d.light = light;
    d.shadows = shadows;
    d.transpMode = transpMode;
    d.peeling = false;
    d.peeledLayers = 0;
    d.mixColor = hlColor;
    d.mix = mix;
    hlMode = mode;
    this->hlColor = hlColor;

    d.use(ProgramKind::Solid, Impl::Pass::Solid);
    d.uploadSolidState();
    if (shadows) {
        glActiveTexture(GL_TEXTURE0 + shadowMapUnit);
        glBindTexture(GL_TEXTURE_2D, d.shadowMap.depth);
        glActiveTexture(GL_TEXTURE0);
    }
    guard.commit();
    setHideHL1(hideHL1InSolid && mode == HLModeNone);
}

void Context::setHideHL1(bool hide) noexcept {
    passFlags =
        static_cast<std::uint8_t>(hide ? passFlags | PassHideHL1 : passFlags & ~PassHideHL1);
}

void Context::Impl::setHudCamera(std::string_view operation,
                                 const Tolu::Matrix4x4T<double>& eyeFromScene_,
                                 const Tolu::Matrix4x4T<double>& projection_, double hudSize_,
                                 double hudHeight_) {
    if (!std::isfinite(hudSize_) || hudSize_ < 0.0) {
        throwBad(operation, "bad HUD size " + std::to_string(hudSize_));
    }
    if (!std::isfinite(hudHeight_) || !(hudHeight_ > 0.0)) {
        throwBad(operation, "bad HUD height " + std::to_string(hudHeight_));
    }
    try {
        sceneFromEye = eyeFromScene_.inverse();
    } catch (const Tolu::Error&) {
        throwBad(operation, "the view matrix is singular");
    }
    eyeFromScene = eyeFromScene_;
    projection = projection_;
    hudSize = hudSize_;
    hudHeight = hudHeight_;
    viewScale = std::cbrt(std::abs(det3(eyeFromScene_)));
    toFloats(projection_ * eyeFromScene_, viewProj);
}

double Context::Impl::hudUnits(const Tolu::Vector3T<double>& scenePos) const {
    // How far the image of a unit step across the view moves in normalised device
    // coordinates, at the point's depth: this holds for perspective and parallel views.
    const Tolu::Vector3T<double> e = eyeFromScene.transformAffine(scenePos);
    const Tolu::Vector4T<double> a = projection.transform({e.x, e.y, e.z, 1.0});
    const Tolu::Vector4T<double> b = projection.transform({e.x, e.y + 1.0, e.z, 1.0});
    if (a.w == 0.0 || b.w == 0.0) {
        return 0.0;
    }
    const double pixelsPerEyeUnit = std::abs(b.y / b.w - a.y / a.w) * 0.5 * hudHeight;
    const double units = hudSize / (pixelsPerEyeUnit * viewScale);
    return std::isfinite(units) ? units : 0.0;
}

void Context::initHUDRender(const Tolu::Matrix4x4T<double>& cam1,
                            const Tolu::Matrix4x4T<double>& cam2,
                            const Tolu::Matrix4x4T<double>& model, double hudSize, double hudHeight,
                            HLMode mode, const Tolu::Vector4T<float>& hlColor) {
    Impl& d = *impl;
    d.setHudCamera("initHUDRender", cam1 * model, cam2, hudSize, hudHeight);
    PassGuard guard(d);
    d.use(ProgramKind::Hud, Impl::Pass::Hud);
    glUniformMatrix4fv(d.current->viewProj, 1, GL_TRUE, d.viewProj);
    // Vertex colours as they are; arrays without colours draw white until told otherwise.
    d.uploadHudColors({1.0f, 1.0f, 1.0f, 1.0f}, 1.0f);
    glDisable(GL_DEPTH_TEST);
    hlMode = mode;
    this->hlColor = hlColor;
    guard.commit();
    setHideHL1(false);
}

} // namespace Vuro::GL

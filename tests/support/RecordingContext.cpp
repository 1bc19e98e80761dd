#include "support/RecordingContext.h"

#include <algorithm>
#include <cstdio>

namespace Tolu::Test {

std::string fmt(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string fmt(const Vector3T<double>& v) {
    return "(" + fmt(v.x) + " " + fmt(v.y) + " " + fmt(v.z) + ")";
}

std::string fmt(const Vector4T<float>& v) {
    return "(" + fmt(v.x) + " " + fmt(v.y) + " " + fmt(v.z) + " " + fmt(v.w) + ")";
}

std::string fmt(const Matrix4x4T<double>& m) {
    return "T(" + fmt(m.m[3]) + " " + fmt(m.m[7]) + " " + fmt(m.m[11]) + ")";
}

void RecordingContext::add(std::string text) {
    entries.push_back({gl.calls().size(), std::move(text)});
}

std::vector<std::string> RecordingContext::log() const {
    return ops({"*"});
}

std::vector<std::string> RecordingContext::ops(const std::vector<std::string>& keep) const {
    const auto& calls = gl.calls();
    const bool all = std::find(keep.begin(), keep.end(), "*") != keep.end();
    auto kept = [&](const std::string& name) {
        return all || std::find(keep.begin(), keep.end(), name) != keep.end();
    };
    std::vector<std::string> out;
    std::size_t call = 0;
    for (const Entry& entry : entries) {
        for (; call < entry.glIndex && call < calls.size(); ++call) {
            if (kept(calls[call].name)) {
                out.push_back(calls[call].str());
            }
        }
        out.push_back(entry.text);
    }
    for (; call < calls.size(); ++call) {
        if (kept(calls[call].name)) {
            out.push_back(calls[call].str());
        }
    }
    return out;
}

void RecordingContext::clear() {
    entries.clear();
    gl.reset();
}

std::string RecordingContext::nameOf(const Vuro::GL::GState* state) {
    if (!state) {
        return "null";
    }
    auto found = stateNames.find(state);
    if (found == stateNames.end()) {
        found = stateNames.emplace(state, "s" + std::to_string(stateNames.size() + 1)).first;
    }
    return found->second;
}

void RecordingContext::initShadowRender(const Vector3T<double>& direction,
                                        const SphereT<double>& sphere) {
    add("initShadowRender(" + fmt(direction) + ", " + fmt(sphere.centre) + " " +
        fmt(sphere.radius) + ")");
}

void RecordingContext::initSolidRender(unsigned width, unsigned height, const Matrix4x4T<double>&,
                                       const Matrix4x4T<double>&, const Matrix4x4T<double>&,
                                       const Vuro::GL::DirectionalLight&, bool shadows,
                                       unsigned transpMode, Vuro::GL::HLMode mode,
                                       const Vector4T<float>& color, float mix) {
    hlMode = mode;
    hlColor = color;
    add("initSolidRender(" + std::to_string(width) + "x" + std::to_string(height) + ", shadows " +
        std::to_string(shadows) + ", transp " + std::to_string(transpMode) + ", mode " +
        std::to_string(int(mode)) + ", " + fmt(color) + ", " + fmt(mix) + ")");
}

void RecordingContext::initDepthPeeling() {
    add("initDepthPeeling()");
}
void RecordingContext::initDepthPeelingLayer(unsigned layer) {
    add("initDepthPeelingLayer(" + std::to_string(layer) + ")");
}
void RecordingContext::renderDepthPeeling(unsigned fbo) {
    add("renderDepthPeeling(" + std::to_string(fbo) + ")");
}

void RecordingContext::initHUDRender(const Matrix4x4T<double>&, const Matrix4x4T<double>&,
                                     const Matrix4x4T<double>&, double hudSize, double hudHeight,
                                     Vuro::GL::HLMode mode, const Vector4T<float>& color) {
    hlMode = mode;
    hlColor = color;
    add("initHUDRender(" + fmt(hudSize) + ", " + fmt(hudHeight) + ", mode " +
        std::to_string(int(mode)) + ", " + fmt(color) + ")");
}

void RecordingContext::initHLRender(unsigned width, unsigned height, const Vector4T<float>& color,
                                    double hlParam) {
    add("initHLRender(" + std::to_string(width) + "x" + std::to_string(height) + ", " + fmt(color) +
        ", " + fmt(hlParam) + ")");
}

void RecordingContext::initHLRenderMask(const Matrix4x4T<double>&, const Matrix4x4T<double>&,
                                        const Matrix4x4T<double>& maskMat, double hudSize,
                                        double hudHeight, Vuro::GL::HLMode mode) {
    maskMatrix = maskMat;
    hlMode = mode;
    add("initHLRenderMask(" + fmt(maskMat) + ", " + fmt(hudSize) + ", " + fmt(hudHeight) +
        ", mode " + std::to_string(int(mode)) + ")");
}

void RecordingContext::renderHL(unsigned fbo) {
    add("renderHL(" + std::to_string(fbo) + ")");
}

void RecordingContext::applyGState(const RefT<Vuro::GL::GState>& state, float alpha) {
    add("applyGState(" + nameOf(state.get()) + ", " + fmt(alpha) + ")");
}

void RecordingContext::applyMats(const Matrix4x4T<double>& model) {
    add("applyMats(" + fmt(model) + ")");
}

void RecordingContext::applyHLRenderMix(float mix, const Vector4T<float>& color) {
    add("applyHLRenderMix(" + fmt(mix) + ", " + fmt(color) + ")");
}

void RecordingContext::applyHLRenderMix(float mix) {
    add("applyHLRenderMix(" + fmt(mix) + ")");
}

void RecordingContext::applyHUDColors(const Vector4T<float>& color, float weight) {
    add("applyHUDColors(" + fmt(color) + ", " + fmt(weight) + ")");
}

void RecordingContext::applyHUDColors(float weight) {
    add("applyHUDColors(" + fmt(weight) + ")");
}

void RecordingContext::disableHUDRescale() {
    add("disableHUDRescale()");
}

void RecordingContext::renderCS(const Matrix4x4T<double>& frame, float scale) {
    add("renderCS(" + fmt(frame) + ", " + fmt(scale) + ")");
}

void RecordingContext::renderCS(const Matrix4x4T<double>& frame, const Vector4T<float>& color,
                                float weight) {
    add("renderCS(" + fmt(frame) + ", " + fmt(color) + ", " + fmt(weight) + ")");
}

void RecordingContext::renderCS(const Matrix4x4T<double>& frame) {
    add("renderCS(" + fmt(frame) + ")");
}

void RecordingContext::renderCone(const Matrix4x4T<double>& frame, const Vector4T<float>& color) {
    add("renderCone(" + fmt(frame) + ", " + fmt(color) + ")");
}

void RecordingContext::renderGrip(const Vector3T<double>& pos, const Vector4T<float>& front,
                                  const Vector4T<float>& back) {
    add("renderGrip(" + fmt(pos) + ", " + fmt(front) + ", " + fmt(back) + ")");
}

} // namespace Tolu::Test

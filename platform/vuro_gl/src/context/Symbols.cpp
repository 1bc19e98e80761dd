#include "ContextImpl.h"

#include <tolu/gl/GL.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace Vuro::GL {

using namespace Tolu::GL;

namespace {

// Symbol vertices: position and colour, the layout of the scene's own HUD arrays.
struct SymbolVertex {
    float pos[3];
    float color[3];
};

constexpr unsigned coneSegments = 8;
constexpr float coneRadius = 0.3f; // of the base, in lengths of the cone
constexpr float gripInner = 0.6f;  // front square over the whole grip's width
constexpr GLint frameFirst = 0;    // three axis lines of unit length
constexpr GLsizei frameCount = 6;
constexpr GLint coneFirst = frameFirst + frameCount; // base at the origin, tip at x = 1
constexpr GLsizei coneCount = 6 * coneSegments;
constexpr GLint squareFirst = coneFirst + coneCount; // unit square in xy around the origin
constexpr GLsizei squareCount = 6;

std::vector<SymbolVertex> symbolVertices() {
    std::vector<SymbolVertex> v;
    v.reserve(std::size_t(squareFirst + squareCount));
    const float axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (const auto& axis : axes) {
        v.push_back({{0, 0, 0}, {axis[0], axis[1], axis[2]}});
        v.push_back({{axis[0], axis[1], axis[2]}, {axis[0], axis[1], axis[2]}});
    }
    const float pi2 = 2.0f * std::numbers::pi_v<float>;
    for (unsigned i = 0; i < coneSegments; ++i) {
        const float a0 = pi2 * float(i) / coneSegments;
        const float a1 = pi2 * float(i + 1) / coneSegments;
        const SymbolVertex r0{{0, coneRadius * std::cos(a0), coneRadius * std::sin(a0)}, {1, 1, 1}};
        const SymbolVertex r1{{0, coneRadius * std::cos(a1), coneRadius * std::sin(a1)}, {1, 1, 1}};
        v.push_back({{1, 0, 0}, {1, 1, 1}});
        v.push_back(r0);
        v.push_back(r1);
        v.push_back({{0, 0, 0}, {1, 1, 1}});
        v.push_back(r1);
        v.push_back(r0);
    }
    const float corners[6][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f},
                                 {-0.5f, -0.5f}, {0.5f, 0.5f},  {-0.5f, 0.5f}};
    for (const auto& c : corners) {
        v.push_back({{c[0], c[1], 0}, {1, 1, 1}});
    }
    return v;
}

const void* byteOffset(std::uintptr_t offset) {
    return reinterpret_cast<const void*>(offset);
}

// frame * scaling(s): only the three axis columns change, so they are scaled in place
// rather than multiplied out (every HUD symbol of every node goes through here).
Tolu::Matrix4x4T<double> scaled(const Tolu::Matrix4x4T<double>& frame, double s) {
    Tolu::Matrix4x4T<double> result = frame;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            result.m[row * 4 + column] *= s;
        }
    }
    return result;
}

} // namespace

void Context::Impl::bindSymbols() {
    if (symbolVao != 0) {
        glBindVertexArray(symbolVao);
        return;
    }
    GLint arrayBuffer = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
    // Made into locals first: a failure half way deletes them and the next call retries.
    GLuint vao = 0;
    GLuint vbo = 0;
    struct Cleanup {
        GLuint& vao;
        GLuint& vbo;
        ~Cleanup() {
            try {
                if (vao != 0) {
                    glDeleteVertexArrays(1, &vao);
                }
                if (vbo != 0) {
                    glDeleteBuffers(1, &vbo);
                }
            } catch (...) {
            }
        }
    } cleanup{vao, vbo};
    const std::vector<SymbolVertex> vertices = symbolVertices();
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(SymbolVertex)),
                 vertices.data(), GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(SymbolVertex),
                          byteOffset(offsetof(SymbolVertex, pos)));
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(SymbolVertex),
                          byteOffset(offsetof(SymbolVertex, color)));
    glEnableVertexAttribArray(1);
    // The array-buffer binding is not vertex-array state: the caller's comes back.
    glBindBuffer(GL_ARRAY_BUFFER, GLuint(arrayBuffer));
    symbolVao = std::exchange(vao, 0u);
    symbolVbo = std::exchange(vbo, 0u);
}

Context::Impl& Context::Impl::symbolPass(std::string_view operation) {
    if (pass != Pass::Hud && pass != Pass::Mask) {
        throwBad(operation, "not in a HUD or mask pass");
    }
    return *this;
}

void Context::Impl::drawFrame(const Tolu::Matrix4x4T<double>& frame, float scale) {
    uploadModel(scaled(frame, scale * hudUnits(frame.getTranslation())));
    bindSymbols();
    glDrawArrays(GL_LINES, frameFirst, frameCount);
    glBindVertexArray(0);
}

void Context::renderCS(const Tolu::Matrix4x4T<double>& frame, float scale) {
    Impl& d = impl->symbolPass("renderCS");
    d.uploadHudColors({0.0f, 0.0f, 0.0f, 1.0f}, 1.0f);
    d.drawFrame(frame, scale);
}

void Context::renderCS(const Tolu::Matrix4x4T<double>& frame, const Tolu::Vector4T<float>& color,
                       float weight) {
    Impl& d = impl->symbolPass("renderCS");
    d.uploadHudColors(color, weight);
    d.drawFrame(frame, 1.0f);
}

void Context::renderCS(const Tolu::Matrix4x4T<double>& frame) {
    // The colours the pass has now: white in a mask pass, the highlight's in a HUD pass.
    impl->symbolPass("renderCS").drawFrame(frame, 1.0f);
}

void Context::renderCone(const Tolu::Matrix4x4T<double>& frame,
                         const Tolu::Vector4T<float>& color) {
    Impl& d = impl->symbolPass("renderCone");
    d.uploadHudColors(color, 0.0f);
    d.uploadModel(scaled(frame, d.hudUnits(frame.getTranslation())));
    d.bindSymbols();
    glDrawArrays(GL_TRIANGLES, coneFirst, coneCount);
    glBindVertexArray(0);
}

void Context::renderGrip(const Tolu::Vector3T<double>& pos, const Tolu::Vector4T<float>& front,
                         const Tolu::Vector4T<float>& back) {
    Impl& d = impl->symbolPass("renderGrip");
    // A square in the eye's xy plane through the point, taken back to scene coordinates
    // so that the pass's camera brings it to the screen unchanged.
    const double size = d.hudUnits(pos) * d.viewScale;
    const auto atPoint =
        d.sceneFromEye * Tolu::Matrix4x4T<double>::translation(d.eyeFromScene.transformAffine(pos));
    d.bindSymbols();
    d.uploadHudColors(back, 0.0f);
    d.uploadModel(scaled(atPoint, size));
    glDrawArrays(GL_TRIANGLES, squareFirst, squareCount);
    d.uploadHudColors(front, 0.0f);
    d.uploadModel(scaled(atPoint, size * gripInner));
    glDrawArrays(GL_TRIANGLES, squareFirst, squareCount);
    glBindVertexArray(0);
}

} // namespace Vuro::GL

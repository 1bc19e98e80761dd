#pragma once

#include "Programs.h"
#include "RestoreSteps.h"
#include "Targets.h"

#include <tolu/gl/GLTypes.h>
#include <vuro_gl/gl/Context.h>

#include <array>
#include <string_view>
#include <vector>

namespace Vuro::GL {

/// Size of the square shadow map, in texels.
inline constexpr unsigned shadowMapSize = 1024;
/// Most transparent layers depth peeling keeps (transpMode - 1).
inline constexpr unsigned maxPeelLayers = 16;
/// Widest highlight outline, in pixels: the outline shader looks this far around.
inline constexpr double maxOutlineWidth = 32.0;
/// Largest offscreen target side.
inline constexpr unsigned maxTargetSize = 16384;

/// Converts to the float layout GLSL reads with transpose = GL_TRUE (row-major kept).
inline void toFloats(const Tolu::Matrix4x4T<double>& m, float out[16]) noexcept {
    for (int k = 0; k < 16; ++k) {
        out[k] = static_cast<float>(m.m[k]);
    }
}

struct Context::Impl {
    /// What the following draws feed.
    enum class Pass : unsigned char { None, Shadow, Solid, Hud, Mask };

    std::array<Program, programKindCount> programs{};
    Pass pass = Pass::None;
    Program* current = nullptr; ///< the pass's program, bound by the pass's init
    ProgramKind currentKind = ProgramKind::Solid;

    // Offscreen targets and the objects of the symbols and full-screen draws.
    Target shadowMap;
    Target opaque;
    std::vector<Target> layers;
    Target mask;
    Tolu::GL::GLuint screenVao = 0;
    Tolu::GL::GLuint symbolVao = 0;
    Tolu::GL::GLuint symbolVbo = 0;

    // Solid pass.
    unsigned width = 0;
    unsigned height = 0;
    float viewProj[16] = {};
    Tolu::Vector3T<float> toLight{0.0f, 0.0f, 1.0f};
    DirectionalLight light;
    bool shadows = false;
    bool shadowReady = false; ///< a shadow map was rendered
    float shadowMatrix[16] = {};
    unsigned transpMode = 0;
    bool peeling = false;      ///< initDepthPeeling ran in this solid pass
    unsigned peeledLayers = 0; ///< layers rendered since initDepthPeeling
    Tolu::Vector4T<float> mixColor{0.0f, 0.0f, 0.0f, 0.0f};
    float mix = 0.0f;

    // HUD and mask passes.
    Tolu::Matrix4x4T<double> eyeFromScene; ///< view times the pass's model
    Tolu::Matrix4x4T<double> sceneFromEye;
    Tolu::Matrix4x4T<double> projection;
    double hudSize = 0.0;
    double hudHeight = 1.0;
    double viewScale = 1.0; ///< average scale of eyeFromScene

    // Highlight.
    bool hlReady = false; ///< initHLRender ran; the mask target holds this frame's mask
    Tolu::Vector4T<float> outlineColor;
    float outlineWidth = 0.0f;

    // Uniform values last uploaded to `current`; forgotten whenever it changes.
    bool colorKnown = false;
    float lastColor[4] = {};
    bool modelKnown = false;
    double lastModel[16] = {};

    /// The program of `kind`, built on first use.
    Program& program(ProgramKind kind);
    /// Binds the program of `kind` for pass `next` and forgets the uploaded values.
    void use(ProgramKind kind, Pass next);
    /// Uploads the solid pass's camera, light, shadow and mix to the current program.
    void uploadSolidState();
    /// Pass that the following draws feed, or a `Tolu::Error` naming `operation`.
    void requirePass(std::string_view operation) const {
        if (pass == Pass::None) {
            throwNoPass(operation);
        }
    }
    [[noreturn]] static void throwNoPass(std::string_view operation);
    /// HUD camera of a HUD or mask pass; throws `Tolu::Error` for bad sizes or a
    /// singular view.
    void setHudCamera(std::string_view operation, const Tolu::Matrix4x4T<double>& eyeFromScene,
                      const Tolu::Matrix4x4T<double>& projection, double hudSize, double hudHeight);
    /// Scene units that `hudSize` pixels span at `scenePos`, for the HUD camera; 0 when
    /// the point lies in the eye plane.
    [[nodiscard]] double hudUnits(const Tolu::Vector3T<double>& scenePos) const;
    /// Uploads the model matrix unless it is the one uploaded last.
    void uploadModel(const Tolu::Matrix4x4T<double>& model);
    void uploadHudColors(const Tolu::Vector4T<float>& color, float weight);
    /// The empty vertex array of full-screen triangles, made on first use.
    Tolu::GL::GLuint getScreenVao();
    /// Binds the vertex array of the symbols, made on first use.
    void bindSymbols();
    /// This, when symbols can be drawn now; else throws `Tolu::Error` naming `operation`.
    Impl& symbolPass(std::string_view operation);
    /// Draws the three axes of `frame`, `scale` HUD sizes long, in the current colours.
    void drawFrame(const Tolu::Matrix4x4T<double>& frame, float scale);
    /// Forgets the pass: the following draws need a new init.
    void endPass() noexcept;
    void releaseAll() noexcept;
};

/// Saves the framebuffer binding, viewport and program on entry and puts them back
/// when the scope ends without `commit()` (by an exception), ending the context's pass
/// too: a failed init leaves the caller's target as it was. A failure of the restore
/// itself is dropped only while another one is unwinding (see RestoreSteps).
class PassGuard {
public:
    explicit PassGuard(Context::Impl& impl);
    PassGuard(const PassGuard&) = delete;
    PassGuard& operator=(const PassGuard&) = delete;
    ~PassGuard() noexcept(false);
    void commit() noexcept { done = true; }

private:
    RestoreSteps restore;
    Context::Impl& impl;
    Tolu::GL::GLint framebuffer = 0;
    Tolu::GL::GLint viewport[4] = {};
    Tolu::GL::GLint program = 0;
    bool done = false;
};

/// Saves the depth and blending state a full-screen composition changes and puts it
/// back on every way out; blending is left off when the composition succeeded. Every
/// step of the restore runs; its first failure reaches the caller unless another failure
/// is already unwinding (see RestoreSteps).
class DrawStateGuard {
public:
    DrawStateGuard();
    DrawStateGuard(const DrawStateGuard&) = delete;
    DrawStateGuard& operator=(const DrawStateGuard&) = delete;
    ~DrawStateGuard() noexcept(false);
    void commit() noexcept { done = true; }

private:
    RestoreSteps restore;
    Tolu::GL::GLboolean depthTest = 0;
    Tolu::GL::GLboolean blend = 0;
    Tolu::GL::GLboolean depthMask = 1;
    Tolu::GL::GLint depthFunc = 0;
    Tolu::GL::GLint blendFunc[4] = {};
    bool done = false;
};

/// Binds `texture` to unit `unit`, leaving unit 0 active.
void bindTexture(int unit, Tolu::GL::GLuint texture);

/// Throws `Tolu::Error` "Vuro::GL::Context::<operation>: <what>".
[[noreturn]] void throwBad(std::string_view operation, const std::string& what);

} // namespace Vuro::GL

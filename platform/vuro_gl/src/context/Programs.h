#pragma once

#include <tolu/gl/GLTypes.h>

#include <cstdint>

namespace Vuro::GL {

/// The programs of the render context.
enum class ProgramKind : std::uint8_t {
    Solid,   ///< lit geometry
    Peel,    ///< lit geometry of one depth-peeling layer
    Shadow,  ///< depth into the shadow map
    Hud,     ///< flat overlay lines and symbols
    Mask,    ///< white, into the highlight mask
    Compose, ///< full-screen copy of a colour (and depth) texture
    Outline, ///< full-screen highlight outline around the mask
};
inline constexpr unsigned programKindCount = 7;

/// Texture units the samplers read; fixed when a program is linked.
inline constexpr int shadowMapUnit = 1;
inline constexpr int opaqueDepthUnit = 2;
inline constexpr int prevDepthUnit = 3;
inline constexpr int screenColorUnit = 0;
inline constexpr int screenDepthUnit = 1;

/// A linked program and its uniform locations (-1 where it has no such uniform).
struct Program {
    Tolu::GL::GLuint name = 0;
    Tolu::GL::GLint viewProj = -1;
    Tolu::GL::GLint model = -1;
    Tolu::GL::GLint shadowMatrix = -1;
    Tolu::GL::GLint color = -1;
    Tolu::GL::GLint mixColor = -1;
    Tolu::GL::GLint mix = -1;
    Tolu::GL::GLint lightDir = -1;
    Tolu::GL::GLint lightColor = -1;
    Tolu::GL::GLint ambient = -1;
    Tolu::GL::GLint shadows = -1;
    Tolu::GL::GLint shadowBias = -1;
    Tolu::GL::GLint firstLayer = -1;
    Tolu::GL::GLint weight = -1;
    Tolu::GL::GLint withDepth = -1;
    Tolu::GL::GLint radius = -1;
};

/// Compiles and links the program of `kind`, looks up its uniforms and points its
/// samplers at their units; leaves it current. Throws `Tolu::GL::Error` with the
/// driver's log; on any failure nothing of it is left behind.
[[nodiscard]] Program buildProgram(ProgramKind kind);
/// Deletes the program and forgets it; never throws.
void deleteProgram(Program& program) noexcept;

} // namespace Vuro::GL

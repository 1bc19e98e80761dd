#pragma once

#include <tolu/gl/Export.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace Tolu::GL {

/// One pixel: red, green, blue, alpha.
using Rgba = std::array<std::uint8_t, 4>;

/// An RGBA8 image with row 0 at the TOP, as image files and viewers have it
/// (OpenGL's rows run bottom-up; HeadlessContext::readPixels flips them).
struct TOLU_GL_EXPORT Image {
    ///@{
    /// Size in pixels.
    int width = 0;
    int height = 0;
    ///@}
    std::vector<std::uint8_t> rgba; ///< width * height * 4 bytes, rows top to bottom

    /// The pixel in column `x` of row `y` (0 = top). Throws Error when out of range.
    [[nodiscard]] Rgba at(int x, int y) const;
};

/// Writes `image` as an 8-bit RGBA PNG file. Throws Error naming the path when
/// the image is malformed or the file cannot be written.
TOLU_GL_EXPORT void savePNG(const Image& image, const std::string& path);

/// Reads a PNG file of any colour type as RGBA8. Throws Error naming the path
/// when it cannot be read.
[[nodiscard]] TOLU_GL_EXPORT Image loadPNG(const std::string& path);

} // namespace Tolu::GL

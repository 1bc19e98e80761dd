#pragma once

#include <tolu/gl/Image.h>

#include <source_location>
#include <string>

namespace Tolu::Test {

/// Adds a test failure unless every channel of pixel (x, y) (row 0 at the top)
/// is within `tolerance` of `expected`. The message names the pixel and both
/// colours; the image is saved as failureImagePath() for a look.
void expectPixelNear(const GL::Image& image, int x, int y, GL::Rgba expected, int tolerance,
                     std::source_location where = std::source_location::current());

/// Where a failing test saves its image: "<Suite>.<Test>.png" (parameters'
/// slashes become underscores) in $TOLU_TEST_OUTPUT_DIR, else the working directory.
[[nodiscard]] std::string failureImagePath();

/// Readable form of a colour, like "(255, 0, 0, 255)".
[[nodiscard]] std::string toString(const GL::Rgba& colour);

} // namespace Tolu::Test

#pragma once

#include <tolu/gl/Image.h>

#include <string>

namespace Tolu::Test {

/// Adds a test failure unless every channel of pixel (x, y) (row 0 at the top)
/// is within `tolerance` of `expected`. The message names the pixel and both
/// colours; the image is saved as failureImagePath() for a look. The failure is
/// reported where the call stands (builtins, as not every compiler with C++20 has
/// `std::source_location` yet).
void expectPixelNear(const GL::Image& image, int x, int y, GL::Rgba expected, int tolerance,
                     const char* file = __builtin_FILE(), int line = __builtin_LINE());

/// Where a failing test saves its image: "<Suite>.<Test>.png" (parameters'
/// slashes become underscores) in $TOLU_TEST_OUTPUT_DIR, else the working directory.
[[nodiscard]] std::string failureImagePath();

/// Readable form of a colour, like "(255, 0, 0, 255)".
[[nodiscard]] std::string toString(const GL::Rgba& colour);

} // namespace Tolu::Test

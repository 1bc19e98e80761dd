#include "support/PixelProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <exception>

namespace Tolu::Test {

std::string failureImagePath() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "image";
    std::replace(name.begin(), name.end(), '/', '_');
    const char* dir = std::getenv("TOLU_TEST_OUTPUT_DIR");
    return (dir && *dir ? std::string(dir) + "/" : std::string()) + name + ".png";
}

std::string toString(const GL::Rgba& colour) {
    return "(" + std::to_string(colour[0]) + ", " + std::to_string(colour[1]) + ", " +
           std::to_string(colour[2]) + ", " + std::to_string(colour[3]) + ")";
}

namespace {

std::string saveForInspection(const GL::Image& image) {
    const std::string path = failureImagePath();
    try {
        GL::savePNG(image, path);
        return "image saved as " + path;
    } catch (const std::exception& e) {
        return std::string("image not saved: ") + e.what();
    }
}

} // namespace

void expectPixelNear(const GL::Image& image, int x, int y, GL::Rgba expected, int tolerance,
                     const char* file, int line) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) {
        ADD_FAILURE_AT(file, line) << "pixel (" << x << ", " << y << ") is outside the "
                                   << image.width << "x" << image.height << " image";
        return;
    }
    const GL::Rgba actual = image.at(x, y);
    for (std::size_t c = 0; c < 4; ++c) {
        if (std::abs(int(actual[c]) - int(expected[c])) > tolerance) {
            ADD_FAILURE_AT(file, line) << "pixel (" << x << ", " << y << ") is " << toString(actual)
                                       << ", expected " << toString(expected) << " within "
                                       << tolerance << "; " << saveForInspection(image);
            return;
        }
    }
}

} // namespace Tolu::Test

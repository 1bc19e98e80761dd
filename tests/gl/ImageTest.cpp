#include <tolu/gl/Error.h>
#include <tolu/gl/Image.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using namespace Tolu::GL;

// 3x2, every pixel distinct so that a swapped axis or flipped row shows.
Image makeImage() {
    Image image;
    image.width = 3;
    image.height = 2;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            image.rgba.insert(image.rgba.end(), {std::uint8_t(10 * x), std::uint8_t(100 + y),
                                                 std::uint8_t(x + y), std::uint8_t(200 + x)});
    return image;
}

TEST(ImageTest, PngRoundTripKeepsEveryByteAndAtCountsRowsFromTheTop) {
    const std::string path = ::testing::TempDir() + "tolu_image_roundtrip.png";
    const Image image = makeImage();
    savePNG(image, path);
    const Image back = loadPNG(path);
    std::remove(path.c_str());
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_EQ(back.rgba, image.rgba);
    EXPECT_EQ(back.at(2, 1), (Rgba{20, 101, 3, 202}));
    EXPECT_EQ(back.at(0, 0), (Rgba{0, 100, 0, 200}));
    EXPECT_THROW((void)back.at(3, 0), Error);
    EXPECT_THROW((void)back.at(0, -1), Error);
}

TEST(ImageTest, PngFailuresThrowNamingThePath) {
    Image image = makeImage();
    try {
        savePNG(image, "/nonexistent-dir/out.png");
        FAIL() << "no exception";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent-dir/out.png"), std::string::npos);
    }
    image.rgba.pop_back();
    EXPECT_THROW(savePNG(image, ::testing::TempDir() + "tolu_malformed.png"), Error);
    EXPECT_THROW((void)loadPNG("/nonexistent-dir/in.png"), Error);
}

} // namespace

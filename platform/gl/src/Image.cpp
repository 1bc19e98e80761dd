#include <tolu/gl/Error.h>
#include <tolu/gl/Image.h>

#include <cstring>
#include <png.h>

namespace Tolu::GL {

Rgba Image::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        throw Error("Tolu::GL::Image::at: pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                    ") is outside the " + std::to_string(width) + "x" + std::to_string(height) +
                    " image");
    const std::size_t offset = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(x)) *
                               4;
    return {rgba[offset], rgba[offset + 1], rgba[offset + 2], rgba[offset + 3]};
}

// The simplified libpng API reports failures by return value, so no longjmp
// crosses our frames.
void savePNG(const Image& image, const std::string& path) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgba.size() !=
            static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4)
        throw Error("Tolu::GL::savePNG: malformed " + std::to_string(image.width) + "x" +
                    std::to_string(image.height) + " image with " +
                    std::to_string(image.rgba.size()) + " bytes for " + path);
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&png, path.c_str(), 0, image.rgba.data(), 0, nullptr)) {
        const std::string reason = png.message;
        png_image_free(&png);
        throw Error("Tolu::GL::savePNG: cannot write " + path + ": " + reason);
    }
}

Image loadPNG(const std::string& path) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        throw Error("Tolu::GL::loadPNG: cannot read " + path + ": " + png.message);
    png.format = PNG_FORMAT_RGBA;
    Image image;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.rgba.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
        const std::string reason = png.message;
        png_image_free(&png);
        throw Error("Tolu::GL::loadPNG: cannot read " + path + ": " + reason);
    }
    return image;
}

} // namespace Tolu::GL

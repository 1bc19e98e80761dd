#pragma once

#include <tolu/gl/GLTypes.h>
#include <tolu/math3d/Vector4T.h>

#include <string_view>
#include <vector>

namespace SimGLViewer {

/// Lines of text and boxes drawn over a frame in pixels (counted from the top left), with
/// a tiny built-in 5x7 font (with descenders) for printable ASCII; other characters show as `?`.
/// Make, use and destroy it while its OpenGL context is current.
class TextOverlay {
public:
    using C4 = Tolu::Vector4T<float>;

    /// Screen pixels per font pixel.
    static constexpr int scale = 2;
    static constexpr int charWidth = 6 * scale; ///< advance from one character to the next
    static constexpr int lineHeight = 10 * scale;

    TextOverlay() = default;
    ~TextOverlay();
    TextOverlay(const TextOverlay&) = delete;
    TextOverlay& operator=(const TextOverlay&) = delete;

    /// Forgets what was added since the last draw.
    void clear() noexcept { vertices.clear(); }
    /// A filled box; alpha below one blends it over the frame.
    void addBox(int x, int y, int width, int height, const C4& colour);
    /// One line of text whose top left corner is at (`x`, `y`).
    void addText(int x, int y, std::string_view text, const C4& colour);
    /// Draws what was added into the framebuffer bound for drawing, of `width` x `height`
    /// pixels, and clears it. Puts back every piece of OpenGL state it changes. Throws
    /// Tolu::GL::Error when its shaders do not build.
    void draw(int width, int height);

    [[nodiscard]] static int textWidth(std::string_view text) noexcept {
        return int(text.size()) * charWidth;
    }

private:
    void addQuad(float x0, float y0, float x1, float y1, const C4& colour);
    void makeObjects();

    // x, y, r, g, b, a per vertex; two triangles per quad.
    std::vector<float> vertices;
    Tolu::GL::GLuint program = 0;
    Tolu::GL::GLuint vertexArray = 0;
    Tolu::GL::GLuint buffer = 0;
    Tolu::GL::GLint viewportLocation = -1;
};

} // namespace SimGLViewer

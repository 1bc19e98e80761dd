#include "TextOverlay.h"

#include <tolu/gl/Error.h>
#include <tolu/gl/Functions.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>

#include <array>
#include <cstdint>
#include <string>

namespace SimGLViewer {

using namespace Tolu::GL;

namespace {

// Printable ASCII from ' ' to '~', five columns a character, bit 0 the top row; rows 0-6
// hold the letters, row 7 the descenders of g, j, p, q and y.
constexpr std::uint8_t font[95][5] = {
    {0x00, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x5F, 0x00, 0x00}, {0x00, 0x07, 0x00, 0x07, 0x00},
    {0x14, 0x7F, 0x14, 0x7F, 0x14}, {0x24, 0x2A, 0x7F, 0x2A, 0x12}, {0x23, 0x13, 0x08, 0x64, 0x62},
    {0x36, 0x49, 0x55, 0x22, 0x50}, {0x00, 0x05, 0x03, 0x00, 0x00}, {0x00, 0x1C, 0x22, 0x41, 0x00},
    {0x00, 0x41, 0x22, 0x1C, 0x00}, {0x08, 0x2A, 0x1C, 0x2A, 0x08}, {0x08, 0x08, 0x3E, 0x08, 0x08},
    {0x00, 0x50, 0x30, 0x00, 0x00}, {0x08, 0x08, 0x08, 0x08, 0x08}, {0x00, 0x60, 0x60, 0x00, 0x00},
    {0x20, 0x10, 0x08, 0x04, 0x02}, {0x3E, 0x51, 0x49, 0x45, 0x3E}, {0x00, 0x42, 0x7F, 0x40, 0x00},
    {0x42, 0x61, 0x51, 0x49, 0x46}, {0x21, 0x41, 0x45, 0x4B, 0x31}, {0x18, 0x14, 0x12, 0x7F, 0x10},
    {0x27, 0x45, 0x45, 0x45, 0x39}, {0x3C, 0x4A, 0x49, 0x49, 0x30}, {0x01, 0x71, 0x09, 0x05, 0x03},
    {0x36, 0x49, 0x49, 0x49, 0x36}, {0x06, 0x49, 0x49, 0x29, 0x1E}, {0x00, 0x36, 0x36, 0x00, 0x00},
    {0x00, 0x56, 0x36, 0x00, 0x00}, {0x08, 0x14, 0x22, 0x41, 0x00}, {0x14, 0x14, 0x14, 0x14, 0x14},
    {0x00, 0x41, 0x22, 0x14, 0x08}, {0x02, 0x01, 0x51, 0x09, 0x06}, {0x32, 0x49, 0x79, 0x41, 0x3E},
    {0x7E, 0x11, 0x11, 0x11, 0x7E}, {0x7F, 0x49, 0x49, 0x49, 0x36}, {0x3E, 0x41, 0x41, 0x41, 0x22},
    {0x7F, 0x41, 0x41, 0x22, 0x1C}, {0x7F, 0x49, 0x49, 0x49, 0x41}, {0x7F, 0x09, 0x09, 0x09, 0x01},
    {0x3E, 0x41, 0x49, 0x49, 0x7A}, {0x7F, 0x08, 0x08, 0x08, 0x7F}, {0x00, 0x41, 0x7F, 0x41, 0x00},
    {0x20, 0x40, 0x41, 0x3F, 0x01}, {0x7F, 0x08, 0x14, 0x22, 0x41}, {0x7F, 0x40, 0x40, 0x40, 0x40},
    {0x7F, 0x02, 0x0C, 0x02, 0x7F}, {0x7F, 0x04, 0x08, 0x10, 0x7F}, {0x3E, 0x41, 0x41, 0x41, 0x3E},
    {0x7F, 0x09, 0x09, 0x09, 0x06}, {0x3E, 0x41, 0x51, 0x21, 0x5E}, {0x7F, 0x09, 0x19, 0x29, 0x46},
    {0x46, 0x49, 0x49, 0x49, 0x31}, {0x01, 0x01, 0x7F, 0x01, 0x01}, {0x3F, 0x40, 0x40, 0x40, 0x3F},
    {0x1F, 0x20, 0x40, 0x20, 0x1F}, {0x3F, 0x40, 0x38, 0x40, 0x3F}, {0x63, 0x14, 0x08, 0x14, 0x63},
    {0x07, 0x08, 0x70, 0x08, 0x07}, {0x61, 0x51, 0x49, 0x45, 0x43}, {0x00, 0x7F, 0x41, 0x41, 0x00},
    {0x02, 0x04, 0x08, 0x10, 0x20}, {0x00, 0x41, 0x41, 0x7F, 0x00}, {0x04, 0x02, 0x01, 0x02, 0x04},
    {0x40, 0x40, 0x40, 0x40, 0x40}, {0x00, 0x01, 0x02, 0x04, 0x00}, {0x20, 0x54, 0x54, 0x54, 0x78},
    {0x7F, 0x48, 0x44, 0x44, 0x38}, {0x38, 0x44, 0x44, 0x44, 0x20}, {0x38, 0x44, 0x44, 0x48, 0x7F},
    {0x38, 0x54, 0x54, 0x54, 0x18}, {0x08, 0x7E, 0x09, 0x01, 0x02}, {0x18, 0xA4, 0xA4, 0xA4, 0x7C},
    {0x7F, 0x08, 0x04, 0x04, 0x78}, {0x00, 0x44, 0x7D, 0x40, 0x00}, {0x40, 0x80, 0x84, 0x7D, 0x00},
    {0x7F, 0x10, 0x28, 0x44, 0x00}, {0x00, 0x41, 0x7F, 0x40, 0x00}, {0x7C, 0x04, 0x18, 0x04, 0x78},
    {0x7C, 0x08, 0x04, 0x04, 0x78}, {0x38, 0x44, 0x44, 0x44, 0x38}, {0xFC, 0x24, 0x24, 0x24, 0x18},
    {0x18, 0x24, 0x24, 0x18, 0xFC}, {0x7C, 0x08, 0x04, 0x04, 0x08}, {0x48, 0x54, 0x54, 0x54, 0x20},
    {0x04, 0x3F, 0x44, 0x40, 0x20}, {0x3C, 0x40, 0x40, 0x20, 0x7C}, {0x1C, 0x20, 0x40, 0x20, 0x1C},
    {0x3C, 0x40, 0x30, 0x40, 0x3C}, {0x44, 0x28, 0x10, 0x28, 0x44}, {0x1C, 0xA0, 0xA0, 0xA0, 0x7C},
    {0x44, 0x64, 0x54, 0x4C, 0x44}, {0x00, 0x08, 0x36, 0x41, 0x00}, {0x00, 0x00, 0x7F, 0x00, 0x00},
    {0x00, 0x41, 0x36, 0x08, 0x00}, {0x08, 0x04, 0x08, 0x10, 0x08},
};

constexpr const char* vertexSource = R"(#version 330 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec4 colour;
uniform vec2 viewport;
out vec4 vColour;
void main() {
    gl_Position = vec4(position.x / viewport.x * 2.0 - 1.0, 1.0 - position.y / viewport.y * 2.0,
                       0.0, 1.0);
    vColour = colour;
}
)";

constexpr const char* fragmentSource = R"(#version 330 core
in vec4 vColour;
layout(location = 0) out vec4 fragColour;
void main() { fragColour = vColour; }
)";

constexpr int floatsPerVertex = 6;

GLuint compile(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        std::array<char, 512> log{};
        glGetShaderInfoLog(shader, GLsizei(log.size()), nullptr, log.data());
        glDeleteShader(shader);
        throw Error(std::string("TextOverlay: shader does not compile: ") + log.data());
    }
    return shader;
}

// What draw() changes, put back on every way out.
class StateGuard {
public:
    StateGuard() {
        for (std::size_t i = 0; i < caps.size(); ++i) {
            enabled[i] = glIsEnabled(caps[i]);
        }
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
        glGetIntegerv(GL_BLEND_SRC_RGB, &blend[0]);
        glGetIntegerv(GL_BLEND_DST_RGB, &blend[1]);
        glGetIntegerv(GL_BLEND_SRC_ALPHA, &blend[2]);
        glGetIntegerv(GL_BLEND_DST_ALPHA, &blend[3]);
        glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation[0]);
        glGetIntegerv(GL_BLEND_EQUATION_ALPHA, &equation[1]);
        glGetIntegerv(GL_VIEWPORT, viewport.data());
    }
    ~StateGuard() {
        for (std::size_t i = 0; i < caps.size(); ++i) {
            if (enabled[i]) {
                glEnable(caps[i]);
            } else {
                glDisable(caps[i]);
            }
        }
        glUseProgram(GLuint(program));
        glBindVertexArray(GLuint(vertexArray));
        glBindBuffer(GL_ARRAY_BUFFER, GLuint(arrayBuffer));
        glBlendFuncSeparate(GLenum(blend[0]), GLenum(blend[1]), GLenum(blend[2]), GLenum(blend[3]));
        glBlendEquationSeparate(GLenum(equation[0]), GLenum(equation[1]));
        glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    }
    StateGuard(const StateGuard&) = delete;
    StateGuard& operator=(const StateGuard&) = delete;

private:
    static constexpr std::array<GLenum, 5> caps{GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE,
                                                GL_STENCIL_TEST, GL_SCISSOR_TEST};
    std::array<GLboolean, caps.size()> enabled{};
    GLint program = 0;
    GLint vertexArray = 0;
    GLint arrayBuffer = 0;
    std::array<GLint, 4> blend{};
    std::array<GLint, 2> equation{};
    std::array<GLint, 4> viewport{};
};

} // namespace

TextOverlay::~TextOverlay() {
    // Without a loaded table the context is gone, and its objects with it.
    if (isInited()) {
        glDeleteBuffers(1, &buffer);
        glDeleteVertexArrays(1, &vertexArray);
        glDeleteProgram(program);
    }
}

void TextOverlay::addBox(int x, int y, int width, int height, const C4& colour) {
    addQuad(float(x), float(y), float(x + width), float(y + height), colour);
}

void TextOverlay::addText(int x, int y, std::string_view text, const C4& colour) {
    for (const char c : text) {
        const int glyph = c >= ' ' && c <= '~' ? c - ' ' : '?' - ' ';
        for (int column = 0; column < 5; ++column) {
            const unsigned bits = font[glyph][column];
            for (int row = 0; row < 8; ++row) {
                if (bits & (1u << unsigned(row))) {
                    const float px = float(x + column * scale);
                    const float py = float(y + row * scale);
                    addQuad(px, py, px + scale, py + scale, colour);
                }
            }
        }
        x += charWidth;
    }
}

void TextOverlay::addQuad(float x0, float y0, float x1, float y1, const C4& colour) {
    for (const auto& [x, y] : {std::array{x0, y0}, std::array{x1, y0}, std::array{x1, y1},
                               std::array{x0, y0}, std::array{x1, y1}, std::array{x0, y1}}) {
        vertices.insert(vertices.end(), {x, y, colour.x, colour.y, colour.z, colour.w});
    }
}

void TextOverlay::makeObjects() {
    const GLuint vertexShader = compile(GL_VERTEX_SHADER, vertexSource);
    GLuint fragmentShader = 0;
    try {
        fragmentShader = compile(GL_FRAGMENT_SHADER, fragmentSource);
    } catch (...) {
        glDeleteShader(vertexShader);
        throw;
    }
    program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);
    // The program keeps what it linked.
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        glDeleteProgram(program);
        program = 0;
        throw Error("TextOverlay: shaders do not link");
    }
    viewportLocation = glGetUniformLocation(program, "viewport");
    glGenVertexArrays(1, &vertexArray);
    glGenBuffers(1, &buffer);
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const auto stride = GLsizei(floatsPerVertex * sizeof(float));
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(2 * sizeof(float)));
}

void TextOverlay::draw(int width, int height) {
    if (vertices.empty()) {
        return;
    }
    StateGuard guard;
    if (program == 0) {
        makeObjects();
    }
    glViewport(0, 0, width, height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_SCISSOR_TEST);
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glBlendEquationSeparate(GL_FUNC_ADD, GL_FUNC_ADD);
    glUseProgram(program);
    glUniform2f(viewportLocation, float(width), float(height));
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(float)), vertices.data(),
                 GL_STREAM_DRAW);
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(vertices.size() / floatsPerVertex));
    vertices.clear();
}

} // namespace SimGLViewer

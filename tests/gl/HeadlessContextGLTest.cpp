#include "support/GLContextTest.h"
#include "support/PixelProbe.h"

#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/HeadlessContext.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace Tolu::GL;
using Tolu::Test::expectPixelNear;

// llvmpipe rounds exactly; a little slack keeps other drivers passing.
constexpr int kTolerance = 2;

class HeadlessContextGLTest : public Tolu::Test::GLContextTest {};

TEST_F(HeadlessContextGLTest, ClearFillsTheWholeFramebuffer) {
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const Image image = context().readPixels();
    ASSERT_EQ(image.width, kWidth);
    ASSERT_EQ(image.height, kHeight);
    expectPixelNear(image, 0, 0, {0, 0, 255, 255}, kTolerance);
    expectPixelNear(image, kWidth - 1, kHeight - 1, {0, 0, 255, 255}, kTolerance);
}

TEST_F(HeadlessContextGLTest, ReadPixelsPutsTheBottomOfTheViewportAtTheLastRow) {
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, kWidth, 8); // OpenGL rows 0..7: the bottom
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    const Image image = context().readPixels();
    expectPixelNear(image, 5, kHeight - 1, {255, 0, 0, 255}, kTolerance);
    expectPixelNear(image, 5, 0, {0, 0, 255, 255}, kTolerance);
}

TEST_F(HeadlessContextGLTest, TriangleCoversItsInsideAndLeavesTheRestClear) {
    const GLuint program = buildProgram(R"(#version 330 core
layout(location = 0) in vec2 position;
void main() { gl_Position = vec4(position, 0.0, 1.0); })",
                                        R"(#version 330 core
out vec4 colour;
void main() { colour = vec4(1.0, 0.5, 0.0, 1.0); })");
    // Lower-left half of the viewport, below the diagonal.
    const GLfloat corners[] = {-1.0f, -1.0f, 1.0f, -1.0f, -1.0f, 1.0f};
    GLuint vao = 0;
    GLuint vbo = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(0);

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glUseProgram(program);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glUseProgram(0);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDeleteBuffers(1, &vbo);
    glDeleteVertexArrays(1, &vao);
    glDeleteProgram(program);

    const Image image = context().readPixels();
    expectPixelNear(image, 8, kHeight - 8, {255, 128, 0, 255}, kTolerance); // bottom left
    expectPixelNear(image, kWidth - 8, 8, {0, 0, 0, 255}, kTolerance);      // top right
}

TEST_F(HeadlessContextGLTest, ReadPixelsRestoresReadFramebufferAndPackAlignment) {
    GLuint other = 0;
    glGenFramebuffers(1, &other);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, other);
    glPixelStorei(GL_PACK_ALIGNMENT, 8);

    (void)context().readPixels();

    GLint binding = 0;
    GLint alignment = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &binding);
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    EXPECT_EQ(binding, static_cast<GLint>(other));
    EXPECT_EQ(alignment, 8);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glBindFramebuffer(GL_FRAMEBUFFER, context().getFramebuffer());
    glDeleteFramebuffers(1, &other);
}

TEST_F(HeadlessContextGLTest, SavedPngReadsBackAsRendered) {
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const Image image = context().readPixels();
    const std::string path = ::testing::TempDir() + "tolu_headless_context.png";
    savePNG(image, path);
    const Image back = loadPNG(path);
    std::remove(path.c_str());
    EXPECT_EQ(back.rgba, image.rgba);
}

TEST(HeadlessContextLifetimeTest, TableStaysLoadedUntilTheLastContextGoes) {
    EXPECT_FALSE(isInited());
    {
        HeadlessContext first(8, 8);
        {
            HeadlessContext second(8, 8);
            EXPECT_TRUE(second.isCurrent());
            EXPECT_FALSE(first.isCurrent());
        }
        EXPECT_TRUE(isInited());
        first.makeCurrent();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_THROW((void)HeadlessContext(0, 8), Error);
    }
    EXPECT_FALSE(isInited());
}

} // namespace

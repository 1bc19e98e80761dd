#include "support/GLContextTest.h"
#include "support/PixelProbe.h"

#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/HeadlessContext.h>

#include <gtest/gtest.h>

namespace {

using namespace Tolu::GL;
using Tolu::Test::expectPixelNear;

// llvmpipe rounds exactly; a little slack keeps other drivers passing.
constexpr int kTolerance = 2;

class HeadlessContextGLTest : public Tolu::Test::GLContextTest {};

TEST_F(HeadlessContextGLTest, ReadPixelsPutsTheBottomOfTheViewportAtTheLastRow) {
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, kWidth, 8); // OpenGL rows 0..7: the bottom
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    const Image image = context().readPixels();
    ASSERT_EQ(image.width, kWidth);
    ASSERT_EQ(image.height, kHeight);
    expectPixelNear(image, 5, kHeight - 1, {255, 0, 0, 255}, kTolerance);
    expectPixelNear(image, 5, 0, {0, 0, 255, 255}, kTolerance);
    expectPixelNear(image, kWidth - 1, 8, {0, 0, 255, 255}, kTolerance);
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

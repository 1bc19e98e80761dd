#include "support/GLContextTest.h"
#include "support/PixelProbe.h"

#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/BodyProto.h>

#include <gtest/gtest.h>

namespace {

using namespace Tolu::GL;
using Tolu::Test::expectPixelNear;

// llvmpipe rounds exactly; a little slack keeps other drivers passing.
constexpr int kTolerance = 2;

class GLBodyProtoGLTest : public Tolu::Test::GLContextTest {};

// Identity transform: the unit box covers the middle half of the viewport. The colour is
// scaled by the normal's z, so a face seen from behind (wrong winding) or a normal read
// from the wrong offset shows up dark.
TEST_F(GLBodyProtoGLTest, UploadedBoxDrawsItsFrontFaceInTheMiddleOnly) {
    const GLuint program = buildProgram(R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
out float facing;
void main() { facing = normal.z; gl_Position = vec4(position, 1.0); })",
                                        R"(#version 330 core
uniform vec4 colour;
in float facing;
out vec4 fragColour;
void main() { fragColour = vec4(colour.rgb * max(facing, 0.0), colour.a); })");
    auto model = Vuro::makeBox({1, 1, 1}, {1.0f, 0.5f, 0.0f, 1.0f});
    {
        auto proto = Tolu::makeRef<Vuro::GL::BodyProto>(*model);
        Vuro::GL::GPrim& prim = proto->getGLTris()[0][0];

        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_CULL_FACE);
        glUseProgram(program);
        const auto& c = prim.getGLGState()->getColor();
        glUniform4f(glGetUniformLocation(program, "colour"), c.x, c.y, c.z, c.w);
        prim.updateGL(proto->getGLVBOs()[0]);
        prim.drawGL(GL_TRIANGLES);

        GLint arrayBuffer = -1;
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
        EXPECT_EQ(arrayBuffer, 0) << "filling put the array-buffer binding back";
        glBindVertexArray(0);
        glUseProgram(0);
        glDisable(GL_CULL_FACE);
    } // the prototype deletes its buffer and vertex array here
    glDeleteProgram(program);

    const Image image = context().readPixels();
    expectPixelNear(image, kWidth / 2, kHeight / 2, {255, 128, 0, 255}, kTolerance);
    expectPixelNear(image, 2, 2, {0, 0, 255, 255}, kTolerance);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace

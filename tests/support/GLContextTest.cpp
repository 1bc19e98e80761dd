#include "support/GLContextTest.h"

#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>

#include <string>

namespace Tolu::Test {

using namespace Tolu::GL;

std::unique_ptr<HeadlessContext> GLContextTest::context_;
std::string GLContextTest::openError_;

void GLContextTest::SetUpTestSuite() {
    try {
        context_ = std::make_unique<HeadlessContext>(kWidth, kHeight);
    } catch (const std::exception& e) {
        // Reported by every test of the suite rather than lost here.
        openError_ = e.what();
    }
}

void GLContextTest::TearDownTestSuite() {
    context_.reset();
}

void GLContextTest::SetUp() {
    ASSERT_TRUE(context_) << "no headless OpenGL context: " << openError_;
    context_->makeCurrent();
    // An error left by an earlier test was reported there; start clean.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

void GLContextTest::TearDown() {
    if (context_) {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "the test left a GL error";
    }
}

namespace {

GLuint compile(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        glDeleteShader(shader);
        throw GL::Error(std::string("shader does not compile: ") + log);
    }
    return shader;
}

} // namespace

GLuint GLContextTest::buildProgram(const char* vertexSource, const char* fragmentSource) {
    const GLuint vertex = compile(GL_VERTEX_SHADER, vertexSource);
    GLuint fragment = 0;
    try {
        fragment = compile(GL_FRAGMENT_SHADER, fragmentSource);
    } catch (...) {
        glDeleteShader(vertex);
        throw;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    // Flagged for deletion; they go with the program.
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        glDeleteProgram(program);
        throw GL::Error(std::string("program does not link: ") + log);
    }
    return program;
}

} // namespace Tolu::Test

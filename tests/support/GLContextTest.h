#pragma once

#include <tolu/gl/GLTypes.h>
#include <tolu/gl/HeadlessContext.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace Tolu::Test {

/// Fixture for tests against real OpenGL: one kWidth x kHeight headless
/// context per suite, current in every test, its framebuffer bound. A test
/// fails when it leaves glGetError() != 0, or when no context could be opened.
class GLContextTest : public ::testing::Test {
public:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 64;

    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    void TearDown() override;

    [[nodiscard]] static GL::HeadlessContext& context() { return *context_; }

    /// Compiles and links a program from GLSL sources; throws GL::Error with
    /// the info log on failure. The caller deletes it.
    [[nodiscard]] static GL::GLuint buildProgram(const char* vertexSource,
                                                 const char* fragmentSource);

private:
    static std::unique_ptr<GL::HeadlessContext> context_;
    static std::string openError_;
};

} // namespace Tolu::Test

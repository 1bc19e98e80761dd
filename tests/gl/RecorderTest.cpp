#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/NoOpFunctions.h>
#include <tolu/gl/Recorder.h>
#include <tolu/gl/ScopedFunctions.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace Tolu::GL;

class RecorderTest : public ::testing::Test {
protected:
    Recorder recorder;
    ScopedFunctions guard{recorder.getTable()};
};

TEST_F(RecorderTest, LogsNamesAndArgumentsInCallOrder) {
    glBindBuffer(GL_ARRAY_BUFFER, 5);
    glClearColor(0.25f, 0.5f, 1.0f, 0.1f);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 24, reinterpret_cast<const void*>(12));
    glUniform1i(glGetUniformLocation(3, "uColor"), 2);

    const auto& calls = recorder.calls();
    ASSERT_EQ(calls.size(), 5u) << recorder.str();
    EXPECT_EQ(calls[0].str(), "glBindBuffer(34962, 5)");
    EXPECT_EQ(calls[1].str(), "glClearColor(0.25, 0.5, 1, 0.100000001)");
    EXPECT_EQ(calls[2].args, (std::vector<double>{0, 3, GL_FLOAT, 0, 24, 12}));
    EXPECT_EQ(calls[2].text[5], "0xc");
    EXPECT_EQ(calls[3].str(), "glGetUniformLocation(3, \"uColor\")");
    EXPECT_EQ(calls[4].name, "glUniform1i");
    EXPECT_EQ(recorder.count("glBindBuffer"), 1u);
}

TEST_F(RecorderTest, FakesStateTheCodeUnderTestReadsBack) {
    GLuint first = 0;
    GLuint second = 0;
    glGenTextures(1, &first);
    glGenFramebuffers(1, &second);
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);

    EXPECT_EQ(glGetUniformLocation(1, "a"), 0);
    EXPECT_EQ(glGetUniformLocation(1, "b"), 1);
    EXPECT_EQ(glGetUniformLocation(1, "a"), 0);

    glEnable(GL_BLEND);
    EXPECT_EQ(glIsEnabled(GL_BLEND), GL_TRUE);
    glDisable(GL_BLEND);
    EXPECT_EQ(glIsEnabled(GL_BLEND), GL_FALSE);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    recorder.setMapBufferFails(true);
    EXPECT_EQ(glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY), nullptr);
}

TEST_F(RecorderTest, ThrowsOnceAtTheNthCallAfterLoggingItAndResetForgetsEverything) {
    recorder.throwAt(2);
    glEnable(GL_DEPTH_TEST);
    try {
        glDepthFunc(GL_LEQUAL);
        FAIL() << "no exception";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("glDepthFunc"), std::string::npos) << e.what();
    }
    glDepthMask(GL_FALSE);
    EXPECT_EQ(recorder.names(),
              (std::vector<std::string>{"glEnable", "glDepthFunc", "glDepthMask"}));

    // The log, an armed fault, the enabled capabilities and the fake names all go.
    GLuint name = 0;
    glGenBuffers(1, &name);
    recorder.throwAt(6);
    recorder.reset();
    EXPECT_TRUE(recorder.calls().empty());
    EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), GL_FALSE);
    GLuint again = 0;
    glGenBuffers(1, &again);
    EXPECT_EQ(again, name);
    for (int i = 0; i < 4; ++i)
        EXPECT_NO_THROW(glFlush());
}

// Forwarded to another table (here the no-op one), the calls are logged and can fail, and
// the census follows what reached that table.
TEST_F(RecorderTest, ForwardsToAnotherTableAndCountsTheObjectsMadeThere) {
    NoOpFunctions target;
    recorder.forwardTo(&target.getTable());
    GLuint buffers[2] = {};
    glGenBuffers(2, buffers);
    const GLuint shader = glCreateShader(GL_VERTEX_SHADER);
    glEnable(GL_BLEND); // reaches the no-op table, which remembers nothing
    EXPECT_EQ(glIsEnabled(GL_BLEND), GL_FALSE);
    EXPECT_EQ(recorder.liveObjects(),
              (std::vector<std::string>{"buffer " + std::to_string(buffers[0]),
                                        "buffer " + std::to_string(buffers[1]),
                                        "shader " + std::to_string(shader)}));

    recorder.throwAt(recorder.calls().size() + 1);
    EXPECT_THROW(glDeleteBuffers(2, buffers), Error);
    EXPECT_EQ(recorder.liveObjects().size(), 3u);
    glDeleteBuffers(2, buffers);
    glDeleteShader(shader);
    EXPECT_TRUE(recorder.liveObjects().empty());
    EXPECT_EQ(recorder.count("glDeleteBuffers"), 2u);
    recorder.forwardTo(nullptr);
}

TEST(RecorderLifetimeTest, InnerRecorderReceivesCallsUntilDestroyed) {
    Recorder outer;
    ScopedFunctions guard(outer.getTable());
    {
        Recorder inner;
        glFinish();
        EXPECT_EQ(inner.count("glFinish"), 1u);
    }
    glFinish();
    EXPECT_EQ(outer.count("glFinish"), 1u);
}

} // namespace

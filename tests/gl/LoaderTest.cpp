#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/NoOpFunctions.h>
#include <tolu/gl/Recorder.h>
#include <tolu/gl/ScopedFunctions.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace Tolu::GL;

GLenum fakeGetError() {
    return GL_INVALID_ENUM;
}
void anyEntry() {}

// Resolves every name, glGetError to fakeGetError; names nothing else answers.
ProcAddress resolveAll(const char* name) {
    return std::strcmp(name, "glGetError") == 0 ? reinterpret_cast<ProcAddress>(&fakeGetError)
                                                : &anyEntry;
}

class LoaderTest : public ::testing::Test {
protected:
    void TearDown() override { unload(); }
};

TEST_F(LoaderTest, LoadRoutesWrappersToResolvedEntriesAndUnloadStopsThem) {
    EXPECT_FALSE(isInited());
    try {
        glBindBuffer(GL_ARRAY_BUFFER, 1);
        FAIL() << "no exception before load";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("glBindBuffer"), std::string::npos) << e.what();
    }
    load(&resolveAll);
    EXPECT_TRUE(isInited());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM));
    unload();
    EXPECT_FALSE(isInited());
    EXPECT_THROW((void)glGetError(), Error);
}

TEST_F(LoaderTest, MissingEntryPointThrowsNamingItAndKeepsCurrentTable) {
    const Functions* before = &functions();
    auto resolver = [](const char* name) -> ProcAddress {
        return std::strcmp(name, "glBlitFramebuffer") == 0 ? nullptr : &anyEntry;
    };
    try {
        load(resolver);
        FAIL() << "no exception";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("glBlitFramebuffer"), std::string::npos);
    }
    EXPECT_FALSE(isInited());
    EXPECT_EQ(&functions(), before);
    EXPECT_THROW(load(ProcAddressResolver{}), Error);
}

TEST(ScopedFunctionsTest, RestoresPreviousTableAndInitedOnEveryWayOut) {
    NoOpFunctions noOp;
    Recorder recorder;
    const Functions* outer = &functions();
    {
        ScopedFunctions first(noOp.getTable());
        EXPECT_TRUE(isInited());
        try {
            ScopedFunctions second(recorder.getTable(), false);
            EXPECT_FALSE(isInited());
            glClear(GL_COLOR_BUFFER_BIT);
            throw std::runtime_error("leaving by exception");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(&functions(), &noOp.getTable());
        EXPECT_TRUE(isInited());
        glClear(GL_COLOR_BUFFER_BIT); // goes to the no-op table, not the recorder
    }
    EXPECT_EQ(&functions(), outer);
    EXPECT_FALSE(isInited());
    EXPECT_EQ(recorder.names(), std::vector<std::string>{"glClear"});
}

TEST(NoOpFunctionsTest, AnswersSoThatSetUpCodeTakesItsNormalPath) {
    NoOpFunctions noOp;
    ScopedFunctions guard(noOp.getTable());
    GLuint names[3] = {};
    glGenBuffers(3, names);
    EXPECT_EQ(names[0], 1u);
    EXPECT_EQ(names[2], 3u);
    EXPECT_EQ(glCreateProgram(), 4u);
    GLint status = GL_FALSE;
    glGetShaderiv(1, GL_COMPILE_STATUS, &status);
    EXPECT_EQ(status, GL_TRUE);
    GLint viewport[4] = {7, 7, 7, 7};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 0);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER),
              static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));

    glBufferData(GL_ARRAY_BUFFER, 100000, nullptr, GL_DYNAMIC_DRAW);
    auto* mapped = static_cast<unsigned char*>(glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY));
    ASSERT_NE(mapped, nullptr);
    std::memset(mapped, 1, 100000); // the sanitizers check the size
    EXPECT_EQ(glUnmapBuffer(GL_ARRAY_BUFFER), GL_TRUE);
    noOp.setMapBufferFails(true);
    EXPECT_EQ(glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY), nullptr);
}

} // namespace

#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/gl/Recorder.h>
#include <tolu/gl/ScopedFunctions.h>
#include <tolu/util/Error.h>
#include <vuro_gl/gl/Context.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Tolu::Matrix4x4T;
using Vuro::GL::Context;
using M4 = Matrix4x4T<double>;

const Vuro::GL::DirectionalLight light;
const Tolu::Vector4T<float> orange{1.0f, 0.5f, 0.0f, 1.0f};

void startSolid(Context& c, unsigned transpMode = 0, bool shadows = false) {
    c.initSolidRender(64, 64, M4(), M4(), M4(), light, shadows, transpMode, Vuro::GL::HLModeNone,
                      orange, 0.0f);
}

// One frame through every pass, so that every program, target and array gets made.
void fullFrame(Context& c) {
    const auto state = Tolu::makeRef<Vuro::GL::GState>();
    c.initShadowRender({0, 0, -1}, {{0, 0, 0}, 2.0});
    c.applyMats(M4::translation({1, 0, 0}));
    startSolid(c, 3, true);
    c.initDepthPeeling();
    c.applyGState(state, 1.0f);
    c.initDepthPeelingLayer(1);
    c.applyGState(state, 0.5f);
    c.initDepthPeelingLayer(2);
    c.renderDepthPeeling(0);
    c.initHUDRender(M4(), M4(), M4(), 20.0, 64.0, Vuro::GL::HLModeNone, orange);
    c.renderCS(M4(), 1.0f);
    c.renderGrip({0, 0, 0}, orange, orange);
    c.initHLRender(64, 64, orange, 2.0);
    c.initHLRenderMask(M4(), M4(), M4(), 20.0, 64.0, Vuro::GL::HLMode0);
    c.renderCone(M4(), orange);
    c.renderHL(0);
}

class ContextTest : public ::testing::Test {
protected:
    Tolu::GL::Recorder gl;
    Tolu::GL::ScopedFunctions scoped{gl.getTable()};
    Context context;
};

TEST_F(ContextTest, MaterialAndModelMatrixAreUploadedOnlyWhenTheyChange) {
    startSolid(context);
    const auto state = Tolu::makeRef<Vuro::GL::GState>(Tolu::Vector4T<float>{1, 0, 0, 0.8f});
    gl.reset();
    context.applyGState(state, 1.0f);
    context.applyGState(state, 1.0f);
    EXPECT_EQ(gl.count("glUniform4f"), 1u) << gl.str();
    context.applyGState(state, 0.5f);
    ASSERT_EQ(gl.count("glUniform4f"), 2u);
    EXPECT_FLOAT_EQ(float(gl.calls().back().args[4]), 0.4f) << "alphas multiply";
    state->setColor({0, 1, 0, 0.8f});
    context.applyGState(state, 0.5f);
    EXPECT_EQ(gl.count("glUniform4f"), 3u) << "a changed material under the same state";

    context.applyMats(M4::translation({1, 2, 3}));
    context.applyMats(M4::translation({1, 2, 3}));
    ASSERT_EQ(gl.count("glUniformMatrix4fv"), 1u) << gl.str();
    EXPECT_EQ(gl.calls().back().args[2], GL_TRUE) << "row-major data needs the transpose flag";
    context.applyMats(M4::translation({1, 2, 4}));
    EXPECT_EQ(gl.count("glUniformMatrix4fv"), 2u);

    startSolid(context);
    gl.reset();
    context.applyGState(state, 0.5f);
    EXPECT_EQ(gl.count("glUniform4f"), 1u) << "the scene may have bound other programs between";
}

TEST_F(ContextTest, CompositionsLeaveTheTargetBoundWithBlendingOffAndDepthTestAsItWas) {
    for (const bool peel : {true, false}) {
        SCOPED_TRACE(peel ? "renderDepthPeeling" : "renderHL");
        if (peel) {
            startSolid(context, 2);
            context.initDepthPeeling();
            context.initDepthPeelingLayer(1);
        } else {
            context.initHLRender(64, 64, orange, 2.0);
            context.initHLRenderMask(M4(), M4(), M4(), 20.0, 64.0, Vuro::GL::HLMode0);
        }
        gl.getTable().glEnable(GL_DEPTH_TEST);
        gl.getTable().glEnable(GL_BLEND);
        peel ? context.renderDepthPeeling(7) : context.renderHL(7);
        double target = -1;
        for (const auto& call : gl.calls()) {
            target = call.name == "glBindFramebuffer" ? call.args[1] : target;
        }
        EXPECT_EQ(target, 7) << gl.str();
        EXPECT_FALSE(gl.getTable().glIsEnabled(GL_BLEND));
        EXPECT_TRUE(gl.getTable().glIsEnabled(GL_DEPTH_TEST));
        EXPECT_THROW(context.applyMats(M4()), Tolu::Error) << "the pass ended";
    }
}

TEST_F(ContextTest, BadUseThrowsAUsageErrorNamingTheOperation) {
    const std::pair<const char*, void (*)(Context&)> badUses[] = {
        {"MaterialBeforeAnyPass", [](Context& c) { c.applyGState({}, 1.0f); }},
        {"SymbolInSolidPass",
         [](Context& c) {
             startSolid(c);
             c.renderCS(M4(), 1.0f);
         }},
        {"ZeroSize",
         [](Context& c) {
             c.initSolidRender(0, 64, M4(), M4(), M4(), light, false, 0, 0, orange, 0.0f);
         }},
        {"TooManyLayers", [](Context& c) { startSolid(c, 18); }},
        {"ShadowsWithoutShadowMap", [](Context& c) { startSolid(c, 0, true); }},
        {"NullLightDirection",
         [](Context& c) {
             c.initSolidRender(64, 64, M4(), M4(), M4(), {{0, 0, 0}}, false, 0, 0, orange, 0.0f);
         }},
        {"PointShadowSphere",
         [](Context& c) {
             c.initShadowRender({0, 0, -1}, {{0, 0, 0}, 0});
         }},
        {"NegativeOutline", [](Context& c) { c.initHLRender(64, 64, orange, -1.0); }},
        {"MaskBeforeInitHLRender",
         [](Context& c) { c.initHLRenderMask(M4(), M4(), M4(), 20, 64, 0); }},
        {"PeelingInBlendingMode",
         [](Context& c) {
             startSolid(c, 1);
             c.initDepthPeeling();
         }},
        {"LayerSkipped",
         [](Context& c) {
             startSolid(c, 4);
             c.initDepthPeeling();
             c.initDepthPeelingLayer(2);
         }},
        {"ComposeWithoutPeeling", [](Context& c) { c.renderDepthPeeling(0); }},
    };
    for (const auto& [name, call] : badUses) {
        SCOPED_TRACE(name);
        Context fresh;
        try {
            call(fresh);
            ADD_FAILURE() << "no exception";
        } catch (const Tolu::Error& e) {
            EXPECT_NE(std::string(e.what()).find("Vuro::GL::Context::"), std::string::npos)
                << e.what();
        }
    }
}

// Every failure reaches the caller, also one in a guard's restore after the work is done;
// the rest of that restore still runs (blending ends off), and whatever was made is deleted,
// also when the failed call was a delete.
TEST_F(ContextTest, AFailureAnywhereReachesTheCallerLeaksNothingAndTheNextFrameWorks) {
    fullFrame(context);
    const std::size_t frameCalls = gl.calls().size();
    context.releaseGL();
    for (std::size_t n = 1; n <= frameCalls; ++n) {
        SCOPED_TRACE("failing call " + std::to_string(n));
        gl.reset();
        auto fresh = std::make_unique<Context>();
        gl.throwAt(n);
        EXPECT_THROW(fullFrame(*fresh), Tolu::GL::Error);
        const std::string failed = gl.calls()[n - 1].str();
        if (failed != "glDisable(3042)") { // the one call that would have switched it off
            EXPECT_EQ(Tolu::GL::glIsEnabled(GL_BLEND), GL_FALSE) << "failed at " << failed;
        }
        ASSERT_NO_THROW(fullFrame(*fresh)) << gl.str();
        fresh.reset();
        EXPECT_EQ(gl.liveObjects(), std::vector<std::string>{}) << "failed at " << failed;
        if (HasFailure()) {
            break;
        }
    }
}

TEST_F(ContextTest, LaterFramesMakeNothingAndTheDestructorLeavesOpenGLAloneOnceItIsGone) {
    fullFrame(context);
    auto other = std::make_unique<Context>();
    fullFrame(*other);
    gl.reset();
    fullFrame(*other);
    for (const char* make : {"glCreateProgram", "glGenTextures", "glGenFramebuffers",
                             "glGenVertexArrays", "glGenBuffers"}) {
        EXPECT_EQ(gl.count(make), 0u) << make;
    }
    gl.reset();
    {
        Tolu::GL::ScopedFunctions gone(gl.getTable(), false);
        other.reset();
    }
    EXPECT_TRUE(gl.calls().empty()) << gl.str();
}

} // namespace

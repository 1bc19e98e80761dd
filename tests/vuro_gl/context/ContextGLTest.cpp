#include "support/GLContextTest.h"
#include "support/PixelProbe.h"

#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <vuro_gl/BodyProto.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/BodyProto.h>
#include <vuro_gl/gl/Context.h>

#include <gtest/gtest.h>

#include <utility>

namespace {

using namespace Tolu::GL;
using Tolu::Test::expectPixelNear;
using M4 = Tolu::Matrix4x4T<double>;
using C4 = Tolu::Vector4T<float>;

// llvmpipe rounds exactly; the slack is for the 8-bit rounding of lit colours.
constexpr int kTolerance = 3;

const C4 red{1, 0, 0, 1};
const C4 white{1, 1, 1, 1};

// Camera on +z looking at the origin; the parallel view maps 1 unit to 16 pixels.
const M4 view = M4::lookAt({0, 0, 5}, {0, 0, 0}, {0, 1, 0});
const M4 ortho = M4::ortho(-2, 2, -2, 2, 1, 10);

using Light = Vuro::GL::DirectionalLight;

Tolu::RefT<Vuro::BodyProto> quad(float half, const C4& color) {
    auto proto = Tolu::makeRef<Vuro::BodyProto>("quad");
    Vuro::PrimGroup g;
    g.color = color;
    const Tolu::Vector3T<float> n{0, 0, 1};
    for (const auto& [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, -1}, {1, 1}, {-1, 1}}) {
        g.vertices.push_back({{half * float(x), half * float(y), 0.0f}, n});
    }
    proto->addGroup(std::move(g));
    return proto;
}

// Model geometry drawn the way the scene draws it.
struct Shape {
    explicit Shape(Tolu::RefT<Vuro::BodyProto> geometry)
        : model(std::move(geometry)), proto(Tolu::makeRef<Vuro::GL::BodyProto>(*model)) {}

    void draw(Vuro::GL::Context& context, const M4& worldFromBody, float alpha = 1.0f) {
        const unsigned vbo = proto->getGLVBOs()[0];
        for (Vuro::GL::GPrim& prim : proto->getGLTris()[0]) {
            context.applyGState(prim.getGLGState(), alpha);
            context.applyMats(worldFromBody);
            prim.updateGL(vbo);
            prim.drawGL(GL_TRIANGLES);
        }
    }

    Tolu::RefT<Vuro::BodyProto> model;
    Tolu::RefT<Vuro::GL::BodyProto> proto;
};

class ContextGLTest : public Tolu::Test::GLContextTest {
protected:
    void TearDown() override {
        // What the scene resets after a frame, so the next test starts clean.
        glBindVertexArray(0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glUseProgram(0);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_BLEND);
        glDepthMask(GL_TRUE);
        GLContextTest::TearDown();
    }

    void bindTarget() {
        glBindFramebuffer(GL_FRAMEBUFFER, context().getFramebuffer());
        glViewport(0, 0, kWidth, kHeight);
    }
    void clear(const C4& color) {
        bindTarget();
        glClearColor(color.x, color.y, color.z, color.w);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void solid(unsigned transpMode = 0, const Light& light = Light{{0, 0, -1}},
               bool shadows = false, const C4& hlColor = red, float mix = 0.0f) {
        render.initSolidRender(kWidth, kHeight, view, ortho, M4(), light, shadows, transpMode,
                               Vuro::GL::HLModeNone, hlColor, mix);
        bindTarget();
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
    }

    Vuro::GL::Context render;
};

TEST_F(ContextGLTest, HighlightMixTintsHalfwayUntilResetAndAPassMixTintsEveryDraw) {
    Shape square(quad(0.5f, white));
    clear({0, 0, 0, 1});
    solid();
    render.applyHLRenderMix(0.5f, red);
    square.draw(render, M4::translation({-1, 0, 0}));
    render.applyHLRenderMix(0.0f);
    square.draw(render, M4::translation({1, 0, 0}));
    Image image = context().readPixels();
    expectPixelNear(image, 16, 31, {255, 128, 128, 255}, kTolerance);
    expectPixelNear(image, 48, 31, {255, 255, 255, 255}, kTolerance);

    // The mode-1 pass mixes its colour into every draw.
    solid(0, Light{{0, 0, -1}}, false, {0, 1, 0, 1}, 0.5f);
    square.draw(render, M4());
    expectPixelNear(context().readPixels(), 32, 31, {128, 255, 128, 255}, kTolerance);
}

TEST_F(ContextGLTest, OnlyTheNormalSolidPassHidesModeOneHighlightsAndOnlyWhenAsked) {
    const auto hidden = [&] { return (render.passFlags & Vuro::GL::Context::PassHideHL1) != 0; };
    solid();
    EXPECT_FALSE(hidden());
    render.hideHL1InSolid = true;
    solid();
    EXPECT_TRUE(hidden());
    render.initHUDRender(view, ortho, M4(), 10.0, kHeight, Vuro::GL::HLModeNone, red);
    EXPECT_FALSE(hidden());
    solid();
    render.initSolidRender(kWidth, kHeight, view, ortho, M4(), Light{{0, 0, -1}}, false, 0,
                           Vuro::GL::HLMode(1), red, 0.5f);
    EXPECT_FALSE(hidden());
    solid();
    render.initShadowRender({0, 0, -1}, {{0, 0, 0}, 1.0});
    EXPECT_FALSE(hidden());
    solid();
    render.initHLRender(kWidth, kHeight, red, 2.0);
    render.initHLRenderMask(view, ortho, M4(), 10.0, kHeight, Vuro::GL::HLMode(1));
    EXPECT_FALSE(hidden());
}

// An opaque red square behind two half-transparent ones, the nearer drawn first: green
// over blue over red.
TEST_F(ContextGLTest, DepthPeelingComposesLayersInDepthOrderAndKeepsTheOpaqueDepth) {
    Shape back(quad(1.0f, red));
    Shape nearer(quad(0.5f, {0, 1, 0, 0.5f}));
    Shape farther(quad(0.5f, {0, 0, 1, 0.5f}));
    clear({0, 0, 0, 1});
    solid(3);
    render.initDepthPeeling();
    back.draw(render, M4());
    for (unsigned layer = 1; layer <= 2; ++layer) {
        render.initDepthPeelingLayer(layer);
        nearer.draw(render, M4::translation({0, 0, 0.5}));
        farther.draw(render, M4::translation({0, 0, 0.25}));
    }
    render.renderDepthPeeling(context().getFramebuffer());
    Image image = context().readPixels();
    expectPixelNear(image, 32, 31, {64, 128, 64, 255}, kTolerance);
    expectPixelNear(image, 44, 31, {255, 0, 0, 255}, kTolerance);
    expectPixelNear(image, 2, 2, {0, 0, 0, 255}, kTolerance);

    // Behind the opaque square: hidden where it is, seen beside it.
    solid();
    Shape(quad(1.5f, {1, 1, 0, 1})).draw(render, M4::translation({0, 0, -0.5}));
    image = context().readPixels();
    expectPixelNear(image, 32, 31, {64, 128, 64, 255}, kTolerance);
    expectPixelNear(image, 54, 31, {255, 255, 0, 255}, kTolerance);
}

// The ground is orange so that its pixels show the material multiplied by the light.
TEST_F(ContextGLTest, BoxCastsAShadowOnTheGroundBeneathIt) {
    Shape ground(quad(2.0f, {1.0f, 0.5f, 0.0f, 1.0f}));
    Shape box(Vuro::makeBox({1, 1, 1}, white));
    const M4 lifted = M4::translation({0, 0, 1});
    // Light falling at 45 degrees towards +x: the box's shadow lies on the ground right of it.
    render.initShadowRender({1, 0, -1}, {{0, 0, 0.75}, 3.0});
    ground.draw(render, M4());
    box.draw(render, lifted);
    clear({0, 0, 0, 1});
    solid(0, Light{{1, 0, -1}}, true);
    ground.draw(render, M4());
    box.draw(render, lifted);
    const Image image = context().readPixels();
    // Ambient only in the shadow; 0.35 + 0.65 * cos 45 in the light.
    expectPixelNear(image, 52, 31, {89, 45, 0, 255}, kTolerance);
    expectPixelNear(image, 12, 31, {206, 103, 0, 255}, kTolerance);
    expectPixelNear(image, 52, 6, {206, 103, 0, 255}, kTolerance);

    // A scene too large for single precision casts no shadow instead of failing.
    render.initShadowRender({1, 0, -1}, {{0, 0, 0.75}, 1e200});
    box.draw(render, lifted);
    clear({0, 0, 0, 1});
    solid(0, Light{{1, 0, -1}}, true);
    ground.draw(render, M4());
    expectPixelNear(context().readPixels(), 52, 31, {206, 103, 0, 255}, kTolerance);
}

} // namespace

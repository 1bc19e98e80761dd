#include "support/GLContextTest.h"
#include "support/PixelProbe.h"

#include <sim_gl/Body.h>
#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/JointTrack.h>
#include <ostra_sim/Project.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Track.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/gl/Image.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/DirectionalLight.h>
#include <vuro_gl/gl/GripColors.h>
#include <vuro_gl/gl/HLMode.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>

namespace {

namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;
using Tolu::GL::Image;
using Tolu::GL::Rgba;
using Tolu::Test::expectPixelNear;
using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;
using C4 = Tolu::Vector4T<float>;

// Lit colours go through the light's arithmetic and 8-bit rounding; flat HUD colours
// only through the rounding, but wide lines and grips land on pixel edges.
constexpr int kShaded = 16;
constexpr int kFlat = 12;

// 8-bit form of a colour, as the framebuffer stores it.
Rgba rgba(const C4& c) {
    auto byte = [](float v) { return std::uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
    return {byte(c.x), byte(c.y), byte(c.z), byte(c.w)};
}

C4 lerp(const C4& a, const C4& b, float t) {
    return a * (1.0f - t) + b * t;
}

const C4 orange{0.9f, 0.5f, 0.1f, 1.0f};
const C4 blue{0.1f, 0.2f, 0.9f, 1.0f};
const C4 green{0.1f, 0.8f, 0.2f, 1.0f};

/// What one frame shows: display masks, transparency mode and highlight settings, as a
/// host's frame driver receives them.
struct FrameSettings {
    unsigned mask = 0x01;    ///< display mask of the normal passes
    unsigned hlMask0 = 0x00; ///< display mask of the mode-0 highlight passes (0: none)
    unsigned transpMode = 0;
    C4 clearColor{0.1f, 0.1f, 0.2f, 1.0f};
    C4 hlColor0{1.0f, 0.0f, 0.0f, 1.0f};
    double hudSize = 16.0;     ///< pixels
    unsigned outlineWidth = 3; ///< pixels
};

/// A scene project on a real headless context, drawn the way the host draws a frame:
/// camera on +z at distance 10 looking at the origin with a 45 degree field of view, so
/// pixel (32, 32) sees the origin; the light shines along the view direction.
class SceneGLTest : public Tolu::Test::GLContextTest {
protected:
    void TearDown() override {
        // The scene and its GL objects go while the context is still current.
        project->set(nullptr);
        if (Tolu::GL::isInited()) {
            render.releaseGL();
            resetState();
        }
        GLContextTest::TearDown();
    }

    RefT<Sim::Body> addBody(const V3& at, const RefT<Vuro::BodyProto>& geometry = {}) {
        auto body = makeRef<Sim::Body>();
        body->setProto(geometry);
        body->setTransform(M4::translation(at));
        model->addBody(body);
        return body;
    }
    /// A straight track of `length` along x from `at`.
    RefT<Sim::Track> addTrack(const V3& at, double length) {
        auto track = makeRef<Sim::Track>();
        track->addStraight(length);
        track->setTransform(M4::translation(at));
        model->addBody(track);
        return track;
    }

    /// Mirrors the model into the scene, as the host does before a frame.
    void update() {
        project->set(model);
        project->update();
    }

    /// Draws one frame through the frame driver into the context's framebuffer and reads it
    /// back.
    Image drawFrame(const FrameSettings& frame) {
        using namespace Tolu::GL;
        const unsigned fbo = context().getFramebuffer();
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(frame.clearColor.x, frame.clearColor.y, frame.clearColor.z,
                     frame.clearColor.w);
        glDepthMask(GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Ostra::Sim::GL::render(render, *project, {}, fbo, kWidth, kHeight, frame.mask, 0,
                               frame.hlMask0, view, projection, light, false, frame.transpMode,
                               frame.hudSize, kHeight, frame.outlineWidth, frame.hlColor0,
                               frame.hlColor0, M4(), M4());
        resetState();
        return context().readPixels();
    }

    /// The pixel (column, row from the top) that sees world point `p`.
    [[nodiscard]] std::pair<int, int> pixelOf(const V3& p) const {
        const Tolu::Vector4T<double> clip = (projection * view).transform({p.x, p.y, p.z, 1.0});
        const double x = (clip.x / clip.w + 1.0) * 0.5 * kWidth;
        const double y = (1.0 - clip.y / clip.w) * 0.5 * kHeight;
        return {int(std::floor(x)), int(std::floor(y))};
    }

    const Rgba background = rgba(FrameSettings{}.clearColor);
    const M4 view = M4::lookAt({0, 0, 10}, {0, 0, 0}, {0, 1, 0});
    const M4 projection = M4::perspective(std::numbers::pi / 4, 1.0, 1.0, 100.0);
    // Along the view direction: faces towards the camera are fully lit.
    Vuro::GL::DirectionalLight light{{0.0f, 0.0f, -1.0f}, {1.0f, 1.0f, 1.0f}, 0.35f};

    Vuro::GL::Context render;
    Vuro::GL::ClassMap classMap; // outlives the project, which is declared after it
    RefT<Ostra::Sim::GL::Project> project = makeRef<Ostra::Sim::GL::Project>(classMap);
    RefT<Sim::Project> model = makeRef<Sim::Project>();

private:
    // What the host puts back after a frame, so that the next test starts clean.
    static void resetState() {
        using namespace Tolu::GL;
        glBindVertexArray(0);
        glUseProgram(0);
        glLineWidth(1.0f);
        glDisable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_LINE_SMOOTH);
        glDepthMask(GL_TRUE);
        glBindFramebuffer(GL_FRAMEBUFFER, context().getFramebuffer());
        glViewport(0, 0, kWidth, kHeight);
    }
};

// --- Solid pass and highlight outline --------------------------------------------------

TEST_F(SceneGLTest, BoxShowsItsLitColourTintedAndOutlinedWhenHighlightedInModeZero) {
    auto box = addBody({0, 0, 0}, Vuro::makeBox({2, 2, 2}, orange));
    update();
    FrameSettings frame;
    frame.hlMask0 = 0x01;
    const Image plain = drawFrame(frame);
    // Lit head-on: ambient + (1 - ambient) * 1 leaves the material colour as it is.
    expectPixelNear(plain, 32, 32, rgba(orange), kShaded);
    expectPixelNear(plain, 2, 2, background, 1);
    expectPixelNear(plain, 61, 61, background, 1);
    // The silhouette is the front face; its right edge lies in this column.
    const int edge = pixelOf({1, 0, 1}).first;
    const int top = pixelOf({0, 1, 1}).second;
    expectPixelNear(plain, edge + 2, 32, background, 1); // no outline without a highlight

    const auto node = project->find(box.get());
    ASSERT_TRUE(node);
    node->setHighlight(Vuro::GL::HLMode0, true, false);
    const Image image = drawFrame(frame);
    // Half of the highlight colour is mixed into the lit material.
    expectPixelNear(image, 32, 32, rgba(lerp(orange, frame.hlColor0, 0.5f)), kShaded);
    const Rgba tinted = image.at(32, 32);
    const Rgba lit = plain.at(32, 32);
    EXPECT_GT(tinted[0], lit[0]);
    EXPECT_LT(tinted[1], lit[1]);
    EXPECT_LE(tinted[2], lit[2]);
    const Rgba outline = rgba(frame.hlColor0);
    expectPixelNear(image, edge + 2, 32, outline, kFlat);
    expectPixelNear(image, 32, top - 2, outline, kFlat);
    expectPixelNear(image, edge + 6, 32, background, 1);
    expectPixelNear(image, 60, 4, background, 1);
}

// A half-transparent blue slab in front of an opaque orange box, part of it over the
// background only: depth peeling gives the colours of sorted blending.
TEST_F(SceneGLTest, HalfTransparentBodyBlendsOverOpaqueOneAndBackgroundInBothModes) {
    addBody({0, 0, 0}, Vuro::makeBox({2, 2, 2}, orange));
    auto slab = addBody({0, 0, 2}, Vuro::makeBox({3, 3, 0.5f}, blue));
    slab->setAlpha(0.5f);
    update();
    FrameSettings frame;
    frame.transpMode = 3;
    const Image peeled = drawFrame(frame);
    frame.transpMode = 1;
    const Image sorted = drawFrame(frame);
    // On the slab's front face, clear of the box.
    const int overBackground = pixelOf({1.2, 0, 2.25}).first;
    for (const auto& [x, colour] :
         {std::pair{32, lerp(orange, blue, 0.5f)},
          std::pair{overBackground, lerp(frame.clearColor, blue, 0.5f)}}) {
        Rgba expected = rgba(colour);
        // The composition keeps the target's alpha.
        expectPixelNear(peeled, x, 32, expected, kShaded);
        // Blending the host's way also blends the target's alpha: 0.5 * 0.5 + 1 * 0.5.
        expected[3] = 191;
        expectPixelNear(sorted, x, 32, expected, kShaded);
        const Rgba blended = sorted.at(x, 32);
        expectPixelNear(peeled, x, 32, {blended[0], blended[1], blended[2], 255}, 4);
    }
    expectPixelNear(peeled, 2, 2, background, 1);
    expectPixelNear(sorted, 2, 2, background, 1);
}

// --- HUD pass -----------------------------------------------------------------------

TEST_F(SceneGLTest, BodyWithoutPrototypeShowsItsFrameInTheHUD) {
    addBody({0, 0, 0});
    update();
    FrameSettings frame;
    frame.mask = 0x08;
    const Image image = drawFrame(frame);
    const int size = int(frame.hudSize);
    // Two pixels wide along the axes; the origin lies on a pixel corner.
    for (const int along : {4, size / 2, size - 3}) {
        expectPixelNear(image, 32 + along, 31, {255, 0, 0, 255}, kFlat);
        expectPixelNear(image, 32 + along, 32, {255, 0, 0, 255}, kFlat);
        expectPixelNear(image, 31, 32 - along, {0, 255, 0, 255}, kFlat);
    }
    expectPixelNear(image, 32 + size + 4, 32, background, 1);
    expectPixelNear(image, 32 - 8, 32, background, 1);
    expectPixelNear(image, 32 + 8, 32 + 6, background, 1);

    // Without its mask bit the frame is gone.
    frame.mask = 0x10;
    expectPixelNear(drawFrame(frame), 32 + size / 2, 32, background, 1);
}

TEST_F(SceneGLTest, TrackShowsItsPathInItsColourAndAConeAtItsEnd) {
    auto track = addTrack({-2, -2, 0}, 3);
    track->setColor(green.xyz());
    update();
    FrameSettings frame;
    frame.mask = 0x02;
    const Image image = drawFrame(frame);
    const auto [startX, row] = pixelOf({-2, -2, 0});
    const auto [endX, endRow] = pixelOf({1, -2, 0});
    ASSERT_EQ(row, endRow);
    for (const double x : {-1.5, -0.5, 0.5}) {
        expectPixelNear(image, pixelOf({x, -2, 0}).first, row, rgba(green), kFlat);
    }
    // The cone: 16 pixels long along the path's end direction, its base 4.8 pixels
    // in radius; off the line's width but inside the cone, and past its tip.
    expectPixelNear(image, endX + 3, row - 3, rgba(green), kFlat);
    expectPixelNear(image, endX + 3, row + 3, rgba(green), kFlat);
    expectPixelNear(image, endX + 20, row, background, 1);
    // Nothing before the start, nothing above the path.
    expectPixelNear(image, startX - 4, row, background, 1);
    expectPixelNear(image, pixelOf({-0.5, -2, 0}).first, row - 6, background, 1);
}

TEST_F(SceneGLTest, JointShowsRedLineToFirstBodyAndBlueLineToSecond) {
    auto joint = makeRef<Sim::Joint>();
    joint->setFrame(M4::translation({0, 1, 0}));
    joint->setBody1(addBody({-3, 1, 0}));
    joint->setBody2(addBody({3, 1, 0}));
    model->addJoint(joint);
    update();
    FrameSettings frame;
    frame.mask = 0x04;
    const Image image = drawFrame(frame);
    for (const double x : {-2.5, -1.5, -0.5}) {
        const auto [px, py] = pixelOf({x, 1, 0});
        expectPixelNear(image, px, py, rgba({0.8f, 0.1f, 0.1f, 1.0f}), kFlat);
        const auto [qx, qy] = pixelOf({-x, 1, 0});
        expectPixelNear(image, qx, qy, rgba({0.1f, 0.1f, 0.8f, 1.0f}), kFlat);
    }
    const auto [mx, my] = pixelOf({-1.5, 1, 0});
    expectPixelNear(image, mx, my + 5, background, 1);
    expectPixelNear(image, mx, my - 5, background, 1);
}

TEST_F(SceneGLTest, JointAndSensorOnATrackShowTheirGripsAtTheirPositions) {
    auto track = addTrack({-3, -1, 0}, 6);
    auto joint = makeRef<Sim::JointTrack>();
    joint->setFrame(M4::translation({0, 2, 0}));
    joint->setBody1(track);
    joint->setCurrentPos(1.0);
    model->addJoint(joint);
    auto sensor = makeRef<Sim::SensorTrack>();
    sensor->setTrack(track);
    sensor->setPos1(3.5);
    sensor->setPos2(-1.0); // from the end: at 5
    model->addSensor(sensor);
    update();
    FrameSettings frame;
    frame.mask = 0x44;
    frame.hudSize = 8;
    const Image image = drawFrame(frame);

    const auto [jx, jy] = pixelOf({-2, -1, 0});
    expectPixelNear(image, jx, jy, rgba(Vuro::GL::JointTrack::colorGripF), kFlat);
    const auto [s1x, s1y] = pixelOf({0.5, -1, 0});
    expectPixelNear(image, s1x, s1y, rgba(Vuro::GL::SensorTrack::colorGripF1), kFlat);
    const auto [s2x, s2y] = pixelOf({2, -1, 0});
    expectPixelNear(image, s2x, s2y, rgba(Vuro::GL::SensorTrack::colorGripF2), kFlat);
    // The back colour frames the front: a pixel inside the grip but off the front square.
    expectPixelNear(image, s2x + 3, s2y, rgba(Vuro::GL::SensorTrack::colorGripB), kFlat);
    // Between the grips the path is not shown (its bit is off).
    expectPixelNear(image, pixelOf({-0.75, -1, 0}).first, s1y, background, 1);

    // The sensor's grips need their own bit; the joint's stay.
    frame.mask = 0x04;
    const Image jointOnly = drawFrame(frame);
    expectPixelNear(jointOnly, jx, jy, rgba(Vuro::GL::JointTrack::colorGripF), kFlat);
    expectPixelNear(jointOnly, s1x, s1y, background, 1);
}

} // namespace

#include "scene/SceneGLFixture.h"
#include "support/PixelProbe.h"

#include <sim_gl/Body.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/JointTrack.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Track.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/GripColors.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace SceneGL {
namespace {

namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;
using Tolu::GL::Image;
using Tolu::GL::Rgba;
using Tolu::Test::expectPixelNear;

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

class SceneGLTest : public SceneGLFixture {
protected:
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
    Ostra::Sim::GL::Node& nodeOf(Sim::Node& sim) {
        // The project's list keeps the node alive after the reference here goes.
        const auto node = project->find(&sim);
        if (!node) {
            throw std::runtime_error("no scene node for " + sim.getName());
        }
        return *node;
    }
    const FrameSettings defaults{};
};

// --- Solid pass ---------------------------------------------------------------------

TEST_F(SceneGLTest, BoxFacingTheLightShowsItsMaterialColourOverTheBackground) {
    addBody({0, 0, 0}, Vuro::makeBox({2, 2, 2}, orange));
    update();
    const Image image = drawFrame({});
    // Lit head-on: ambient + (1 - ambient) * 1 leaves the material colour as it is.
    expectPixelNear(image, 32, 32, rgba(orange), kShaded);
    expectPixelNear(image, 2, 2, rgba(defaults.clearColor), 1);
    expectPixelNear(image, 61, 61, rgba(defaults.clearColor), 1);
}

TEST_F(SceneGLTest, BodyHighlightedInModeZeroIsTintedTowardsTheHighlightColour) {
    auto box = addBody({0, 0, 0}, Vuro::makeBox({2, 2, 2}, orange));
    update();
    const Rgba plain = drawFrame({}).at(32, 32);

    nodeOf(*box).setHighlight(Vuro::GL::HLMode0, true, false);
    const Image image = drawFrame({});
    // Half of the highlight colour is mixed into the lit material.
    expectPixelNear(image, 32, 32, rgba(lerp(orange, defaults.hlColor0, 0.5f)), kShaded);
    const Rgba tinted = image.at(32, 32);
    EXPECT_GT(tinted[0], plain[0]);
    EXPECT_LT(tinted[1], plain[1]);
    EXPECT_LE(tinted[2], plain[2]);
    expectPixelNear(image, 2, 2, rgba(defaults.clearColor), 1);
}

// A half-transparent blue slab in front of an opaque orange box, part of it over the
// background only.
class SceneTransparencyGLTest : public SceneGLTest {
protected:
    void SetUp() override {
        SceneGLTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        addBody({0, 0, 0}, Vuro::makeBox({2, 2, 2}, orange));
        auto slab = addBody({0, 0, 2}, Vuro::makeBox({3, 3, 0.5f}, blue));
        slab->setAlpha(0.5f);
        update();
        // The slab's front face is 7.75 from the camera: 1.5 units are about 15 pixels.
        overBackground = 32 + int(1.2 * pixelsPerUnit(7.75));
    }
    Image drawWith(unsigned transpMode) {
        FrameSettings frame;
        frame.transpMode = transpMode;
        return drawFrame(frame);
    }
    int overBackground = 0;
};

TEST_F(SceneTransparencyGLTest, HalfTransparentBodyBlendsOverOpaqueOneAndBackgroundWhenSorted) {
    const Image image = drawWith(1);
    // Blending the host's way also blends the target's alpha: 0.5 * 0.5 + 1 * 0.5.
    C4 overBox = lerp(orange, blue, 0.5f);
    overBox.w = 0.75f;
    C4 overClear = lerp(defaults.clearColor, blue, 0.5f);
    overClear.w = 0.75f;
    expectPixelNear(image, 32, 32, rgba(overBox), kShaded);
    expectPixelNear(image, overBackground, 32, rgba(overClear), kShaded);
    expectPixelNear(image, 2, 2, rgba(defaults.clearColor), 1);
}

TEST_F(SceneTransparencyGLTest, DepthPeelingGivesTheColoursOfSortedBlending) {
    const Image peeled = drawWith(3);
    // The composition keeps the target's alpha.
    expectPixelNear(peeled, 32, 32, rgba(lerp(orange, blue, 0.5f)), kShaded);
    expectPixelNear(peeled, overBackground, 32, rgba(lerp(defaults.clearColor, blue, 0.5f)),
                    kShaded);
    expectPixelNear(peeled, 2, 2, rgba(defaults.clearColor), 1);

    const Image sorted = drawWith(1);
    for (const int x : {32, overBackground}) {
        const Rgba expected = sorted.at(x, 32);
        expectPixelNear(peeled, x, 32, {expected[0], expected[1], expected[2], 255}, 4);
    }
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
    expectPixelNear(image, 32 + size + 4, 32, rgba(defaults.clearColor), 1);
    expectPixelNear(image, 32 - 8, 32, rgba(defaults.clearColor), 1);
    expectPixelNear(image, 32 + 8, 32 + 6, rgba(defaults.clearColor), 1);

    // Without its mask bit the frame is gone.
    frame.mask = 0x10;
    expectPixelNear(drawFrame(frame), 32 + size / 2, 32, rgba(defaults.clearColor), 1);
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
    expectPixelNear(image, endX + 20, row, rgba(defaults.clearColor), 1);
    // Nothing before the start, nothing above the path.
    expectPixelNear(image, startX - 4, row, rgba(defaults.clearColor), 1);
    expectPixelNear(image, pixelOf({-0.5, -2, 0}).first, row - 6, rgba(defaults.clearColor), 1);
}

TEST_F(SceneGLTest, JointShowsRedLineToFirstBodyAndBlueLineToSecond) {
    auto first = addBody({-3, 1, 0});
    auto second = addBody({3, 1, 0});
    auto joint = makeRef<Sim::Joint>();
    joint->setFrame(M4::translation({0, 1, 0}));
    joint->setBody1(first);
    joint->setBody2(second);
    model->addJoint(joint);
    update();
    FrameSettings frame;
    frame.mask = 0x04;
    const Image image = drawFrame(frame);
    const C4 red{0.8f, 0.1f, 0.1f, 1.0f};
    const C4 darkBlue{0.1f, 0.1f, 0.8f, 1.0f};
    for (const double x : {-2.5, -1.5, -0.5}) {
        const auto [px, py] = pixelOf({x, 1, 0});
        expectPixelNear(image, px, py, rgba(red), kFlat);
        const auto [qx, qy] = pixelOf({-x, 1, 0});
        expectPixelNear(image, qx, qy, rgba(darkBlue), kFlat);
    }
    const auto [mx, my] = pixelOf({-1.5, 1, 0});
    expectPixelNear(image, mx, my + 5, rgba(defaults.clearColor), 1);
    expectPixelNear(image, mx, my - 5, rgba(defaults.clearColor), 1);
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
    expectPixelNear(image, pixelOf({-0.75, -1, 0}).first, s1y, rgba(defaults.clearColor), 1);

    // The sensor's grips need their own bit; the joint's stay.
    frame.mask = 0x04;
    const Image jointOnly = drawFrame(frame);
    expectPixelNear(jointOnly, jx, jy, rgba(Vuro::GL::JointTrack::colorGripF), kFlat);
    expectPixelNear(jointOnly, s1x, s1y, rgba(defaults.clearColor), 1);
}

// --- Highlight outline ----------------------------------------------------------------

TEST_F(SceneGLTest, BodyHighlightedInModeZeroGetsAnOutlineOfTheHighlightColour) {
    auto box = addBody({0, 0, 0}, Vuro::makeBox({2, 2, 2}, orange));
    update();
    nodeOf(*box).setHighlight(Vuro::GL::HLMode0, true, false);
    FrameSettings frame;
    frame.hlMask0 = 0x01;
    frame.outlineWidth = 3;
    const Image image = drawFrame(frame);
    // The silhouette is the front face; its right edge lies in this column.
    const int edge = pixelOf({1, 0, 1}).first;
    const int top = pixelOf({0, 1, 1}).second;
    const Rgba outline = rgba(frame.hlColor0);
    expectPixelNear(image, edge + 2, 32, outline, kFlat);
    expectPixelNear(image, 32, top - 2, outline, kFlat);
    expectPixelNear(image, edge + 6, 32, rgba(defaults.clearColor), 1);
    expectPixelNear(image, 60, 4, rgba(defaults.clearColor), 1);
    // The body itself stays as the solid pass drew it.
    expectPixelNear(image, 32, 32, rgba(lerp(orange, frame.hlColor0, 0.5f)), kShaded);

    // Without the highlight there is no outline.
    nodeOf(*box).setHighlight(Vuro::GL::HLMode0, false, false);
    expectPixelNear(drawFrame(frame), edge + 2, 32, rgba(defaults.clearColor), 1);
}

} // namespace
} // namespace SceneGL

#include "DemoRun.h"
#include "SceneView.h"
#include "support/PixelProbe.h"

#include <sim_gl/Node.h>

#include <tolu/gl/HeadlessContext.h>
#include <tolu/gl/Image.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

namespace {

using SimGLDemo::DemoRun;
using SimGLDemo::Pixel;
using Tolu::GL::Image;
using Tolu::GL::Rgba;
using Tolu::Test::toString;

// Small enough for a software rasteriser, large enough that every body covers pixels.
constexpr int kWidth = 160;
constexpr int kHeight = 120;

// Window around a body's origin that its picture and outline fall into.
constexpr int kBodyWindow = 3;
constexpr int kOutlineWindow = 10;
// An outline 3 pixels wide around a body this size covers about a hundred pixels; a
// body merely tinted by its highlight matches the outline colour in a handful.
constexpr int kOutlinePixels = 30;
constexpr int kOutlineTolerance = 20;

enum FrameIndex { Plain = 0, Highlight0 = 1, Highlight1 = 2, Peeled = 3, Dragged = 4 };

using ColourTest = std::function<bool(const Rgba&)>;

int count(const Image& image, Pixel centre, int radius, const ColourTest& test) {
    int n = 0;
    for (int y = std::max(0, centre.y - radius); y <= std::min(image.height - 1, centre.y + radius);
         ++y) {
        for (int x = std::max(0, centre.x - radius);
             x <= std::min(image.width - 1, centre.x + radius); ++x) {
            n += test(image.at(x, y)) ? 1 : 0;
        }
    }
    return n;
}

ColourTest near(Rgba expected, int tolerance) {
    return [=](const Rgba& c) {
        for (std::size_t i = 0; i < 3; ++i) {
            if (std::abs(int(c[i]) - int(expected[i])) > tolerance) {
                return false;
            }
        }
        return true;
    };
}

// Hues of the demo's bodies under any light: which channels lead and by how much.
bool isYellow(const Rgba& c) {
    return c[0] > c[2] + 60 && c[1] > c[2] + 50;
}
bool isTeal(const Rgba& c) {
    return c[1] > c[0] + 40 && c[2] > c[0] + 40;
}
bool isPurple(const Rgba& c) {
    return c[2] > c[1] + 50 && c[0] > c[1] + 15;
}

Rgba toRgba(const SimGLDemo::SceneView::C4& colour) {
    auto channel = [](float c) { return static_cast<std::uint8_t>(std::lround(c * 255.0f)); };
    return {channel(colour.x), channel(colour.y), channel(colour.z), channel(colour.w)};
}

// The outline colours of the demo's style; they are opaque, so drawn unblended.
const Rgba outline0 = toRgba(SimGLDemo::SceneView::Style().hlColor0);
const Rgba outline1 = toRgba(SimGLDemo::SceneView::Style().hlColor1);

class DemoTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        try {
            context = std::make_unique<Tolu::GL::HeadlessContext>(kWidth, kHeight);
            std::ostringstream log;
            run = SimGLDemo::runDemo(*context, log);
        } catch (const std::exception& e) {
            // Reported by every test of the suite rather than lost here.
            error = e.what();
        }
    }
    static void TearDownTestSuite() {
        run.reset();
        context.reset();
    }

protected:
    void SetUp() override {
        ASSERT_TRUE(run) << "the demo did not run: " << error;
        ASSERT_EQ(run->frames.size(), 5u);
    }

    // Saves the frame for a look when the test has failed.
    void keepOnFailure(FrameIndex index) const {
        if (HasFailure()) {
            Tolu::GL::savePNG(frame(index), Tolu::Test::failureImagePath());
        }
    }

    [[nodiscard]] static const Image& frame(FrameIndex index) { return run->frames[index].image; }

    static std::unique_ptr<Tolu::GL::HeadlessContext> context;
    static std::optional<DemoRun> run;
    static std::string error;
};

std::unique_ptr<Tolu::GL::HeadlessContext> DemoTest::context;
std::optional<DemoRun> DemoTest::run;
std::string DemoTest::error;

TEST_F(DemoTest, BareGroundIsLitWarmGreyUnlikeTheBackground) {
    const Rgba ground = frame(Plain).at(run->ground.x, run->ground.y);
    const Rgba sky = frame(Plain).at(kWidth / 2, 0);
    EXPECT_GT(int(ground[0]), 120) << toString(ground);
    EXPECT_GE(int(ground[0]), int(ground[2])) << toString(ground);
    EXPECT_LE(int(ground[0]) - int(ground[2]), 40) << toString(ground);
    EXPECT_GT(int(sky[2]), int(sky[0]) + 15) << "the background is bluish: " << toString(sky);
    keepOnFailure(Plain);
}

TEST_F(DemoTest, BodiesShowTheirColoursAtTheirOrigins) {
    const Image& image = frame(Plain);
    EXPECT_GE(count(image, run->highlight0, kBodyWindow, isYellow), 10) << "ball";
    EXPECT_GE(count(image, run->highlight1, kBodyWindow, isTeal), 10) << "cart";
    EXPECT_GE(count(image, run->picked, kBodyWindow, isPurple), 10) << "block";
    keepOnFailure(Plain);
}

TEST_F(DemoTest, ModeZeroOutlineSurroundsTheHighlightedBallOnly) {
    const auto outline = near(outline0, kOutlineTolerance);
    EXPECT_GE(count(frame(Highlight0), run->highlight0, kOutlineWindow, outline), kOutlinePixels);
    EXPECT_EQ(count(frame(Plain), run->highlight0, kOutlineWindow, outline), 0);
    EXPECT_EQ(count(frame(Highlight0), run->highlight1, kOutlineWindow, outline), 0) << "cart";
    keepOnFailure(Highlight0);
}

TEST_F(DemoTest, ModeOneOutlineSurroundsTheHighlightedCartOnly) {
    const auto outline = near(outline1, kOutlineTolerance);
    EXPECT_GE(count(frame(Highlight1), run->highlight1, kOutlineWindow, outline), kOutlinePixels);
    EXPECT_EQ(count(frame(Plain), run->highlight1, kOutlineWindow, outline), 0);
    EXPECT_EQ(count(frame(Highlight1), run->highlight0, kOutlineWindow, outline), 0) << "ball";
    keepOnFailure(Highlight1);
}

TEST_F(DemoTest, DepthPeelingBlendsTheGlassLikeTheBlendedPass) {
    const Rgba blended = frame(Plain).at(run->glass.x, run->glass.y);
    const Rgba peeled = frame(Peeled).at(run->glass.x, run->glass.y);
    EXPECT_GT(int(peeled[2]), int(peeled[0]) + 10) << "tinted by the glass: " << toString(peeled);
    // One transparent layer: peeling and blending mix the same two colours.
    EXPECT_TRUE(near(blended, 12)(peeled)) << toString(peeled) << " vs " << toString(blended);
    keepOnFailure(Peeled);
}

TEST_F(DemoTest, PickAtTheBlockHitsTheBlockNode) {
    EXPECT_TRUE(run->hitBlock);
    EXPECT_EQ(run->hitClassId, Ostra::Sim::GL::ClassIdBody);
    EXPECT_EQ(run->hitName, "block");
}

TEST_F(DemoTest, DraggedBlockLeavesItsPlaceAndShowsWhereItWasPulled) {
    EXPECT_TRUE(run->grabbed);
    const int dx = run->moved.x - run->picked.x;
    const int dy = run->moved.y - run->picked.y;
    EXPECT_GT(dx * dx + dy * dy, 5 * 5) << "moved by (" << dx << ", " << dy << ") pixels";
    // Where it stood only its shadow or the ground shows; where it went it is drawn
    // (tinted by its mode-0 highlight), covering what was there before.
    EXPECT_EQ(count(frame(Dragged), run->picked, 1, isPurple), 0);
    const Rgba before = frame(Plain).at(run->moved.x, run->moved.y);
    const Rgba after = frame(Dragged).at(run->moved.x, run->moved.y);
    EXPECT_FALSE(near(before, 40)(after)) << toString(before) << " stays " << toString(after);
    keepOnFailure(Dragged);
}

} // namespace

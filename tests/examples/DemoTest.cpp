#include "DemoRun.h"
#include "SceneView.h"
#include "ViewerController.h"
#include "support/PixelProbe.h"

#include <sim_gl/Body.h>
#include <sim_gl/Node.h>
#include <sim_gl/Project.h>

#include <tolu/gl/GL.h>
#include <tolu/gl/HeadlessContext.h>
#include <tolu/gl/Image.h>
#include <vuro_gl/gl/HLMode.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

// The demo's frames, and the viewer's controller driven by scripted input; both draw the
// demo's scene into a small headless context.
namespace {

namespace GLS = Ostra::Sim::GL;
using SimGLDemo::DemoRun;
using SimGLDemo::Pixel;
using SimGLViewer::MouseButton;
using SimGLViewer::V3;
using SimGLViewer::ViewerController;
using Gesture = ViewerController::Gesture;
using M4 = Tolu::Matrix4x4T<double>;
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

TEST_F(DemoTest, PlainFrameShowsLitGroundBodiesInTheirColoursAndABluishBackground) {
    const Image& image = frame(Plain);
    const Rgba ground = image.at(run->ground.x, run->ground.y);
    const Rgba sky = image.at(kWidth / 2, 0);
    EXPECT_GT(int(ground[0]), 120) << toString(ground);
    EXPECT_GE(int(ground[0]), int(ground[2])) << "warm grey: " << toString(ground);
    EXPECT_LE(int(ground[0]) - int(ground[2]), 40) << toString(ground);
    EXPECT_GT(int(sky[2]), int(sky[0]) + 15) << toString(sky);
    EXPECT_GE(count(image, run->highlight0, kBodyWindow, isYellow), 10) << "ball";
    EXPECT_GE(count(image, run->highlight1, kBodyWindow, isTeal), 10) << "cart";
    EXPECT_GE(count(image, run->picked, kBodyWindow, isPurple), 10) << "block";
    keepOnFailure(Plain);
}

// Mode 0 outlines the ball, mode 1 the cart, each in its own colour and frame only.
TEST_F(DemoTest, EachHighlightModeOutlinesOnlyItsBody) {
    const Pixel bodies[] = {run->highlight0, run->highlight1};
    const Rgba colours[] = {outline0, outline1};
    for (const int mode : {0, 1}) {
        const auto index = FrameIndex(Highlight0 + mode);
        const auto outline = near(colours[mode], kOutlineTolerance);
        EXPECT_GE(count(frame(index), bodies[mode], kOutlineWindow, outline), kOutlinePixels)
            << "mode " << mode;
        EXPECT_EQ(count(frame(Plain), bodies[mode], kOutlineWindow, outline), 0) << "mode " << mode;
        EXPECT_EQ(count(frame(index), bodies[1 - mode], kOutlineWindow, outline), 0)
            << "the other body in mode " << mode;
        keepOnFailure(index);
    }
}

TEST_F(DemoTest, DepthPeelingBlendsTheGlassLikeTheBlendedPass) {
    const Rgba blended = frame(Plain).at(run->glass.x, run->glass.y);
    const Rgba peeled = frame(Peeled).at(run->glass.x, run->glass.y);
    EXPECT_GT(int(peeled[2]), int(peeled[0]) + 10) << "tinted by the glass: " << toString(peeled);
    // One transparent layer: peeling and blending mix the same two colours.
    EXPECT_TRUE(near(blended, 12)(peeled)) << toString(peeled) << " vs " << toString(blended);
    keepOnFailure(Peeled);
}

TEST_F(DemoTest, PickedBlockIsDraggedFromItsPlaceToWhereItWasPulled) {
    EXPECT_TRUE(run->hitBlock);
    EXPECT_EQ(run->hitClassId, Ostra::Sim::GL::ClassIdBody);
    EXPECT_EQ(run->hitName, "block");
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

// --- the viewer ----------------------------------------------------------------------

// A pointer position in whole pixels lands within this of where it was aimed.
constexpr double kPixelSlack = 2.0;

// Where a point shows, in pixels, as the camera gives it.
struct Spot {
    double x = 0;
    double y = 0;
    [[nodiscard]] int ix() const { return static_cast<int>(std::floor(x)); }
    [[nodiscard]] int iy() const { return static_cast<int>(std::floor(y)); }
};

int countPurple(const Image& image, const Spot& centre) {
    return count(image, {centre.ix(), centre.iy()}, kBodyWindow, isPurple);
}

class ViewerTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        try {
            context = std::make_unique<Tolu::GL::HeadlessContext>(kWidth, kHeight);
        } catch (const std::exception& e) {
            // Reported by every test of the suite rather than lost here.
            error = e.what();
        }
    }
    static void TearDownTestSuite() { context.reset(); }

protected:
    void SetUp() override {
        ASSERT_TRUE(context) << "no headless context: " << error;
        context->makeCurrent();
        viewer = std::make_unique<ViewerController>(kWidth, kHeight);
    }
    void TearDown() override {
        viewer.reset();
        if (context) {
            EXPECT_EQ(Tolu::GL::glGetError(), 0u);
        }
    }

    [[nodiscard]] Spot pixelOf(const Ostra::Sim::Body& body) const {
        Spot p;
        EXPECT_TRUE(viewer->getCamera().toPixel(body.getTransform().getTranslation(), p.x, p.y));
        return p;
    }
    [[nodiscard]] GLS::Body& nodeOf(const Ostra::Sim::Body& body) const {
        auto* node = dynamic_cast<GLS::Body*>(
            viewer->getView().getProject().find(const_cast<Ostra::Sim::Body*>(&body)).get());
        if (node == nullptr) {
            throw std::runtime_error("no body node for " + body.getName());
        }
        return *node;
    }
    [[nodiscard]] std::vector<M4> bodyTransforms() const {
        std::vector<M4> transforms;
        const auto& s = viewer->getDemo();
        for (const auto* body :
             {s.ground.get(), s.pillar.get(), s.crank.get(), s.ball.get(), s.cone.get(),
              s.arrow.get(), s.block.get(), s.glass.get(), s.cart.get()}) {
            transforms.push_back(body->getTransform());
        }
        return transforms;
    }
    void click(const Spot& p) {
        viewer->onMouseDown(p.ix(), p.iy(), MouseButton::Left);
        viewer->onMouseUp(p.ix(), p.iy(), MouseButton::Left);
    }
    [[nodiscard]] Image render() {
        EXPECT_TRUE(viewer->frame());
        return context->readPixels();
    }
    [[nodiscard]] bool isDragging() const { return viewer->getView().getProject().isDrag(); }

    static std::unique_ptr<Tolu::GL::HeadlessContext> context;
    static std::string error;
    std::unique_ptr<ViewerController> viewer;
};

std::unique_ptr<Tolu::GL::HeadlessContext> ViewerTest::context;
std::string ViewerTest::error;

// Where the block is in bodyTransforms().
constexpr std::size_t kBlock = 6;
// A pixel of sky above the mechanism, where nothing can be picked.
const Spot sky{kWidth / 2.0, 2.5};

// --- picking and highlighting ------------------------------------------------------------

TEST_F(ViewerTest, ClickHighlightsTheBodyInModeZeroAndKeyHClearsIt) {
    const auto& scene = viewer->getDemo();
    click(pixelOf(*scene.block));
    EXPECT_TRUE(nodeOf(*scene.block).isHighlighted(Vuro::GL::HLMode0));
    EXPECT_FALSE(nodeOf(*scene.block).isHighlighted(Vuro::GL::HLMode1));
    EXPECT_FALSE(nodeOf(*scene.ball).isHighlighted(Vuro::GL::HLMode0));
    EXPECT_EQ(viewer->getGesture(), Gesture::None);
    EXPECT_FALSE(isDragging());
    click(pixelOf(*scene.cone));
    EXPECT_FALSE(nodeOf(*scene.block).isHighlighted(Vuro::GL::HLMode0));
    EXPECT_TRUE(nodeOf(*scene.cone).isHighlighted(Vuro::GL::HLMode0));
    viewer->onKey('h');
    EXPECT_FALSE(nodeOf(*scene.cone).isHighlighted(Vuro::GL::HLMode0));
}

// --- dragging bodies and orbiting ------------------------------------------------------

TEST_F(ViewerTest, PressDragReleaseMovesOnlyTheBlockWithTheCursorAndEmptySpaceOrbits) {
    const auto& scene = viewer->getDemo();
    const Spot from = pixelOf(*scene.block);
    const M4 viewBefore = viewer->getCamera().getView();
    const auto before = bodyTransforms();
    viewer->onMouseDown(from.ix(), from.iy(), MouseButton::Left);
    EXPECT_EQ(viewer->getGesture(), Gesture::Drag);
    EXPECT_TRUE(isDragging());
    viewer->onMouseMove(from.ix() + 15, from.iy() - 5);
    EXPECT_TRUE(viewer->frame());
    viewer->onMouseMove(from.ix() + 30, from.iy() - 10);
    EXPECT_TRUE(viewer->frame());
    viewer->onMouseUp(from.ix() + 30, from.iy() - 10, MouseButton::Left);
    EXPECT_FALSE(isDragging());
    EXPECT_EQ(viewer->getGesture(), Gesture::None);
    EXPECT_TRUE(viewer->frame());

    // Within the plane facing the camera the grab point follows the cursor, so the
    // body's origin shows moved by the cursor's movement.
    const Spot to = pixelOf(*scene.block);
    EXPECT_NEAR(to.x - from.x, 30, kPixelSlack);
    EXPECT_NEAR(to.y - from.y, -10, kPixelSlack);
    // Right and up on the screen are +x and +z of the world seen from this side.
    const V3 moved = scene.block->getTransform().getTranslation() - before[kBlock].getTranslation();
    EXPECT_GT(moved.x, 0.1);
    EXPECT_GT(moved.z, 0.0);
    EXPECT_TRUE(viewer->getCamera().getView() == viewBefore) << "the camera stays";
    auto expected = before;
    expected[kBlock] = scene.block->getTransform();
    EXPECT_TRUE(bodyTransforms() == expected) << "only the block moves";

    // Dragging empty space orbits the camera and moves no body.
    ASSERT_FALSE(viewer->getView().pick(viewer->getCamera(), sky.ix(), sky.iy()).node)
        << "the sky pixel shows a node";
    viewer->onMouseDown(sky.ix(), sky.iy(), MouseButton::Left);
    EXPECT_EQ(viewer->getGesture(), Gesture::Orbit);
    viewer->onMouseMove(sky.ix() + 40, sky.iy() + 10);
    EXPECT_TRUE(viewer->frame());
    viewer->onMouseUp(sky.ix() + 40, sky.iy() + 10, MouseButton::Left);
    EXPECT_FALSE(isDragging());
    EXPECT_FALSE(viewer->getCamera().getView() == viewBefore);
    EXPECT_TRUE(bodyTransforms() == expected) << "no body moves";
}

// --- keys ------------------------------------------------------------------------------

TEST_F(ViewerTest, KeysToggleMaskBitsShadowsAndTransparencyZoomAndQuit) {
    // Key 1 toggles the bodies' geometry: the block leaves its pixel and comes back.
    const Spot block = pixelOf(*viewer->getDemo().block);
    EXPECT_GE(countPurple(render(), block), 10);
    viewer->onKey('1');
    EXPECT_EQ(viewer->getMask() & 1u, 0u);
    const Image hidden = render();
    EXPECT_EQ(countPurple(hidden, block), 0);
    if (HasFailure()) {
        Tolu::GL::savePNG(hidden, Tolu::Test::failureImagePath());
    }
    viewer->onKey('1');
    EXPECT_GE(countPurple(render(), block), 10);

    const double start = viewer->getOrbit().distance;
    viewer->onWheel(1);
    EXPECT_LT(viewer->getOrbit().distance, start);
    viewer->onKey('-');
    EXPECT_NEAR(viewer->getOrbit().distance, start, 1e-9);
    viewer->onWheel(400);
    EXPECT_GT(viewer->getOrbit().distance, 0.5) << "beyond the near plane";

    const bool shadows = viewer->getShadows();
    viewer->onKey('s');
    EXPECT_NE(viewer->getShadows(), shadows);
    EXPECT_EQ(viewer->getTranspMode(), 1u);
    for (const unsigned next : {3u, 0u, 1u}) {
        viewer->onKey('t');
        EXPECT_EQ(viewer->getTranspMode(), next);
    }
    EXPECT_TRUE(viewer->frame());
    viewer->onKey('q');
    EXPECT_FALSE(viewer->isRunning());
    EXPECT_FALSE(viewer->frame());
}

} // namespace

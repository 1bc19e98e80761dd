#include "ViewerController.h"
#include "support/PixelProbe.h"

#include <sim_gl/Body.h>
#include <sim_gl/Joint.h>
#include <sim_gl/Project.h>

#include <tolu/gl/GL.h>
#include <tolu/gl/HeadlessContext.h>
#include <tolu/gl/Image.h>
#include <vuro_gl/gl/HLMode.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace GLS = Ostra::Sim::GL;
using SimGLViewer::MouseButton;
using SimGLViewer::V3;
using SimGLViewer::ViewerController;
using Gesture = ViewerController::Gesture;
using M4 = Tolu::Matrix4x4T<double>;
using Tolu::GL::Image;
using Tolu::GL::Rgba;

// Small enough for a software rasteriser, large enough that every body covers pixels.
constexpr int kWidth = 160;
constexpr int kHeight = 120;
// A body this size covers a window this wide around its origin.
constexpr int kBodyWindow = 3;
// A pointer position in whole pixels lands within this of where it was aimed.
constexpr double kPixelSlack = 2.0;

struct Pixel {
    double x = 0;
    double y = 0;
    [[nodiscard]] int ix() const { return static_cast<int>(std::floor(x)); }
    [[nodiscard]] int iy() const { return static_cast<int>(std::floor(y)); }
};

bool isPurple(const Rgba& c) {
    return c[2] > c[1] + 50 && c[0] > c[1] + 15;
}

int countPurple(const Image& image, const Pixel& centre) {
    int n = 0;
    for (int y = std::max(0, centre.iy() - kBodyWindow);
         y <= std::min(image.height - 1, centre.iy() + kBodyWindow); ++y) {
        for (int x = std::max(0, centre.ix() - kBodyWindow);
             x <= std::min(image.width - 1, centre.ix() + kBodyWindow); ++x) {
            n += isPurple(image.at(x, y)) ? 1 : 0;
        }
    }
    return n;
}

bool sameMatrix(const M4& a, const M4& b) {
    for (std::size_t r = 0; r < 4; ++r) {
        for (std::size_t c = 0; c < 4; ++c) {
            if (std::abs(a(r, c) - b(r, c)) > 1e-9) {
                return false;
            }
        }
    }
    return true;
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

    [[nodiscard]] Pixel pixelOf(const Ostra::Sim::Body& body) const {
        Pixel p;
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
        const auto& s = viewer->getScene();
        for (const auto* body :
             {s.ground.get(), s.pillar.get(), s.crank.get(), s.ball.get(), s.cone.get(),
              s.arrow.get(), s.block.get(), s.glass.get(), s.cart.get()}) {
            transforms.push_back(body->getTransform());
        }
        return transforms;
    }
    void click(const Pixel& p) {
        viewer->onMouseDown(p.ix(), p.iy(), MouseButton::Left);
        viewer->onMouseUp(p.ix(), p.iy(), MouseButton::Left);
    }
    [[nodiscard]] Image render() {
        EXPECT_TRUE(viewer->frame());
        return context->readPixels();
    }
    void keepOnFailure(const Image& image) const {
        if (HasFailure()) {
            Tolu::GL::savePNG(image, Tolu::Test::failureImagePath());
        }
    }
    [[nodiscard]] bool isDragging() const { return viewer->getView().getProject().isDrag(); }

    static std::unique_ptr<Tolu::GL::HeadlessContext> context;
    static std::string error;
    std::unique_ptr<ViewerController> viewer;
};

std::unique_ptr<Tolu::GL::HeadlessContext> ViewerTest::context;
std::string ViewerTest::error;

// A pixel of sky above the mechanism, where nothing can be picked.
const Pixel sky{kWidth / 2.0, 2.5};

// --- picking and highlighting ------------------------------------------------------------

TEST_F(ViewerTest, ClickOnTheBlockHighlightsItsNodeInModeZero) {
    const auto& scene = viewer->getScene();
    click(pixelOf(*scene.block));
    EXPECT_TRUE(nodeOf(*scene.block).isHighlighted(Vuro::GL::HLMode0));
    EXPECT_FALSE(nodeOf(*scene.block).isHighlighted(Vuro::GL::HLMode1));
    EXPECT_FALSE(nodeOf(*scene.ball).isHighlighted(Vuro::GL::HLMode0));
    EXPECT_EQ(viewer->getGesture(), Gesture::None);
}

TEST_F(ViewerTest, ClickOnAnotherBodyMovesTheHighlightThere) {
    const auto& scene = viewer->getScene();
    click(pixelOf(*scene.block));
    click(pixelOf(*scene.cone));
    EXPECT_FALSE(nodeOf(*scene.block).isHighlighted(Vuro::GL::HLMode0));
    EXPECT_TRUE(nodeOf(*scene.cone).isHighlighted(Vuro::GL::HLMode0));
}

TEST_F(ViewerTest, PressOnAJointHighlightsItAndOrbitsInsteadOfDragging) {
    // The ball's centre shows the point of the joint that pins it to the crank.
    const auto& scene = viewer->getScene();
    const Pixel pin = pixelOf(*scene.ball);
    viewer->onMouseDown(pin.ix(), pin.iy(), MouseButton::Left);
    EXPECT_EQ(viewer->getGesture(), Gesture::Orbit);
    EXPECT_FALSE(isDragging());
    viewer->onMouseUp(pin.ix(), pin.iy(), MouseButton::Left);
    auto* joint =
        dynamic_cast<GLS::Joint*>(viewer->getView().getProject().find(scene.ballPin.get()).get());
    ASSERT_NE(joint, nullptr);
    EXPECT_TRUE(joint->isHighlighted(Vuro::GL::HLMode0));
    EXPECT_FALSE(nodeOf(*scene.ball).isHighlighted(Vuro::GL::HLMode0));
}

TEST_F(ViewerTest, KeyHClearsTheHighlight) {
    const auto& scene = viewer->getScene();
    click(pixelOf(*scene.block));
    viewer->onKey('h');
    EXPECT_FALSE(nodeOf(*scene.block).isHighlighted(Vuro::GL::HLMode0));
}

TEST_F(ViewerTest, ClickWithoutMovingLeavesTheBodyWhereItWas) {
    const auto before = bodyTransforms();
    click(pixelOf(*viewer->getScene().block));
    EXPECT_TRUE(viewer->frame());
    const auto after = bodyTransforms();
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_TRUE(sameMatrix(before[i], after[i])) << "body " << i;
    }
    EXPECT_FALSE(isDragging());
}

TEST_F(ViewerTest, HighlightedBlockIsOutlinedInTheFrame) {
    const Pixel block = pixelOf(*viewer->getScene().block);
    const Image plain = render();
    click(block);
    const Image outlined = render();
    const Rgba orange{255, 128, 0, 255};
    auto countOrange = [&](const Image& image) {
        int n = 0;
        for (int y = std::max(0, block.iy() - 10); y <= std::min(kHeight - 1, block.iy() + 10);
             ++y) {
            for (int x = std::max(0, block.ix() - 10); x <= std::min(kWidth - 1, block.ix() + 10);
                 ++x) {
                const Rgba c = image.at(x, y);
                n += std::abs(int(c[0]) - orange[0]) <= 20 &&
                             std::abs(int(c[1]) - orange[1]) <= 20 &&
                             std::abs(int(c[2]) - orange[2]) <= 20
                         ? 1
                         : 0;
            }
        }
        return n;
    };
    EXPECT_EQ(countOrange(plain), 0);
    EXPECT_GE(countOrange(outlined), 20);
    keepOnFailure(outlined);
}

// --- dragging bodies -------------------------------------------------------------------

TEST_F(ViewerTest, PressDragReleaseMovesTheBlockWithTheCursor) {
    const auto& scene = viewer->getScene();
    const Pixel from = pixelOf(*scene.block);
    const M4 viewBefore = viewer->getCamera().getView();
    const V3 startPos = scene.block->getTransform().getTranslation();
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
    const Pixel to = pixelOf(*scene.block);
    EXPECT_NEAR(to.x - from.x, 30, kPixelSlack);
    EXPECT_NEAR(to.y - from.y, -10, kPixelSlack);
    // Right and up on the screen are +x and +z of the world seen from this side.
    const V3 moved = scene.block->getTransform().getTranslation() - startPos;
    EXPECT_GT(moved.x, 0.1);
    EXPECT_GT(moved.z, 0.0);
    EXPECT_TRUE(sameMatrix(viewer->getCamera().getView(), viewBefore)) << "the camera stays";
}

TEST_F(ViewerTest, ReleaseBeforeTheNextFrameStillMovesTheBlock) {
    const auto& scene = viewer->getScene();
    const Pixel from = pixelOf(*scene.block);
    viewer->onMouseDown(from.ix(), from.iy(), MouseButton::Left);
    viewer->onMouseMove(from.ix() - 20, from.iy());
    viewer->onMouseUp(from.ix() - 20, from.iy(), MouseButton::Left);
    EXPECT_FALSE(isDragging());
    EXPECT_NEAR(pixelOf(*scene.block).x - from.x, -20, kPixelSlack);
}

TEST_F(ViewerTest, DraggingMovesOnlyTheGrabbedBody) {
    const auto& scene = viewer->getScene();
    auto before = bodyTransforms();
    const Pixel from = pixelOf(*scene.block);
    viewer->onMouseDown(from.ix(), from.iy(), MouseButton::Left);
    viewer->onMouseMove(from.ix(), from.iy() + 15);
    EXPECT_TRUE(viewer->frame());
    viewer->onMouseUp(from.ix(), from.iy() + 15, MouseButton::Left);
    const auto after = bodyTransforms();
    for (std::size_t i = 0; i < before.size(); ++i) {
        const bool isBlock = i == 6;
        EXPECT_EQ(sameMatrix(before[i], after[i]), !isBlock) << "body " << i;
    }
}

TEST_F(ViewerTest, ShownBlockFollowsTheDragInTheRenderedFrame) {
    const Pixel from = pixelOf(*viewer->getScene().block);
    EXPECT_GE(countPurple(render(), from), 10);
    viewer->onMouseDown(from.ix(), from.iy(), MouseButton::Left);
    viewer->onMouseMove(from.ix() + 25, from.iy());
    viewer->onMouseUp(from.ix() + 25, from.iy(), MouseButton::Left);
    const Image image = render();
    EXPECT_GE(countPurple(image, {from.x + 25, from.y}), 10);
    EXPECT_EQ(countPurple(image, {from.x - 4, from.y}), 0);
    keepOnFailure(image);
}

// --- orbiting and zooming --------------------------------------------------------------

TEST_F(ViewerTest, DragOnEmptySpaceOrbitsAndMovesNoBody) {
    ASSERT_FALSE(viewer->getView().pick(viewer->getCamera(), sky.ix(), sky.iy()).node)
        << "the sky pixel shows a node";
    const auto before = bodyTransforms();
    const M4 viewBefore = viewer->getCamera().getView();
    viewer->onMouseDown(sky.ix(), sky.iy(), MouseButton::Left);
    EXPECT_EQ(viewer->getGesture(), Gesture::Orbit);
    viewer->onMouseMove(sky.ix() + 40, sky.iy() + 10);
    EXPECT_TRUE(viewer->frame());
    viewer->onMouseUp(sky.ix() + 40, sky.iy() + 10, MouseButton::Left);
    EXPECT_FALSE(isDragging());
    EXPECT_FALSE(sameMatrix(viewer->getCamera().getView(), viewBefore));
    EXPECT_NE(viewer->getOrbit().yaw, SimGLViewer::Orbit().yaw);
    EXPECT_NE(viewer->getOrbit().pitch, SimGLViewer::Orbit().pitch);
    const auto after = bodyTransforms();
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_TRUE(sameMatrix(before[i], after[i])) << "body " << i;
    }
}

TEST_F(ViewerTest, RightDragOnABodyOrbitsInsteadOfGrabbing) {
    const auto& scene = viewer->getScene();
    const Pixel from = pixelOf(*scene.block);
    const M4 blockBefore = scene.block->getTransform();
    viewer->onMouseDown(from.ix(), from.iy(), MouseButton::Right);
    EXPECT_EQ(viewer->getGesture(), Gesture::Orbit);
    EXPECT_FALSE(isDragging());
    viewer->onMouseMove(from.ix() + 20, from.iy());
    viewer->onMouseUp(from.ix() + 20, from.iy(), MouseButton::Right);
    EXPECT_TRUE(sameMatrix(scene.block->getTransform(), blockBefore));
    EXPECT_FALSE(nodeOf(*scene.block).isHighlighted(Vuro::GL::HLMode0));
}

TEST_F(ViewerTest, OrbitPitchStopsShortOfStraightDown) {
    viewer->onMouseDown(sky.ix(), sky.iy(), MouseButton::Left);
    viewer->onMouseMove(sky.ix(), sky.iy() + 2000);
    viewer->onMouseUp(sky.ix(), sky.iy() + 2000, MouseButton::Left);
    EXPECT_LT(viewer->getOrbit().pitch, 90);
    EXPECT_NO_THROW((void)viewer->getCamera().getView());
}

TEST_F(ViewerTest, WheelAndPlusMinusZoomWithinLimits) {
    const double start = viewer->getOrbit().distance;
    viewer->onWheel(1);
    EXPECT_LT(viewer->getOrbit().distance, start);
    viewer->onKey('-');
    EXPECT_NEAR(viewer->getOrbit().distance, start, 1e-9);
    viewer->onKey('+');
    EXPECT_LT(viewer->getOrbit().distance, start);
    viewer->onWheel(-200);
    const double farthest = viewer->getOrbit().distance;
    viewer->onWheel(400);
    const double nearest = viewer->getOrbit().distance;
    EXPECT_GT(nearest, 0.5) << "beyond the near plane";
    EXPECT_LT(farthest, 60) << "within the far plane";
    viewer->onKey('r');
    EXPECT_NEAR(viewer->getOrbit().distance, start, 1e-9);
}

TEST_F(ViewerTest, ResizeChangesTheViewportAndPicksStillHit) {
    viewer->resize(80, 60);
    EXPECT_EQ(viewer->getCamera().getWidth(), 80);
    EXPECT_EQ(viewer->getCamera().getHeight(), 60);
    click(pixelOf(*viewer->getScene().block));
    EXPECT_TRUE(nodeOf(*viewer->getScene().block).isHighlighted(Vuro::GL::HLMode0));
    viewer->resize(0, -5);
    EXPECT_EQ(viewer->getCamera().getWidth(), 1);
    EXPECT_EQ(viewer->getCamera().getHeight(), 1);
}

// --- keys and what they show -----------------------------------------------------------

TEST_F(ViewerTest, KeySTogglesShadows) {
    const bool initial = viewer->getShadows();
    viewer->onKey('s');
    EXPECT_NE(viewer->getShadows(), initial);
    viewer->onKey('s');
    EXPECT_EQ(viewer->getShadows(), initial);
}

TEST_F(ViewerTest, KeyTCyclesTransparencyModesOneThreeZero) {
    EXPECT_EQ(viewer->getTranspMode(), 1u);
    viewer->onKey('t');
    EXPECT_EQ(viewer->getTranspMode(), 3u);
    viewer->onKey('t');
    EXPECT_EQ(viewer->getTranspMode(), 0u);
    viewer->onKey('t');
    EXPECT_EQ(viewer->getTranspMode(), 1u);
}

TEST_F(ViewerTest, QuitKeysEndTheLoopWithoutDrawing) {
    for (const char key : {'q', char(27)}) {
        viewer = std::make_unique<ViewerController>(kWidth, kHeight);
        EXPECT_TRUE(viewer->frame());
        viewer->onKey(key);
        EXPECT_FALSE(viewer->isRunning()) << int(key);
        EXPECT_FALSE(viewer->frame()) << int(key);
    }
}

TEST_F(ViewerTest, OtherKeysChangeNothing) {
    const unsigned mask = viewer->getMask();
    for (const char key : {'0', 'x', ' ', 'S', 'T'}) {
        viewer->onKey(key);
    }
    EXPECT_EQ(viewer->getMask(), mask);
    EXPECT_TRUE(viewer->getShadows());
    EXPECT_EQ(viewer->getTranspMode(), 1u);
    EXPECT_TRUE(viewer->isRunning());
}

TEST_F(ViewerTest, EveryShadowAndTransparencySettingDrawsTheBlock) {
    const Pixel block = pixelOf(*viewer->getScene().block);
    for (int i = 0; i < 6; ++i) {
        const Image image = render();
        EXPECT_GE(countPurple(image, block), 10)
            << "shadows " << viewer->getShadows() << ", mode " << viewer->getTranspMode();
        keepOnFailure(image);
        viewer->onKey('t');
        if (i == 2) {
            viewer->onKey('s');
        }
    }
}

TEST_F(ViewerTest, HidingBodyGeometryRemovesTheBlockFromItsPixel) {
    const Pixel block = pixelOf(*viewer->getScene().block);
    EXPECT_GE(countPurple(render(), block), 10);
    viewer->onKey('1');
    EXPECT_EQ(viewer->getMask() & 1u, 0u);
    const Image hidden = render();
    EXPECT_EQ(countPurple(hidden, block), 0);
    keepOnFailure(hidden);
    viewer->onKey('1');
    EXPECT_GE(countPurple(render(), block), 10);
}

class ViewerMaskKeyTest : public ViewerTest, public ::testing::WithParamInterface<int> {};

TEST_P(ViewerMaskKeyTest, DigitKeyTogglesItsMaskBitAlone) {
    const int n = GetParam();
    const unsigned mask = viewer->getMask();
    viewer->onKey(char('0' + n));
    EXPECT_EQ(viewer->getMask(), mask ^ (1u << (n - 1)));
    viewer->onKey(char('0' + n));
    EXPECT_EQ(viewer->getMask(), mask);
}

INSTANTIATE_TEST_SUITE_P(Keys, ViewerMaskKeyTest, ::testing::Range(1, 10),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Key" + std::to_string(info.param);
                         });

} // namespace

#include "ViewerController.h"
#include "support/PixelProbe.h"

#include <sim_gl/Body.h>
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

// Where the block is in bodyTransforms().
constexpr std::size_t kBlock = 6;
// A pixel of sky above the mechanism, where nothing can be picked.
const Pixel sky{kWidth / 2.0, 2.5};

// --- picking and highlighting ------------------------------------------------------------

TEST_F(ViewerTest, ClickHighlightsTheBodyInModeZeroAndKeyHClearsIt) {
    const auto& scene = viewer->getScene();
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

// --- dragging bodies -------------------------------------------------------------------

TEST_F(ViewerTest, PressDragReleaseMovesOnlyTheBlockWithTheCursor) {
    const auto& scene = viewer->getScene();
    const Pixel from = pixelOf(*scene.block);
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
    const Pixel to = pixelOf(*scene.block);
    EXPECT_NEAR(to.x - from.x, 30, kPixelSlack);
    EXPECT_NEAR(to.y - from.y, -10, kPixelSlack);
    // Right and up on the screen are +x and +z of the world seen from this side.
    const V3 moved = scene.block->getTransform().getTranslation() - before[kBlock].getTranslation();
    EXPECT_GT(moved.x, 0.1);
    EXPECT_GT(moved.z, 0.0);
    EXPECT_TRUE(sameMatrix(viewer->getCamera().getView(), viewBefore)) << "the camera stays";
    const auto after = bodyTransforms();
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(sameMatrix(before[i], after[i]), i != kBlock) << "body " << i;
    }
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
    const auto after = bodyTransforms();
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_TRUE(sameMatrix(before[i], after[i])) << "body " << i;
    }
}

TEST_F(ViewerTest, ZoomShadowTransparencyAndQuitKeys) {
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

} // namespace

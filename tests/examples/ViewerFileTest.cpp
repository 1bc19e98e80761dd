#include "SceneView.h"
#include "TextOverlay.h"
#include "ViewerArgs.h"
#include "ViewerController.h"
#include "support/PixelProbe.h"

#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Project.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/gl/HeadlessContext.h>
#include <tolu/gl/Image.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostra_io/LoadError.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <variant>
#include <vector>

// The viewer on files: arguments, motion keys, screenshots, reloads and the status line,
// driven through the window-free controller against a headless context.
namespace {

using SimGLViewer::MouseButton;
using SimGLViewer::SpecialKey;
using SimGLViewer::ViewerController;
using SimGLViewer::ViewerModel;
using Tolu::GL::Image;
using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;
namespace fs = std::filesystem;

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr double kFrame = 1.0 / ViewerController::stepFps;

std::string readText(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

// Colours alike, whatever alpha the frame left: screenshots are opaque.
bool sameColours(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.rgba.size(); ++i) {
        if (i % 4 != 3 && a.rgba[i] != b.rgba[i]) {
            return false;
        }
    }
    return true;
}

Ostra::Sim::Body& bodyNamed(const Ostra::Sim::Project& model, const std::string& name) {
    for (auto* b = model.getBodyList().getFirst().get(); b; b = b->getNext().get()) {
        if (b->getName() == name) {
            return *b;
        }
    }
    throw std::runtime_error("no body named " + name);
}

TEST(ViewerArgsTest, OpensAModelRefusesFilesItCannotReadAndExplainsItsKeys) {
    std::ostringstream out;
    std::ostringstream err;
    auto opened = SimGLViewer::prepare({TOLU_SAMPLE_SCENE}, out, err);
    ASSERT_TRUE(std::holds_alternative<ViewerModel>(opened)) << err.str();
    EXPECT_TRUE(std::get<ViewerModel>(opened).isFile());
    EXPECT_TRUE(std::get<ViewerModel>(SimGLViewer::prepare({}, out, err)).getDemo());

    const auto missing = SimGLViewer::prepare({"no/such/scene.json"}, out, err);
    EXPECT_EQ(std::get<int>(missing), 1);
    EXPECT_NE(err.str().find("no/such/scene.json"), std::string::npos) << err.str();
    const std::string motionFile = "no/such/motion.csv";
    EXPECT_EQ(
        std::get<int>(SimGLViewer::prepare({TOLU_SAMPLE_SCENE, "--motion", motionFile}, out, err)),
        1);
    EXPECT_NE(err.str().find(motionFile), std::string::npos) << err.str();
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--motion"}, {"a.json", "b.json"}, {"--frobnicate"}, {"--motion", "m.csv"}}) {
        EXPECT_EQ(std::get<int>(SimGLViewer::prepare(bad, out, err)), 2) << bad[0];
    }
    EXPECT_EQ(out.str(), "") << "errors go to stderr";

    EXPECT_EQ(std::get<int>(SimGLViewer::prepare({"--help"}, out, err)), 0);
    for (const char* key : {"space", "left, right", "p ", "r ", "c ", "F1", "1 .. 9", "q or Esc"}) {
        EXPECT_NE(out.str().find(key), std::string::npos) << key;
    }
}

class ViewerFileTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        try {
            context = std::make_unique<Tolu::GL::HeadlessContext>(kWidth, kHeight);
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    static void TearDownTestSuite() { context.reset(); }

protected:
    void SetUp() override {
        ASSERT_TRUE(context) << "no headless context: " << error;
        context->makeCurrent();
        dir = fs::temp_directory_path() /
              ("simGLViewer-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        sceneText = readText(TOLU_SAMPLE_SCENE);
        writeText(scenePath(), sceneText);
        // The cone slides from x = 0 to x = 2 in two seconds.
        writeText(motionPath(), "time,cone.x,cone.y,cone.z,cone.qw,cone.qx,cone.qy,cone.qz\n"
                                "0,0,1.6,0,1,0,0,0\n"
                                "2,2,1.6,0,1,0,0,0\n");
    }
    void TearDown() override {
        viewer.reset();
        if (context) {
            EXPECT_EQ(Tolu::GL::glGetError(), 0u);
        }
        if (!HasFailure()) {
            fs::remove_all(dir);
        }
    }

    [[nodiscard]] fs::path scenePath() const { return dir / "scene.json"; }
    [[nodiscard]] fs::path motionPath() const { return dir / "motion.csv"; }
    void open(bool withMotion) {
        viewer = std::make_unique<ViewerController>(
            kWidth, kHeight, ViewerModel(scenePath(), withMotion ? motionPath() : fs::path()));
        viewer->setScreenshotFolder(dir);
        viewer->setOutput(said);
    }
    [[nodiscard]] Ostra::Sim::Body& body(const std::string& name) const {
        return bodyNamed(*viewer->getModel().getModel(), name);
    }
    [[nodiscard]] std::pair<int, int> pixelOf(const std::string& name) const {
        double x = 0;
        double y = 0;
        EXPECT_TRUE(viewer->getCamera().toPixel(body(name).getTransform().getTranslation(), x, y));
        return {int(x), int(y)};
    }
    [[nodiscard]] Image render() {
        EXPECT_TRUE(viewer->frame());
        return context->readPixels();
    }
    [[nodiscard]] bool contains(const std::string& text) const {
        return viewer->getStatusLine().find(text) != std::string::npos;
    }

    static std::unique_ptr<Tolu::GL::HeadlessContext> context;
    static std::string error;
    fs::path dir;
    std::string sceneText;
    std::ostringstream said;
    std::unique_ptr<ViewerController> viewer;
};

std::unique_ptr<Tolu::GL::HeadlessContext> ViewerFileTest::context;
std::string ViewerFileTest::error;

TEST_F(ViewerFileTest, SpacePlaysAndPausesArrowsStepFramesAndTheModelFollows) {
    open(true);
    EXPECT_TRUE(contains("t 0.000 / 2.000 s  frame 0  paused")) << viewer->getStatusLine();
    viewer->tick(0.5);
    EXPECT_EQ(viewer->getTime(), 0.0) << "paused: time stands";
    viewer->onKey(' ');
    EXPECT_TRUE(viewer->isPlaying());
    viewer->tick(0.5);
    EXPECT_NEAR(viewer->getTime(), 0.5, 1e-12);
    EXPECT_NEAR(body("cone").getTransform().getTranslation().x, 0.5, 1e-9);
    viewer->onKey(' ');
    viewer->tick(0.5);
    EXPECT_NEAR(viewer->getTime(), 0.5, 1e-12);
    EXPECT_TRUE(contains("frame 15  paused")) << viewer->getStatusLine();

    viewer->onKey(' ');
    viewer->onSpecialKey(SpecialKey::Right);
    EXPECT_FALSE(viewer->isPlaying()) << "a step pauses";
    EXPECT_EQ(viewer->getFrame(), 16);
    viewer->onSpecialKey(SpecialKey::Left);
    viewer->onSpecialKey(SpecialKey::Left);
    EXPECT_NEAR(viewer->getTime(), 14 * kFrame, 1e-12);
    EXPECT_NEAR(body("cone").getTransform().getTranslation().x, 14 * kFrame, 1e-9);
    for (int i = 0; i < 20; ++i) {
        viewer->onSpecialKey(SpecialKey::Left);
    }
    EXPECT_EQ(viewer->getTime(), 0.0) << "steps stop at the start";

    // Playing runs over the end back to the start.
    viewer->onKey(' ');
    viewer->tick(2.25);
    EXPECT_NEAR(viewer->getTime(), 0.25, 1e-9);
    EXPECT_TRUE(render().width == kWidth);
}

TEST_F(ViewerFileTest, ScreenshotsAreNumberedPngsOfTheFrameWithStatusLineAndHelp) {
    open(false);
    EXPECT_TRUE(contains("no motion")) << viewer->getStatusLine();
    viewer->onKey('p');
    const Image plain = render();
    const fs::path first = dir / "simGLViewer-0001.png";
    ASSERT_TRUE(fs::exists(first)) << said.str();
    EXPECT_NE(said.str().find(first.string()), std::string::npos) << said.str();
    EXPECT_TRUE(contains("saved")) << viewer->getStatusLine();
    const Image shot = Tolu::GL::loadPNG(first.string());
    ASSERT_EQ(shot.width, kWidth);
    ASSERT_EQ(shot.height, kHeight);
    EXPECT_TRUE(sameColours(shot, plain)) << "the screenshot is the frame";
    // The sky is light, the status bar at the bottom dark, with light letters in it.
    const auto brightness = [](const Tolu::GL::Rgba& c) { return c[0] + c[1] + c[2]; };
    EXPECT_GT(brightness(shot.at(kWidth / 2, 2)), 500);
    int dark = 0;
    int light = 0;
    for (int x = 0; x < kWidth; ++x) {
        const int b = brightness(shot.at(x, kHeight - 15));
        dark += b < 300;
        light += b > 600;
    }
    EXPECT_GT(dark, kWidth / 3);
    EXPECT_GT(light, 5) << "the status line's text";

    // The help overlay darkens the top left; a second shot takes the next number.
    EXPECT_FALSE(viewer->isHelpShown());
    viewer->onKey('?');
    EXPECT_TRUE(viewer->isHelpShown());
    viewer->onKey('p');
    const Image help = render();
    EXPECT_TRUE(fs::exists(dir / "simGLViewer-0002.png"));
    EXPECT_LT(brightness(help.at(kWidth / 2, 8)), 400);
    viewer->onSpecialKey(SpecialKey::F1);
    EXPECT_FALSE(viewer->isHelpShown());
    EXPECT_TRUE(sameColours(render(), plain));
}

TEST_F(ViewerFileTest, OverlayDrawsTextAndPutsBackTheStateItChanges) {
    using namespace Tolu::GL;
    glBindFramebuffer(GL_FRAMEBUFFER, context->getFramebuffer());
    glViewport(3, 4, 50, 60);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glBlendFuncSeparate(GL_ONE, GL_ZERO, GL_ZERO, GL_ONE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    {
        SimGLViewer::TextOverlay overlay;
        overlay.addText(0, 0, "#", {1, 1, 1, 1});
        overlay.draw(kWidth, kHeight);
    }
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint value[4] = {};
    glGetIntegerv(GL_BLEND_SRC_RGB, value);
    EXPECT_EQ(value[0], GL_ONE);
    glGetIntegerv(GL_BLEND_DST_ALPHA, value);
    EXPECT_EQ(value[0], GL_ONE);
    glGetIntegerv(GL_CURRENT_PROGRAM, value);
    EXPECT_EQ(value[0], 0);
    glGetIntegerv(GL_VIEWPORT, value);
    EXPECT_EQ(value[2], 50);
    // '#' sets its second column from the top row down: at scale 2, pixel (2, 0) is lit.
    const Image image = context->readPixels();
    EXPECT_EQ(image.at(2, 0)[0], 255);
    EXPECT_EQ(image.at(0, 0)[0], 0);
}

TEST_F(ViewerFileTest, ReloadPicksUpAnEditAndKeepsTheModelWhenTheEditIsBroken) {
    open(true);
    viewer->onKey(' ');
    viewer->tick(1);
    EXPECT_NEAR(body("block").getTransform().getTranslation().z, 0.35, 1e-9);
    const std::string from = "\"position\": [0.6, 0.3, 0.35]";
    ASSERT_NE(sceneText.find(from), std::string::npos);
    std::string edited = sceneText;
    edited.replace(edited.find(from), from.size(), "\"position\": [0.6, 0.3, 1.35]");
    writeText(scenePath(), edited);
    viewer->onKey('r');
    EXPECT_NEAR(body("block").getTransform().getTranslation().z, 1.35, 1e-9);
    EXPECT_TRUE(contains("reloaded")) << viewer->getStatusLine();
    EXPECT_NEAR(viewer->getTime(), 1, 1e-12) << "the time stays";
    EXPECT_NEAR(body("cone").getTransform().getTranslation().x, 1, 1e-9) << "and is applied";
    (void)render();

    const Ostra::Sim::Project* before = viewer->getModel().getModel().get();
    writeText(scenePath(), edited.substr(0, edited.size() / 2));
    viewer->onKey('r');
    EXPECT_EQ(viewer->getModel().getModel().get(), before);
    EXPECT_TRUE(contains("reload failed")) << viewer->getStatusLine();
    EXPECT_TRUE(contains(scenePath().string())) << viewer->getStatusLine();
    EXPECT_TRUE(viewer->frame());

    // So does a motion of a body the scene lacks.
    writeText(scenePath(), edited);
    writeText(motionPath(), "time,nobody.x,nobody.y,nobody.z,nobody.qw,nobody.qx,nobody.qy,"
                            "nobody.qz\n0,0,0,0,1,0,0,0\n");
    viewer->onKey('r');
    EXPECT_EQ(viewer->getModel().getModel().get(), before);
    EXPECT_TRUE(contains("reload failed")) << viewer->getStatusLine();
    EXPECT_TRUE(contains("nobody")) << viewer->getStatusLine();
}

TEST_F(ViewerFileTest, ClickNamesThePickAndDragMovesABodyOfAModelWithoutDrivers) {
    // Without its port drivers the file says nothing about dragging.
    const std::size_t drivers = sceneText.find(",\n  \"portDrivers\"");
    ASSERT_NE(drivers, std::string::npos);
    writeText(scenePath(), sceneText.substr(0, drivers) + "\n}\n");
    open(false);
    EXPECT_TRUE(contains("picked: -")) << viewer->getStatusLine();
    (void)render();
    const auto [x, y] = pixelOf("block");
    const auto before = body("block").getTransform().getTranslation();
    viewer->onMouseDown(x, y, MouseButton::Left);
    EXPECT_EQ(viewer->getGesture(), ViewerController::Gesture::Drag);
    viewer->onMouseMove(x + 20, y);
    EXPECT_TRUE(viewer->frame());
    viewer->onMouseUp(x + 20, y, MouseButton::Left);
    EXPECT_TRUE(contains("picked: block")) << viewer->getStatusLine();
    EXPECT_GT((body("block").getTransform().getTranslation() - before).length(), 0.1);
    viewer->onKey('h');
    EXPECT_TRUE(contains("picked: -")) << viewer->getStatusLine();
}

TEST_F(ViewerFileTest, AModelFileIsFramedByItsGeometryAndTheKeyCGoesBackThere) {
    // A speck far from the origin, and a body without geometry there: its frame, drawn at
    // a size made for the screen, must not decide how near the camera comes.
    writeText(scenePath(), R"({"format": "ostra-scene", "version": 1,
  "prototypes": [{"name": "speck", "shape": "box", "size": [0.05, 0.05, 0.05]}],
  "bodies": [{"name": "speck", "prototype": "speck", "pose": {"position": [5, 5, 1]}},
             {"name": "empty", "pose": {"position": [5, 5, 1]}}]})");
    open(false);
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    ASSERT_TRUE(viewer->getCamera().toPixel(V3(5, 5, 0.975), x0, y0));
    ASSERT_TRUE(viewer->getCamera().toPixel(V3(5, 5, 1.025), x1, y1));
    EXPECT_NEAR(x0, kWidth / 2.0, 2);
    EXPECT_GT(std::abs(y1 - y0), kHeight / 3.0) << "the speck fills the view";
    const M4 home = viewer->getCamera().getView();
    viewer->onWheel(3);
    viewer->onKey('c');
    EXPECT_TRUE(viewer->getCamera().getView() == home);
    EXPECT_TRUE(viewer->frame());
}

TEST_F(ViewerFileTest, ARobotDescriptionIsFramedDraggedAndPlayedByJointPositions) {
    // A post on a plate, hinged about y; no file of its own says who may drag what.
    writeText(dir / "pair.urdf", R"(<robot name="pair">
  <link name="plate"><visual><geometry><box size="1 1 0.2"/></geometry></visual></link>
  <link name="post"><visual><origin xyz="0 0 0.5"/>
    <geometry><box size="0.2 0.2 1"/></geometry></visual></link>
  <joint name="hinge" type="revolute"><parent link="plate"/><child link="post"/>
    <origin xyz="0 0 0.1"/><axis xyz="0 1 0"/>
    <limit lower="-2" upper="2" effort="1" velocity="1"/></joint>
</robot>
)");
    writeText(motionPath(), "time,hinge\n0,0\n1,1.5\n");
    try {
        viewer = std::make_unique<ViewerController>(kWidth, kHeight,
                                                    ViewerModel(dir / "pair.urdf", motionPath()));
    } catch (const Ostra::IO::LoadError& e) {
        GTEST_SKIP() << "this build reads no robot descriptions: " << e.what();
    }
    // Framed: the post's middle shows near the middle of the view.
    const V3 middle = body("post").getTransform().getTranslation() + V3(0, 0, 0.5);
    double x = 0;
    double y = 0;
    ASSERT_TRUE(viewer->getCamera().toPixel(middle, x, y));
    EXPECT_NEAR(x, kWidth / 2.0, kWidth / 4.0);
    EXPECT_NEAR(y, kHeight / 2.0, kHeight / 4.0);
    (void)render();

    viewer->onMouseDown(int(x), int(y), MouseButton::Left);
    EXPECT_EQ(viewer->getGesture(), ViewerController::Gesture::Drag);
    viewer->onMouseMove(int(x) + 20, int(y));
    viewer->onMouseUp(int(x) + 20, int(y), MouseButton::Left);
    EXPECT_TRUE(contains("picked: post")) << viewer->getStatusLine();
    const V3 dragged = body("post").getTransform().getTranslation();
    EXPECT_GT((dragged - V3(0, 0, 0.1)).length(), 0.05);
    EXPECT_EQ(body("plate").getTransform().getTranslation(), V3());

    // The motion turns the post about the hinge, back onto it.
    viewer->onKey(' ');
    viewer->tick(1);
    const M4 turned = body("post").getTransform();
    EXPECT_NEAR((turned.getTranslation() - V3(0, 0, 0.1)).length(), 0, 1e-9);
    EXPECT_NEAR(turned(0, 2), std::sin(1.5), 1e-9) << "z axis tipped towards +x";
    EXPECT_TRUE(viewer->frame());
}

} // namespace

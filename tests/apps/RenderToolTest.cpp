#include "support/PixelProbe.h"

#include <tolu/gl/Image.h>
#include <tolu/math3d/DegreeT.h>
#include <tolu/math3d/Matrix4x4T.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// simgl-render on the sample scene: what it draws where, and how it exits.
namespace {

using Tolu::GL::Image;
using Tolu::GL::Rgba;
using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;

constexpr int kWidth = 160;
constexpr int kHeight = 120;
// Straight down onto the middle of the ground plate, y up in the picture.
const V3 eye{0, -0.3, 14};
const V3 target{0, -0.3, 0};
const V3 up{0, 1, 0};
const std::string camera = "--camera 0,-0.3,14,0,-0.3,0,0,1,0 --size 160x120 --fov 40";

struct Outcome {
    int status = -1;
    std::string errors;
};

class RenderToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("simgl-render-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    Outcome run(const std::string& args) const {
        const std::string errors = (dir / "stderr.txt").string();
        const std::string command =
            std::string(SIMGL_RENDER) + " " + args + " > /dev/null 2> " + errors;
        const int raw = std::system(command.c_str());
        std::ifstream in(errors);
        std::ostringstream text;
        text << in.rdbuf();
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text.str()};
    }

    Image render(const std::string& options) const {
        const std::string out = (dir / "out.png").string();
        const Outcome result =
            run(std::string(TOLU_SAMPLE_SCENE) + " " + options + " --out " + out);
        EXPECT_EQ(result.status, 0) << result.errors;
        return result.status == 0 ? Tolu::GL::loadPNG(out) : Image{};
    }

    std::filesystem::path dir;
};

// Where a world point shows in the test camera's image.
std::pair<int, int> pixel(const V3& world) {
    const M4 toClip =
        M4::perspective(Tolu::DegreeT<double>(40).toRadians(), double(kWidth) / kHeight, 1, 30) *
        M4::lookAt(eye, target, up);
    const auto clip = toClip.transform(Tolu::Vector4T<double>(world, 1.0));
    return {int(std::floor((clip.x / clip.w + 1) * 0.5 * kWidth)),
            int(std::floor((1 - clip.y / clip.w) * 0.5 * kHeight))};
}

int count(const Image& image, const V3& world, int radius, const std::function<bool(Rgba)>& test) {
    const auto [cx, cy] = pixel(world);
    int n = 0;
    for (int y = std::max(0, cy - radius); y <= std::min(image.height - 1, cy + radius); ++y) {
        for (int x = std::max(0, cx - radius); x <= std::min(image.width - 1, cx + radius); ++x) {
            n += test(image.at(x, y)) ? 1 : 0;
        }
    }
    return n;
}

bool isYellow(Rgba c) {
    return c[0] > c[2] + 60 && c[1] > c[2] + 50;
}
bool isGreen(Rgba c) {
    return c[1] > c[0] + 40 && c[1] > c[2] + 40;
}
bool isPurple(Rgba c) {
    return c[2] > c[1] + 50 && c[0] > c[1] + 15;
}
bool isOutline(Rgba c) { // the mode-0 highlight colour, (255, 128, 0)
    return c[0] > 230 && c[1] > 100 && c[1] < 160 && c[2] < 40;
}

TEST_F(RenderToolTest, SampleShowsItsBodiesWhereTheCameraSeesThem) {
    const Image image = render(camera);
    ASSERT_EQ(image.width, kWidth);
    ASSERT_EQ(image.height, kHeight);
    Tolu::Test::expectPixelNear(image, 0, 0, {204, 219, 235, 255}, 2); // the background
    EXPECT_GT(count(image, {-0.6965, 0.68, 0.9}, 3, isYellow), 8) << "the ball";
    EXPECT_GT(count(image, {2.1, 1.6, 0.5}, 3, isGreen), 8) << "the cone";
    EXPECT_GT(count(image, {0.6, 0.3, 0.7}, 3, isPurple), 8) << "the node-coloured block";
    const auto ground = [](Rgba c) { return c[0] > 150 && c[0] >= c[1] && c[1] >= c[2]; };
    EXPECT_GT(count(image, {-3.4, 1.9, 0}, 3, ground), 40) << "the bare ground";
    EXPECT_EQ(count(image, {-3.2, -2.3, 0.35}, 8, isOutline), 0);
    if (HasFailure()) {
        Tolu::GL::savePNG(image, Tolu::Test::failureImagePath());
    }
}

TEST_F(RenderToolTest, HighlightOutlinesTheNamedBodyAndSamplesKeepTheSize) {
    const Image image = render(camera + " --highlight cart --msaa 4 --shadows --transparency 3");
    ASSERT_EQ(image.width, kWidth);
    EXPECT_GT(count(image, {-3.2, -2.3, 0.35}, 8, isOutline), 10) << "the cart's outline";
    EXPECT_EQ(count(image, {-0.6965, 0.68, 0.9}, 8, isOutline), 0) << "the ball is not outlined";
    if (HasFailure()) {
        Tolu::GL::savePNG(image, Tolu::Test::failureImagePath());
    }
}

TEST_F(RenderToolTest, ExitsTwoOnUsageErrorsAndOneOnFailuresWithOneLine) {
    const std::string sample = TOLU_SAMPLE_SCENE;
    const std::string out = " --out " + (dir / "x.png").string();
    const struct {
        std::string args;
        int status;
        std::string message; ///< the first line of what goes to stderr
    } cases[] = {
        {"", 2, "simgl-render: no model given"},
        {sample + " --size 10", 2, "simgl-render: --size: expected WxH, got \"10\""},
        {sample + " --transparency 4" + out, 2,
         "simgl-render: --transparency: \"4\" is not a whole number from 0 to 3"},
        {sample + " --video a.mp4", 2,
         "simgl-render: --video is not available yet: this version renders one image (--out)"},
        {sample + " --motion m.csv" + out, 2,
         "simgl-render: --motion is not available yet: this version renders one image (--out)"},
        {sample + " --fit --camera 0,0,1,0,0,0,0,1,0" + out, 2,
         "simgl-render: --camera and --fit exclude each other"},
        {"/nonexistent.json" + out, 1, "simgl-render: /nonexistent.json: cannot open the file"},
        {sample + " --highlight nobody" + out, 1,
         "simgl-render: --highlight: no shown body, joint or sensor is named \"nobody\""},
    };
    for (const auto& c : cases) {
        const Outcome result = run(c.args);
        EXPECT_EQ(result.status, c.status) << c.args;
        EXPECT_EQ(result.errors.substr(0, result.errors.find('\n')), c.message) << c.args;
    }
    EXPECT_EQ(run("--help").status, 0);
    EXPECT_EQ(run("--help").errors, "");
}

} // namespace

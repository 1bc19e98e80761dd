#include "support/PixelProbe.h"

#include <tolu/gl/Image.h>
#include <tolu/math3d/DegreeT.h>
#include <tolu/math3d/Matrix4x4T.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

    // Runs the tool with `args`, and with `environment` ("NAME=value ...") set for it.
    Outcome run(const std::string& args, const std::string& environment = "") const {
        const std::string errors = (dir / "stderr.txt").string();
        const std::string command =
            environment + " " + SIMGL_RENDER + " " + args + " > /dev/null 2> " + errors;
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

    // Writes `text` as the test's motion file and returns its path.
    std::string writeMotion(const std::string& text) const {
        const auto path = dir / "motion.csv";
        std::ofstream(path) << text;
        return path.string();
    }

    std::filesystem::path dir;
};

// The ball crosses the view from left to right, a second long, starting half a second in.
const std::string ballMotion = "time,ball.x,ball.y,ball.z,ball.qw,ball.qx,ball.qy,ball.qz\n"
                               "0.5,-2.5,-1.2,0.9,1,0,0,0\n"
                               "1.5,2.5,-1.2,0.9,1,0,0,0\n";

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
         "simgl-render: --video needs a motion to play (--motion FILE)"},
        {sample + " --motion m.csv --frames d" + out, 2,
         "simgl-render: --out, --frames and --video exclude each other"},
        {sample + " --fps 0 --frames d --motion m.csv", 2,
         "simgl-render: --fps: 0 is not above 0 and at most 1000"},
        {sample + " --motion /nonexistent.csv" + out, 1,
         "simgl-render: /nonexistent.csv: cannot open the motion file"},
        {sample + " --motion " + writeMotion("time,nobody\n0,1\n") + out, 1,
         "simgl-render: " + (dir / "motion.csv").string() +
             ":1:2: joint positions need a model with a kinematic tree; this one has none"},
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

TEST_F(RenderToolTest, MotionPlaysIntoOneFramePerFrameTime) {
    const auto frames = dir / "frames";
    const Outcome result = run(std::string(TOLU_SAMPLE_SCENE) + " " + camera + " --motion " +
                               writeMotion(ballMotion) + " --fps 4 --frames " + frames.string());
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(result.errors, "") << "no progress bar when stderr is no terminal";
    // 0.5 s to 1.5 s at 4 frames per second, both ends included.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(frames)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names,
              (std::vector<std::string>{"frame-00000.png", "frame-00001.png", "frame-00002.png",
                                        "frame-00003.png", "frame-00004.png"}));
    const V3 from{-2.5, -1.2, 0.9};
    const V3 middle{0, -1.2, 0.9};
    const V3 to{2.5, -1.2, 0.9};
    const V3 home{-0.6965, 0.68, 0.9}; // where the scene file puts the ball
    const struct {
        const char* name;
        V3 ball;
    } expected[] = {
        {"frame-00000.png", from}, {"frame-00002.png", middle}, {"frame-00004.png", to}};
    for (const auto& frame : expected) {
        const Image image = Tolu::GL::loadPNG((frames / frame.name).string());
        ASSERT_EQ(image.width, kWidth);
        EXPECT_GT(count(image, frame.ball, 3, isYellow), 8) << frame.name;
        for (const V3& elsewhere : {from, to, home}) {
            if ((elsewhere - frame.ball).length() > 1) {
                EXPECT_EQ(count(image, elsewhere, 3, isYellow), 0) << frame.name;
            }
        }
        if (HasFailure()) {
            Tolu::GL::savePNG(image, Tolu::Test::failureImagePath());
            return;
        }
    }
}

TEST_F(RenderToolTest, OneImageWithAMotionShowsTheMotionsStart) {
    const Image image = render(camera + " --motion " + writeMotion(ballMotion));
    EXPECT_GT(count(image, {-2.5, -1.2, 0.9}, 3, isYellow), 8);
    EXPECT_EQ(count(image, {-0.6965, 0.68, 0.9}, 3, isYellow), 0);
}

bool onPath(const std::string& program) {
    return std::system(("command -v " + program + " > /dev/null 2>&1").c_str()) == 0;
}

TEST_F(RenderToolTest, VideoHasOneFramePerFrameTimeUpRight) {
    if (!onPath("ffmpeg") || !onPath("ffprobe")) {
        GTEST_SKIP() << "ffmpeg and ffprobe are not installed";
    }
    const std::string video = (dir / "ball.mp4").string();
    // An odd size, which the encoder only takes padded (the last --size counts).
    const Outcome result =
        run(std::string(TOLU_SAMPLE_SCENE) + " " + camera + " --size 161x121 --motion " +
            writeMotion(ballMotion) + " --fps 10 --video " + video);
    ASSERT_EQ(result.status, 0) << result.errors;
    const std::string counted = (dir / "count.txt").string();
    ASSERT_EQ(std::system(("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                           "stream=nb_read_frames,width,height -of csv=p=0 " +
                           video + " > " + counted)
                              .c_str()),
              0);
    std::ifstream in(counted);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "162,122,11"); // 0.5 s to 1.5 s at 10 frames per second
    // The first frame shows the ball where the camera sees it: rows were not turned over.
    const std::string first = (dir / "first.png").string();
    ASSERT_EQ(std::system(("ffmpeg -v error -i " + video + " -frames:v 1 " + first).c_str()), 0);
    const Image image = Tolu::GL::loadPNG(first);
    EXPECT_GT(count(image, {-2.5, -1.2, 0.9}, 3, isYellow), 8);
    if (HasFailure()) {
        Tolu::GL::savePNG(image, Tolu::Test::failureImagePath());
    }
}

TEST_F(RenderToolTest, VideoFailsWithOneLineWithoutOrWithABrokenFfmpeg) {
    const std::string args = std::string(TOLU_SAMPLE_SCENE) + " --size 160x120 --motion " +
                             writeMotion(ballMotion) + " --fps 30 --video " +
                             (dir / "v.mp4").string();
    const auto empty = dir / "empty";
    std::filesystem::create_directories(empty);
    Outcome result = run(args, "PATH=" + empty.string());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errors, "simgl-render: ffmpeg is not installed (no ffmpeg on PATH); it is "
                             "needed for --video (install ffmpeg, or write --frames DIR)\n");

    // An ffmpeg that lists its encoders but stops at once when asked to encode: the frames
    // then go into a closed pipe.
    const auto fake = dir / "fake";
    std::filesystem::create_directories(fake);
    std::ofstream(fake / "ffmpeg") << "#!/bin/sh\n"
                                      "case \"$*\" in *-encoders*) echo ' V..... mpeg4'; exit 0;; "
                                      "esac\n"
                                      "echo 'first line' >&2; echo 'disk full' >&2; exit 3\n";
    std::filesystem::permissions(fake / "ffmpeg", std::filesystem::perms::owner_all);
    result = run(args, "PATH=" + fake.string());
    EXPECT_EQ(result.status, 1) << "a write into the closed pipe must not kill the tool";
    EXPECT_EQ(result.errors.substr(0, 34), "simgl-render: --video: ffmpeg stop") << result.errors;
    EXPECT_NE(
        result.errors.find("(exit status 3) writing " + (dir / "v.mp4").string() + ": disk full\n"),
        std::string::npos)
        << result.errors;
}

} // namespace

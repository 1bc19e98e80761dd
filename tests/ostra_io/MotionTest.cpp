#include "TempDir.h"

#include <ostra_sim/Project.h>
#include <tolu/util/Error.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <numbers>
#include <ostra_io/LoadError.h>
#include <ostra_io/Motion.h>
#include <string>

// Motion files: what they read as, how a playback moves the model between and beyond rows,
// and what every kind of bad file says.
namespace {

namespace IO = Ostra::IO;
namespace Sim = Ostra::Sim;
using M4 = Tolu::Matrix4x4T<double>;
constexpr double inf = std::numeric_limits<double>::infinity();

// Two bodies, "a" and "b", and a revolute joint "turn" about z carrying "b" at (1, 0, 0).
IO::Scene makeScene() {
    IO::Scene scene;
    scene.model = Tolu::makeRef<Sim::Project>(Sim::SrcRef("model"));
    const auto a = Tolu::makeRef<Sim::Body>(Sim::SrcRef("a"));
    const auto b = Tolu::makeRef<Sim::Body>(Sim::SrcRef("b"));
    scene.model->addBody(a);
    scene.model->addBody(b);
    scene.kinematics = std::make_shared<IO::Kinematics>();
    scene.kinematics->addLink({"base", a, {}});
    scene.kinematics->addLink({"arm", b, {}});
    IO::KinematicJoint turn;
    turn.name = "turn";
    turn.type = IO::JointType::Revolute;
    turn.child = 1;
    turn.axis = {0, 0, 1};
    turn.origin = M4::translation({1, 0, 0});
    scene.kinematics->addJoint(turn);
    return scene;
}

const M4& transformOf(const IO::Scene& scene, int index) {
    const Sim::Body* body = scene.model->getBodyList().getFirst().get();
    for (int k = 0; k < index; ++k)
        body = body->getNext().get();
    return body->getTransform();
}

void expectMatrixNear(const M4& actual, const M4& expected, const char* what) {
    for (int k = 0; k < 16; ++k)
        EXPECT_NEAR(actual.m[k], expected.m[k], 1e-12) << what << ", element " << k;
}

// Body "a" moves from the origin to (2, 4, 0) while turning from 0 to 90 degrees about z;
// the second rotation is written as -q to check the short way; "b" stays put.
const char* const poseFile = "time,a.x,a.y,a.z,a.qw,a.qx,a.qy,a.qz,"
                             "b.x,b.y,b.z,b.qw,b.qx,b.qy,b.qz\n"
                             "1,0,0,0,1,0,0,0, 5,5,5,2,0,0,0\n"
                             "3,2,4,0,-0.7071067811865476,0,0,-0.7071067811865476, 5,5,5,1,0,0,0\n";

TEST(Motion, ReadsBodyPosesAndJointPositions) {
    const IO::Motion poses = IO::readMotion(poseFile, "poses.csv");
    EXPECT_EQ(poses.kind, IO::Motion::Kind::BodyPoses);
    EXPECT_EQ(poses.names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(poses.times, (std::vector<double>{1, 3}));
    EXPECT_EQ(poses.values.size(), 28U);
    EXPECT_EQ(poses.duration(), 2.0);

    const IO::Motion joints = IO::readMotion("time,turn\r\n0,0\r\n\r\n0.5,+1e-1\n", "j.csv");
    EXPECT_EQ(joints.kind, IO::Motion::Kind::JointPositions);
    EXPECT_EQ(joints.names, std::vector<std::string>{"turn"});
    EXPECT_EQ(joints.values, (std::vector<double>{0, 0.1}));
}

TEST(Playback, InterpolatesPosesLinearlyAndRotationsTheShortWay) {
    IO::Scene scene = makeScene();
    IO::Playback playback(scene, IO::readMotion(poseFile, "poses.csv"));
    EXPECT_EQ(playback.startTime(), 1.0);
    EXPECT_EQ(playback.endTime(), 3.0);

    // Halfway: half the way there, turned 45 degrees (the long way would give 225 - 180).
    playback.apply(2.0);
    expectMatrixNear(transformOf(scene, 0),
                     M4::translation({1, 2, 0}) * M4::rotationZ(std::numbers::pi / 4), "midpoint");
    // The un-normalised quaternion of "b" holds as the identity.
    expectMatrixNear(transformOf(scene, 1), M4::translation({5, 5, 5}), "b at the midpoint");
    // A quarter: linear in position, uniform in angle.
    playback.apply(1.5);
    expectMatrixNear(transformOf(scene, 0),
                     M4::translation({0.5, 1, 0}) * M4::rotationZ(std::numbers::pi / 8), "quarter");
    // Exact rows and beyond either end hold the rows.
    for (const double t : {-10.0, 1.0}) {
        playback.apply(t);
        expectMatrixNear(transformOf(scene, 0), M4{}, "at or before the start");
    }
    for (const double t : {3.0, 1e9, inf}) {
        playback.apply(t);
        expectMatrixNear(transformOf(scene, 0),
                         M4::translation({2, 4, 0}) * M4::rotationZ(std::numbers::pi / 2),
                         "at or after the end");
    }
    EXPECT_THROW(playback.apply(std::nan("")), Tolu::Error);
}

TEST(Playback, SetsJointPositionsAndPlacesTheTree) {
    IO::Scene scene = makeScene();
    IO::Playback playback(scene, IO::readMotion("time,turn\n0,0\n1,1\n2,3\n", "j.csv"));
    // Rows are found by search: the second segment, a quarter in.
    playback.apply(1.25);
    EXPECT_NEAR(scene.kinematics->getPosition(0), 1.5, 1e-12);
    expectMatrixNear(transformOf(scene, 1), M4::translation({1, 0, 0}) * M4::rotationZ(1.5),
                     "link placed");
    playback.apply(1.0);
    EXPECT_EQ(scene.kinematics->getPosition(0), 1.0);

    // Rows whose differences overflow a double still meet in the middle.
    IO::Playback far(scene, IO::readMotion("time,turn\n-1e308,-1e308\n1e308,1e308\n", "f.csv"));
    far.apply(0);
    EXPECT_EQ(scene.kinematics->getPosition(0), 0.0);
    far.apply(5e307);
    EXPECT_NEAR(scene.kinematics->getPosition(0), 5e307, 1e293);
}

TEST(Playback, FrameTimesRunFromStartToEnd) {
    IO::Scene scene = makeScene();
    const IO::Playback playback(scene, IO::readMotion(poseFile, "poses.csv"));
    EXPECT_EQ(playback.frameTimes(2), (std::vector<double>{1, 1.5, 2, 2.5, 3}));
    // An end between frames is not a frame.
    EXPECT_EQ(playback.frameTimes(0.8), (std::vector<double>{1, 2.25}));
    for (const double fps : {0.0, -1.0, std::nan(""), inf})
        EXPECT_THROW((void)playback.frameTimes(fps), Tolu::Error) << fps;
}

struct BadMotion {
    const char* name;
    const char* text;
    const char* message; ///< after "bad.csv"
};

const BadMotion badMotions[] = {
    {"Empty", " \n\n", ": empty motion file (expected a header starting with \"time\")"},
    {"NoTime", "t,a\n", ":1:1: the first column must be \"time\", found \"t\""},
    {"NoNames", "time\n0\n", ":1:2: the header names no joints or bodies after \"time\""},
    {"NoRows", "time,a\n", ":2:1: the motion has no rows"},
    {"DuplicateJoint", "time,a,b,a\n", ":1:4: joint \"a\" is given twice"},
    {"DuplicateBody", "time,a.x,a.y,a.z,a.qw,a.qx,a.qy,a.qz,a.x\n",
     ":1:9: body \"a\" is given twice"},
    {"Mixed", "time,j,a.x\n", ":1:3: column \"a.x\" is a body pose among joint positions"},
    {"MixedTheOtherWay", "time,a.x,a.y,a.z,a.qw,a.qx,a.qy,a.qz,j\n",
     ":1:9: column \"j\" is a joint position among body poses"},
    {"PoseOutOfOrder", "time,a.x,a.z\n", ":1:3: expected \"a.y\", found \"a.z\""},
    {"PoseCut", "time,a.x,a.y,a.z\n", ":1:5: expected \"a.qw\", found the end of the header"},
    {"EmptyName", "time,a,\n", ":1:3: empty column name"},
    {"TooFewValues", "time,a,b\n0,1,2\n1,1\n", ":3:3: expected 3 values, found 2"},
    {"TooManyValues", "time,a\n0,1,2\n", ":2:3: expected 2 values, found 3"},
    {"BadNumber", "time,a\n0,1\n1,one\n", ":3:2: bad number \"one\""},
    {"TrailingJunk", "time,a\n0,1x\n", ":2:2: bad number \"1x\""},
    {"MissingValue", "time,a\n0, \n", ":2:2: missing value"},
    {"NotFinite", "time,a\n0,inf\n", ":2:2: number inf is not finite"},
    {"TooLarge", "time,a\n1e999,0\n", ":2:1: number 1e999 is not finite (too large for a double)"},
    {"TimeGoesBack", "time,a\n0,0\n2,0\n1.5,0\n",
     ":4:1: time 1.5 is not after the time before (2)"},
    {"TimeRepeats", "time,a\n0,0\n0,1\n", ":3:1: time 0 is not after the time before (0)"},
    {"ZeroQuaternion", "time,a.x,a.y,a.z,a.qw,a.qx,a.qy,a.qz\n0,0,0,0,0,0,0,0\n",
     ":2:5: the rotation of body \"a\" is a zero quaternion"},
    // Names are checked against the scene when a playback binds them.
    {"UnknownJoint", "time,turn,elbow\n0,0,0\n", ":1:3: unknown joint \"elbow\""},
    {"UnknownBody",
     "time,a.x,a.y,a.z,a.qw,a.qx,a.qy,a.qz,c.x,c.y,c.z,c.qw,c.qx,c.qy,c.qz\n"
     "0,0,0,0,1,0,0,0,0,0,0,1,0,0,0\n",
     ":1:9: unknown body \"c\""},
};

class BadMotionTest : public ::testing::TestWithParam<BadMotion> {};

TEST_P(BadMotionTest, NamesFileRowAndColumn) {
    const BadMotion& bad = GetParam();
    Tolu::Test::TempDir dir;
    const auto path = dir.path / "bad.csv";
    std::ofstream(path, std::ios::binary) << bad.text;
    try {
        const IO::Scene scene = makeScene();
        const IO::Playback playback(scene, IO::loadMotion(path));
        FAIL() << "no error";
    } catch (const IO::LoadError& error) {
        EXPECT_EQ(error.what(), path.string() + bad.message);
        EXPECT_EQ(error.getFile(), path.string());
    }
}

INSTANTIATE_TEST_SUITE_P(Motion, BadMotionTest, ::testing::ValuesIn(badMotions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Motion, JointPositionsNeedAKinematicTreeAndTheFileMustExist) {
    IO::Scene scene = makeScene();
    scene.kinematics.reset();
    try {
        const IO::Playback playback(scene, IO::readMotion("time,turn\n0,0\n", "j.csv"));
        FAIL() << "no error";
    } catch (const IO::LoadError& error) {
        EXPECT_STREQ(error.what(), "j.csv:1:2: joint positions need a model with a kinematic "
                                   "tree; this one has none");
    }
    EXPECT_THROW((void)IO::loadMotion("/nonexistent/motion.csv"), IO::LoadError);
}

} // namespace

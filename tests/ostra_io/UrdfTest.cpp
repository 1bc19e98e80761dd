#include "MeshFiles.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostra_io/LoadError.h>
#include <ostra_io/Urdf.h>
#include <ostream>
#include <string>
#include <vector>

// Robot descriptions the tests write: what becomes of links, visuals, joints and mesh paths,
// and the message every kind of bad description gives.
namespace {

namespace IO = Ostra::IO;
namespace MeshFiles = Tolu::Test::MeshFiles;
using Tolu::Test::TempDir;
using V3 = Tolu::Vector3T<double>;
using V3f = Tolu::Vector3T<float>;
using C4 = Tolu::Vector4T<float>;

std::string robot(const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<robot name=\"r\">\n" + body + "</robot>\n";
}

// The names of a model's bodies or joints, in list order.
template <class List> std::vector<std::string> names(const List& list) {
    std::vector<std::string> out;
    for (auto* node = list.getFirst().get(); node; node = node->getNext().get()) {
        out.push_back(node->getName());
    }
    return out;
}

void expectNear(const V3f& a, const V3f& b, const char* what) {
    EXPECT_NEAR(a.x, b.x, 1e-5) << what;
    EXPECT_NEAR(a.y, b.y, 1e-5) << what;
    EXPECT_NEAR(a.z, b.z, 1e-5) << what;
}

void expectNear(const V3& a, const V3& b, const char* what) {
    EXPECT_NEAR(a.x, b.x, 1e-9) << what;
    EXPECT_NEAR(a.y, b.y, 1e-9) << what;
    EXPECT_NEAR(a.z, b.z, 1e-9) << what;
}

// The bounding box of one group of a body's geometry.
std::pair<V3f, V3f> bounds(const Vuro::PrimGroup& group) {
    V3f lo = group.vertices.at(0).pos, hi = lo;
    for (const Vuro::Vertex& v : group.vertices) {
        lo = {std::min(lo.x, v.pos.x), std::min(lo.y, v.pos.y), std::min(lo.z, v.pos.z)};
        hi = {std::max(hi.x, v.pos.x), std::max(hi.y, v.pos.y), std::max(hi.z, v.pos.z)};
    }
    return {lo, hi};
}

TEST(UrdfTest, EachLinkIsOneBodyShowingAllItsVisualsInPlaceAndColour) {
    const TempDir dir;
    MeshFiles::writeStlBinary(dir / "cube.stl", MeshFiles::box({-1, -1, -1}, {1, 1, 1}));
    const std::string text = robot(R"(
  <material name="red"><color rgba="1 0 0 1"/></material>
  <link name="shapes">
    <visual><origin xyz="1 2 3"/><geometry><box size="0.2 0.4 0.6"/></geometry>
      <material name="red"/></visual>
    <visual><origin xyz="0 0 1" rpy="1.5707963267948966 0 0"/>
      <geometry><cylinder radius="0.1" length="2"/></geometry>
      <material name="green"><color rgba="0 1 0 0.5"/></material></visual>
    <visual><geometry><cylinder radius="0.1" length="2"/></geometry></visual>
    <visual><origin xyz="0 0 -5"/><geometry><sphere radius="0.5"/></geometry></visual>
    <visual><origin xyz="10 0 0"/>
      <geometry><mesh filename="cube.stl" scale="0.5 2 -3"/></geometry>
      <material name="red"/></visual>
  </link>
  <link name="empty"/>
  <joint name="j" type="fixed"><parent link="shapes"/><child link="empty"/></joint>
)");
    const IO::Scene scene = IO::readUrdf(text, dir / "r.urdf");
    EXPECT_EQ(names(scene.model->getBodyList()), (std::vector<std::string>{"shapes", "empty"}));
    const auto& links = scene.kinematics->links();
    ASSERT_EQ(links.size(), 2u);
    EXPECT_FALSE(links[1].body->getProto()) << "a link without visuals shows nothing";
    EXPECT_EQ(links[0].body->getSrcRef().line, 5) << "bodies name the line of their link";

    const auto& groups = links[0].body->getProto()->getGroups();
    ASSERT_EQ(groups.size(), 5u);
    struct Expect {
        V3f lo, hi;
        C4 colour;
    };
    const C4 grey{0.8f, 0.8f, 0.8f, 1.0f};
    const Expect expected[] = {
        {{0.9f, 1.8f, 2.7f}, {1.1f, 2.2f, 3.3f}, {1, 0, 0, 1}}, // box at its origin
        {{-0.1f, -1, 0.9f}, {0.1f, 1, 1.1f}, {0, 1, 0, 0.5f}},  // turned from z onto y
        {{-0.1f, -0.1f, -1}, {0.1f, 0.1f, 1}, grey},            // cylinders are along z
        {{-0.5f, -0.5f, -5.5f}, {0.5f, 0.5f, -4.5f}, grey},     // sphere
        {{9.5f, -2, -3}, {10.5f, 2, 3}, {1, 0, 0, 1}}};         // mesh scaled per axis
    for (std::size_t i = 0; i < groups.size(); ++i) {
        SCOPED_TRACE("visual " + std::to_string(i));
        const auto [lo, hi] = bounds(groups[i]);
        expectNear(lo, expected[i].lo, "min");
        expectNear(hi, expected[i].hi, "max");
        EXPECT_EQ(groups[i].color, expected[i].colour);
    }
    // The mirroring scale keeps the mesh's triangles facing outwards: the face on +x
    // still has a normal along +x, wound counter-clockwise seen from outside.
    std::size_t inward = 0, inverted = 0;
    const auto& v = groups[4].vertices;
    for (std::size_t i = 0; i + 2 < v.size(); i += 3) {
        const V3f a = v[i].pos, b = v[i + 1].pos, c = v[i + 2].pos;
        inverted += (b - a).cross(c - a).dot(v[i].normal) <= 0;
        inward += ((a + b + c) / 3.0f - V3f{10, 0, 0}).dot(v[i].normal) <= 0;
    }
    EXPECT_EQ(inverted, 0u) << "triangles wound against their normal";
    EXPECT_EQ(inward, 0u) << "normals pointing inwards";
}

const std::string chain = robot(R"(
  <link name="base"/><link name="upper"/><link name="tip"/>
  <link name="spin"/><link name="fixedLink"/><link name="free"/><link name="flat"/>
  <joint name="shoulder" type="revolute"><parent link="base"/><child link="upper"/>
    <origin xyz="0 0 1"/><axis xyz="0 0 2"/>
    <limit lower="-2" upper="2" effort="1" velocity="1"/></joint>
  <joint name="slide" type="prismatic"><parent link="upper"/><child link="tip"/>
    <origin xyz="1 0 0" rpy="0 0 1.5707963267948966"/><axis xyz="1 0 0"/>
    <limit lower="0.25" upper="0.75" effort="1" velocity="1"/></joint>
  <joint name="wheel" type="continuous"><parent link="tip"/><child link="spin"/>
    <axis xyz="0 1 0"/></joint>
  <joint name="weld" type="fixed"><parent link="base"/><child link="fixedLink"/>
    <origin xyz="0 -3 0"/></joint>
  <joint name="float" type="floating"><parent link="base"/><child link="free"/></joint>
  <joint name="plane" type="planar"><parent link="base"/><child link="flat"/>
    <axis xyz="0 0 1"/></joint>
)");

TEST(UrdfTest, JointsJoinTheirLinksBodiesAndFormTheKinematicTree) {
    const IO::Scene scene = IO::readUrdf(chain, "chain.urdf");
    const IO::Kinematics& kin = *scene.kinematics;
    EXPECT_EQ(names(scene.model->getJointList()),
              (std::vector<std::string>{"shoulder", "slide", "wheel", "weld", "float", "plane"}));
    using T = IO::JointType;
    const T types[] = {T::Revolute, T::Prismatic, T::Continuous, T::Fixed, T::Floating, T::Planar};
    ASSERT_EQ(kin.joints().size(), 6u);
    for (std::size_t j = 0; j < 6; ++j) {
        const auto& joint = kin.joints()[j];
        EXPECT_EQ(joint.type, types[j]) << joint.name;
        ASSERT_TRUE(joint.simJoint);
        EXPECT_EQ(joint.simJoint->getBody1().get(), kin.links()[joint.parent].body.get());
        EXPECT_EQ(joint.simJoint->getBody2().get(), kin.links()[joint.child].body.get());
    }
    EXPECT_EQ(kin.joints()[0].limits, std::pair(-2.0, 2.0));
    EXPECT_EQ(kin.joints()[1].limits, std::pair(0.25, 0.75));
    EXPECT_FALSE(kin.joints()[2].limits);
    expectNear(kin.joints()[0].axis, {0, 0, 1}, "axes are made unit");

    // At rest the prismatic joint stands at its lower limit, zero lying outside them.
    const auto& tip = *kin.links()[2].body;
    expectNear(tip.getTransform().getTranslation(), {1, 0.25, 1}, "tip at rest");
    expectNear(kin.links()[4].body->getTransform().getTranslation(), {0, -3, 0}, "fixed");
}

TEST(UrdfTest, BodiesAndJointFramesFollowJointPositions) {
    const IO::Scene scene = IO::readUrdf(chain, "chain.urdf");
    IO::Kinematics& kin = *scene.kinematics;
    kin.setPosition(0, std::numbers::pi / 2);
    kin.setPosition(1, 0.5);
    kin.place();
    // upper: a quarter turn about z, one up. The slide's frame: (1, 0, 0) in upper is
    // (0, 1, 1) in the world, turned a half turn in all; its x is the world's -x.
    const auto& upper = kin.links()[1].body->getTransform();
    expectNear(upper.getTranslation(), {0, 0, 1}, "upper");
    expectNear(upper.transformDirection(V3{1, 0, 0}), {0, 1, 0}, "upper x");
    expectNear(kin.joints()[1].simJoint->getFrame().getTranslation(), {0, 1, 1}, "slide frame");
    const auto& tip = kin.links()[2].body->getTransform();
    expectNear(tip.getTranslation(), {-0.5, 1, 1}, "tip");
    expectNear(tip.transformDirection(V3{1, 0, 0}), {-1, 0, 0}, "tip x");
    expectNear(kin.links()[3].body->getTransform().getTranslation(), {-0.5, 1, 1}, "spin");
}

TEST(UrdfTest, MeshPathsResolveAgainstTheFileFolderAndTheSearchPath) {
    const TempDir dir;
    const auto cube = MeshFiles::box({0, 0, 0}, {1, 1, 1});
    std::filesystem::create_directories(dir / "robot");
    std::filesystem::create_directories(dir / "share/pkg/meshes");
    std::filesystem::create_directories(dir / "more/meshes");
    MeshFiles::writeStlAscii(dir / "robot/near.stl", cube);
    MeshFiles::writeStlAscii(dir / "share/pkg/meshes/a.stl", cube);
    MeshFiles::writeStlAscii(dir / "more/meshes/b.stl", cube);
    MeshFiles::writeStlAscii(dir / "more/far.stl", cube);
    const auto absolute = (dir / "more/far.stl").string();
    const std::string references[] = {
        "near.stl",                   // beside the file
        "far.stl",                    // in a search folder
        "package://pkg/meshes/a.stl", // DIR/NAME/rest
        "package://pkg/meshes/b.stl", // DIR/rest
        absolute,
        "file://" + absolute,
    };
    const IO::UrdfOptions options{{dir / "share", dir / "more"}};
    for (const std::string& reference : references) {
        SCOPED_TRACE(reference);
        const std::string text = robot("<link name=\"l\"><visual><geometry><mesh filename=\"" +
                                       reference + "\"/></geometry></visual></link>\n");
        IO::MeshCache cache;
        const IO::Scene scene = IO::readUrdf(text, dir / "robot/r.urdf", options, &cache);
        EXPECT_EQ(cache.getCount(), 1u);
        EXPECT_TRUE(scene.kinematics->links()[0].body->getProto());
    }
}

struct BadUrdf {
    const char* name;
    std::string text;
    std::string message; ///< after the file name; "{dir}" stands for the file's folder
};

const BadUrdf badCases[] = {
    {"MalformedXml", "<robot name=\"r\"><link name=\"a\"></robot>",
     ": not a valid URDF robot description: "},
    {"NotARobot", "<model/>", ": not a valid URDF robot description: "},
    {"UnknownParentLink",
     robot("<link name=\"a\"/><joint name=\"j\" type=\"fixed\"><parent link=\"ghost\"/>"
           "<child link=\"a\"/></joint>"),
     ": not a valid URDF robot description: "},
    {"MissingMesh",
     robot("<link name=\"a\">\n<visual><geometry><mesh filename=\"package://p/m.stl\"/>"
           "</geometry></visual></link>"),
     ":4:1: mesh \"package://p/m.stl\" not found; looked for {dir}/p/m.stl, {dir}/m.stl, "
     "/nowhere/p/m.stl, /nowhere/m.stl"},
    {"UnknownScheme",
     robot("<link name=\"a\"><visual><geometry><mesh filename=\"http://x/m.stl\"/>"
           "</geometry></visual></link>"),
     ":3:16: mesh \"http://x/m.stl\" is neither a path, a file:// nor a package:// reference"},
    {"ZeroAxis",
     robot("<link name=\"a\"/><link name=\"b\"/>\n<joint name=\"j\" type=\"continuous\">"
           "<parent link=\"a\"/><child link=\"b\"/><axis xyz=\"0 0 0\"/></joint>"),
     ":4:1: Ostra::IO::Kinematics::addJoint: joint \"j\" has a zero or non-finite axis"},
    // The parser would tie looped links in a cycle of shared pointers and never free them.
    {"JointLoop",
     robot("<link name=\"a\"/><link name=\"b\"/><joint name=\"ab\" type=\"fixed\">"
           "<parent link=\"a\"/><child link=\"b\"/></joint>\n<joint name=\"ba\" "
           "type=\"fixed\"><parent link=\"b\"/><child link=\"a\"/></joint>"),
     ":3:33: joint \"ab\" closes a loop: link \"b\" would be its own ancestor"},
    {"ShortAxis",
     robot("<link name=\"a\"/><link name=\"b\"/><joint name=\"j\" type=\"continuous\">"
           "<parent link=\"a\"/><child link=\"b\"/><axis xyz=\"0 1\"/></joint>"),
     ": not a valid URDF robot description: "},
    // The parser quotes bad numbers in messages it formats printf-style.
    {"PercentInNumber",
     robot("<link name=\"a\"><visual><geometry><box size=\"%s%s%s%s%s%s%s%s%n\"/></geometry>"
           "</visual></link>"),
     ": not a valid URDF robot description: "},
    {"NotAMesh",
     robot("<link name=\"a\"><visual><geometry><mesh filename=\"bad.urdf\"/></geometry>"
           "</visual></link>"),
     ":3:16: {dir}/bad.urdf: "},
    {"NegativeSize",
     robot("<link name=\"a\"><visual><geometry><box size=\"1 -1 1\"/></geometry></visual>"
           "</link>"),
     ":3:16: Vuro::makeBox: y size -1 is not positive"},
};

void PrintTo(const BadUrdf& bad, std::ostream* out) {
    *out << bad.name;
}

class UrdfBadInputTest : public ::testing::TestWithParam<BadUrdf> {};

TEST_P(UrdfBadInputTest, ThrowsLoadErrorNamingTheFile) {
    const TempDir dir;
    const auto file = dir / "bad.urdf";
    std::string message = GetParam().message;
    for (auto at = message.find("{dir}"); at != std::string::npos; at = message.find("{dir}"))
        message.replace(at, 5, dir.path.string());
    try {
        MeshFiles::writeText(file, GetParam().text);
        (void)IO::loadUrdf(file, {{"/nowhere"}});
        FAIL() << "no exception";
    } catch (const IO::LoadError& e) {
        const std::string what = e.what();
        EXPECT_EQ(what.rfind(file.string() + message, 0), 0u) << what;
        if (message.back() == ' ') { // the parser's own words follow
            EXPECT_GT(what.size(), file.string().size() + message.size()) << what;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, UrdfBadInputTest, ::testing::ValuesIn(badCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UrdfTest, LoadModelReadsDescriptionsByExtension) {
    const TempDir dir;
    MeshFiles::writeText(dir / "r.URDF", chain);
    EXPECT_EQ(IO::loadModel(dir / "r.URDF").kinematics->joints().size(), 6u);
    EXPECT_THROW((void)IO::loadUrdf(dir / "missing.urdf"), IO::LoadError);
}

} // namespace

#include <tolu/util/Error.h>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostra_io/Kinematics.h>
#include <string>

namespace {

using Ostra::IO::JointType;
using Ostra::IO::KinematicJoint;
using Ostra::IO::Kinematics;
using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;

KinematicJoint joint(std::string name, JointType type, std::size_t parent, std::size_t child,
                     const M4& origin = {}) {
    KinematicJoint j;
    j.name = std::move(name);
    j.type = type;
    j.parent = parent;
    j.child = child;
    j.origin = origin;
    return j;
}

V3 where(const M4& m) {
    return {m.m[3], m.m[7], m.m[11]};
}

void expectNear(const V3& a, const V3& b) {
    EXPECT_NEAR(a.x, b.x, 1e-12);
    EXPECT_NEAR(a.y, b.y, 1e-12);
    EXPECT_NEAR(a.z, b.z, 1e-12);
}

// base -(revolute z at (0,0,1))- upper -(prismatic x at (1,0,0))- tip
struct Arm {
    Kinematics k;
    Tolu::RefT<Ostra::Sim::Body> tipBody = Tolu::RefT<Ostra::Sim::Body>(new Ostra::Sim::Body());
    Tolu::RefT<Ostra::Sim::Joint> slide = Tolu::RefT<Ostra::Sim::Joint>(new Ostra::Sim::Joint());
    Arm() {
        k.addLink({"base", {}, {}});
        k.addLink({"upper", {}, {}});
        k.addLink({"tip", tipBody, {}});
        KinematicJoint turn = joint("turn", JointType::Revolute, 0, 1, M4::translation({0, 0, 1}));
        turn.axis = {0, 0, 2}; // not unit: kept as a direction
        turn.limits = std::pair{-1.0, 1.0};
        k.addJoint(turn);
        KinematicJoint push = joint("push", JointType::Prismatic, 1, 2, M4::translation({1, 0, 0}));
        push.simJoint = slide;
        k.addJoint(push);
    }
};

TEST(Kinematics, PlacesLinksForPositions) {
    Arm arm;
    arm.k.setPosition(0, std::numbers::pi / 2 + 5); // clamped to the upper limit, 1 rad
    EXPECT_EQ(arm.k.getPosition(0), 1.0);
    arm.k.setPosition(1, 0.5);
    arm.k.setBasePose(M4::translation({0, 0, 10}));
    const auto poses = arm.k.linkPoses();
    expectNear(where(poses[1]), {0, 0, 11});
    // The slide runs along the turned x axis: 1.5 m at 1 rad about z.
    expectNear(where(poses[2]), {1.5 * std::cos(1.0), 1.5 * std::sin(1.0), 11});
    arm.k.place();
    expectNear(where(arm.tipBody->getTransform()), where(poses[2]));
    // The joint frame sits at the slide's origin, before the shift.
    expectNear(where(arm.slide->getFrame()), {std::cos(1.0), std::sin(1.0), 11});
}

TEST(Kinematics, ParentsArePlacedBeforeChildrenWhateverTheOrderOfAdding) {
    Kinematics k;
    k.addLink({"a", {}, {}});
    k.addLink({"b", {}, {}});
    k.addLink({"c", {}, {}});
    k.addJoint(joint("bc", JointType::Fixed, 1, 2, M4::translation({0, 1, 0})));
    k.addJoint(joint("ab", JointType::Fixed, 0, 1, M4::translation({1, 0, 0})));
    expectNear(where(k.linkPoses()[2]), {1, 1, 0});
    EXPECT_EQ(k.findJoint("ab"), 1u);
    EXPECT_FALSE(k.findLink("zz"));
}

TEST(Kinematics, RejectsBadTreesAndValues) {
    Arm arm;
    EXPECT_THROW(arm.k.addLink({"tip", {}, {}}), Tolu::Error);
    EXPECT_THROW(arm.k.addJoint(joint("loop", JointType::Fixed, 2, 0)), Tolu::Error);
    EXPECT_THROW(arm.k.addJoint(joint("again", JointType::Fixed, 0, 2)), Tolu::Error);
    EXPECT_THROW(arm.k.addJoint(joint("far", JointType::Fixed, 0, 9)), Tolu::Error);
    const auto d = arm.k.addLink({"d", {}, {}});
    KinematicJoint zero = joint("zero", JointType::Revolute, 0, d);
    zero.axis = {0, 0, 0};
    EXPECT_THROW(arm.k.addJoint(zero), Tolu::Error);
    KinematicJoint upside = joint("upside", JointType::Prismatic, 0, d);
    upside.limits = std::pair{1.0, -1.0};
    EXPECT_THROW(arm.k.addJoint(upside), Tolu::Error);
    EXPECT_THROW(arm.k.setPosition(0, NAN), Tolu::Error);
    EXPECT_THROW(arm.k.setPosition(7, 0), Tolu::Error);
    EXPECT_EQ(arm.k.getPosition(0), 0.0);
}

} // namespace

#include "NodeFixture.h"

#include <tolu/math3d/Errors.h>
#include <vuro_gl/BodyProto.h>

#include <cmath>
#include <limits>

namespace NodeTest {
namespace {

using Vuro::GL::allModes;
using Query = Vuro::GL::Isect::Context;
using Result = std::pair<std::size_t, double>;

constexpr unsigned everything = 0x7F;

class Picking : public Nodes {
protected:
    // Picks through (x, y); checks that the query comes back as it went in.
    GL::Isect::Hit pick(double x, double y, Vuro::GL::HLMode mode = allModes,
                        unsigned mask = everything) {
        Pick at(x, y);
        Query query(mode, mask, Vuro::GL::Isect::FlagNone);
        GL::Isect::Hit hit;
        project->isect(at.segment, at.frustum, query, hit);
        EXPECT_EQ(query.classMask, mask);
        EXPECT_FALSE(query.inheritedHL);
        return hit;
    }
    GL::Node* hitNode(double x, double y, Vuro::GL::HLMode mode = allModes) {
        return pick(x, y, mode).node.get();
    }
    // A straight path through the origin along +x.
    GL::Track& path(double length, const Vector3T<double>& at = {}) {
        auto sim = simBody<Sim::Track>(at);
        sim->addStraight(length);
        return node<GL::Track>(*sim);
    }
};

// A triangle about the origin in the body's xy plane.
RefT<Vuro::BodyProto> triangle() {
    auto proto = makeRef<Vuro::BodyProto>("triangle");
    Vuro::PrimGroup group;
    group.vertices = {{{-1, -1, 0}, {0, 0, 1}}, {{1, -1, 0}, {0, 0, 1}}, {{0, 1, 0}, {0, 0, 1}}};
    proto->addGroup(group);
    return proto;
}

TEST_F(Picking, FramesBeatNearerMeshesAndTheNearerOfTwoFramesWins) {
    auto nearSim = simBody({0, 0, 5});
    nearSim->setProto(triangle());
    auto& mesh = node(*nearSim);
    auto& frame = node(*simBody({0, 0, 0}));
    EXPECT_EQ(pick(0, 0, allModes, 0x09).node.get(), &frame);

    const GL::Isect::Hit hit = pick(0, 0, allModes, 0x01);
    EXPECT_EQ(hit.node.get(), &mesh);
    EXPECT_NEAR(hit.pos.z, 5, 1e-9);
    EXPECT_EQ(hit.mode, allModes);

    // Of two frames the nearer wins, whatever the list order.
    for (const double first : {3.0, 0.0}) {
        project = makeRef<TestProject>(classMap);
        node(*simBody({0, 0, first}));
        node(*simBody({0, 0, 3 - first}));
        EXPECT_EQ(pick(0, 0).pos, Vector3T<double>(0, 0, 3)) << "first at " << first;
    }
}

TEST_F(Picking, AProjectHighlightedInModeZeroLendsItToModeZeroQueriesOnly) {
    auto& frame = node(*simBody({0, 0, 0}));
    auto& track = path(2, {-1, 1, 0});
    auto& joint = node<GL::Joint>(*simJoint({0, 2, 0}, nullptr, nullptr));
    project->setHighlight(0, true, false);
    EXPECT_EQ(hitNode(0, 0, 0), &frame);
    EXPECT_EQ(hitNode(0, 2, 0), &joint);
    EXPECT_EQ(hitNode(0, 1, 0), nullptr) << "a path needs its own highlight";
    track.setHighlight(0, true, false);
    EXPECT_EQ(hitNode(0, 1, 0), &track);
    for (const Vuro::GL::HLMode mode : {1u, allModes}) {
        EXPECT_EQ(hitNode(0, 0, mode), nullptr);
        EXPECT_EQ(hitNode(0, 1, mode), nullptr);
    }
}

TEST_F(Picking, HiddenOrUnpickableBodiesAreMissedButJointsAndGripsAreNot) {
    auto hidden = simBody({0, 0, 0});
    hidden->setVisible(false);
    node(*hidden);
    auto locked = simBody({0, 0, 1});
    locked->setPickable(false);
    node(*locked);
    EXPECT_EQ(hitNode(0, 0), nullptr);

    auto jointSim = simJoint({0, 0, 2}, nullptr, nullptr);
    jointSim->setVisible(false);
    // Made before the pick: the order in which a check's two sides run is not fixed.
    GL::Joint* joint = &node<GL::Joint>(*jointSim);
    EXPECT_EQ(hitNode(0, 0), joint);

    auto track = simBody<Sim::Track>({0, 0, 4});
    track->addStraight(1);
    track->setVisible(false);
    auto sensor = makeRef<Sim::SensorTrack>();
    sensor->setTrack(track);
    const RefT<GL::Sensor> sensorNode = GL::newSensor(*project, *sensor);
    EXPECT_EQ(hitNode(0, 0), sensorNode.get()) << "its grips are nearest";
}

TEST_F(Picking, APathHitLiesInTheMiddleOfTheVisiblePartOfTheEdge) {
    auto& track = path(10);
    Pick at(0.02, 0, 0.05); // sees x from −0.48 to 0.52 at the path
    GL::Isect::Hit hit;
    const auto [seg, t] = track.isect(at.segment, at.frustum, hit);
    EXPECT_EQ(seg, 0u);
    EXPECT_NEAR(t, 0.026, 1e-9);
    EXPECT_EQ(hit.node.get(), &track);
    EXPECT_EQ(hit.mode, allModes);
    EXPECT_EQ(hit.normal, Vector3T<double>());
    EXPECT_NEAR(hit.pos.x, 0.26, 1e-9) << "not the point nearest to the ray";
}

TEST_F(Picking, APathHitNamesTheSegmentAndThePositionWithinIt) {
    auto sim = makeRef<Sim::Track>();
    sim->addArc(1, Tolu::DegreeT(15.0)); // four points after the start
    auto& track = node<GL::Track>(*sim);
    const auto& points = track.getPoints();
    const auto middle = (Vector3T<double>(points[2]) + Vector3T<double>(points[3])) * 0.5;
    Pick at(middle.x, middle.y, 0.0001);
    GL::Isect::Hit hit;
    const auto [seg, t] = track.isect(at.segment, at.frustum, hit);
    EXPECT_EQ(seg, 0u);
    EXPECT_NEAR(t, 0.625, 1e-6);

    Pick elsewhere(5, 5);
    EXPECT_EQ(track.isect(elsewhere.segment, elsewhere.frustum, hit),
              Result(std::numeric_limits<std::size_t>::max(), 0.0));
    Pick start(0, 0);
    EXPECT_EQ(path(0).isect(start.segment, start.frustum, hit), Result(0, 0.0))
        << "a zero-length edge is hit at its start";
}

TEST_F(Picking, ABadFrustumThrowsAndLeavesTheQueryAsItWas) {
    node(*simBody({0, 0, 0}));
    // Mode 0 under the project's highlight, and every visible node (the flat walk).
    for (const Vuro::GL::HLMode mode : {Vuro::GL::HLMode(0), allModes}) {
        project->setHighlight(0, mode == 0, false);
        Pick at(0, 0);
        at.frustum.toWorld(3, 3) = 0; // sends every point to infinity
        at.frustum.invalidate();
        Query query(mode, everything, Vuro::GL::Isect::FlagNone);
        GL::Isect::Hit hit;
        EXPECT_THROW(project->isect(at.segment, at.frustum, query, hit), Tolu::ErrorBadMatrix);
        EXPECT_FALSE(query.inheritedHL);
        EXPECT_EQ(query.classMask, everything);
    }
    EXPECT_NE(hitNode(0, 0), nullptr) << "a sound pick afterwards finds the body";
}

// A host's own kind of body: counts how often it is asked for its sphere and its hits.
struct Counting : GL::Body {
    using Body::Body;
    Tolu::BSphereT<double> getBSphere(Context& context, unsigned mask, unsigned hlMask1,
                                      unsigned hlMask0) override {
        ++spheres;
        return Body::getBSphere(context, mask, hlMask1, hlMask0);
    }
    void isect(Tolu::Segment3T<double>& segment, Tolu::FrustumT<double>& frustum, Query& query,
               GL::Isect::Hit& hit) override {
        ++picks;
        Body::isect(segment, frustum, query, hit);
    }
    int spheres = 0;
    int picks = 0;
};

TEST_F(Nodes, SpheresHoldWhatTheMasksSelectAJointsTheJointAndItsLineEnds) {
    auto sim = simBody({1, 2, 3});
    auto& counted = node<Counting>(*sim);
    EXPECT_FALSE(project->getBSphere(context, 0, 0, 0).valid);
    EXPECT_EQ(counted.spheres, 0) << "no mask, no node asked";
    const auto sphere = project->getBSphere(context, 0x08, 0, 0);
    ASSERT_TRUE(sphere.valid);
    EXPECT_EQ(sphere.centre, Vector3T<double>(1, 2, 3));
    EXPECT_EQ(sphere.radius, 1.0);
    sim->setVisible(false);
    EXPECT_FALSE(project->getBSphere(context, 0x08, 0, 0).valid);
    counted.setHighlight(1, true, false);
    EXPECT_TRUE(project->getBSphere(context, 0, 0x08, 0).valid) << "highlighted in mode 1";

    // A joint's line sphere holds the joint and both line ends.
    auto b1 = simBody({4, 0, 0});
    auto b2 = simBody({0, -3, 0});
    b2->setRefPoint({0, 0, 2});
    node(*b1);
    node(*b2);
    node<GL::Joint>(*simJoint({0, 0, 5}, b1.get(), b2.get()));
    const auto lines = project->getBSphere(context, 0x04, 0, 0);
    ASSERT_TRUE(lines.valid);
    for (const auto& p :
         {Vector3T<double>(0, 0, 5), Vector3T<double>(4, 0, 0), Vector3T<double>(0, -3, 2)}) {
        EXPECT_LE((p - lines.centre).length(), lines.radius + 1e-9) << fmt(p);
    }
}

// Whether `sphere` holds `p` (up to rounding of the magnitudes involved), in long double.
bool holds(const Tolu::BSphereT<double>& sphere, const Vector3T<double>& p, double radius = 0) {
    using L = long double;
    const L dx = L(p.x) - L(sphere.centre.x);
    const L dy = L(p.y) - L(sphere.centre.y);
    const L dz = L(p.z) - L(sphere.centre.z);
    const L size =
        std::abs(L(p.x)) + std::abs(L(p.y)) + std::abs(L(p.z)) + L(radius) + L(sphere.radius);
    return sphere.valid &&
           std::sqrt(dx * dx + dy * dy + dz * dz) + L(radius) <= L(sphere.radius) + size * 1e-14L;
}

// Twin bodies and a joint closer than a direction can be taken from, and bodies at the
// ends of the double range: spheres come out whole, without an exception.
TEST_F(Nodes, SpheresOfNearlyCoincidentAndOfFarFlungNodesHoldThemAll) {
    auto a = simBody({0, 0, 0});
    auto b = simBody({0, 0, 0});
    a->setProto(triangle());
    b->setProto(triangle());
    node(*a);
    node(*b);
    auto& joint = node<GL::Joint>(*simJoint({0, 0, 0}, a.get(), nullptr));
    for (const double offset : {1e-16, 1e-12, 5e-11, 2e-10}) {
        SCOPED_TRACE(offset);
        const Vector3T<double> at(offset, 0, offset);
        b->setTransform(Matrix4x4T<double>::translation(at));
        a->setRefPoint(at);
        for (const unsigned mask : {0x01u, 0x10u, 0x11u}) {
            Tolu::BSphereT<double> sphere;
            ASSERT_NO_THROW(sphere = project->getBSphere(context, mask, 0, 0)) << mask;
            EXPECT_TRUE(holds(sphere, {}, 1.0) && holds(sphere, at, 1.0)) << mask;
        }
        Tolu::BSphereT<double> lines;
        ASSERT_NO_THROW(lines = joint.getBSphere(context, 0x04, 0, 0));
        EXPECT_TRUE(holds(lines, {}) && holds(lines, at));
    }

    // At the ends of the range, and scaled up 1e200 times: no square of a distance fits
    // in a double, the sphere still does.
    const double top = std::numeric_limits<double>::max();
    a->setRefPoint({});
    a->setTransform(Matrix4x4T<double>::translation({top, 0, 0}));
    b->setTransform(Matrix4x4T<double>::translation({-top, 0, 0}));
    Tolu::BSphereT<double> far;
    ASSERT_NO_THROW(far = project->getBSphere(context, 0x11, 0, 0));
    EXPECT_TRUE(std::isfinite(far.radius) && holds(far, {top, 0, 0}) && holds(far, {-top, 0, 0}));
    b->setTransform(Matrix4x4T<double>::translation({0, -1e200, 0}) *
                    Matrix4x4T<double>::scaling(1e200));
    ASSERT_NO_THROW(far = project->getBSphere(context, 0x11, 0, 0));
    EXPECT_TRUE(std::isfinite(far.radius) && holds(far, {top, 0, 0}, 1.0) &&
                holds(far, {0, -1e200, 0}, 1e200));
    ASSERT_NO_THROW(far = joint.getBSphere(context, 0x24, 0, 0));
    EXPECT_TRUE(std::isfinite(far.radius) && holds(far, {top, 0, 0}) && holds(far, {}, 1.0));
}

// Spheres and mesh picks reuse what they worked out for a body that stands still; a
// body that moves must be seen at its new place by both, whatever masks come in between.
TEST_F(Picking, SpheresAndMeshPicksFollowABodyThatMoves) {
    auto sim = simBody({0, 0, 0});
    sim->setProto(triangle());
    auto& mesh = node(*sim);
    EXPECT_EQ(hitNode(0, 0), &mesh);
    const auto both = project->getBSphere(context, 0x11, 0, 0);
    const auto frame = project->getBSphere(context, 0x10, 0, 0);
    EXPECT_EQ(frame.centre, Vector3T<double>(0, 0, 0));
    EXPECT_EQ(frame.radius, 1.0);
    EXPECT_EQ(project->getBSphere(context, 0x11, 0, 0).radius, both.radius);

    sim->setTransform(Matrix4x4T<double>::translation({10, 0, 0}));
    EXPECT_EQ(hitNode(0, 0), nullptr);
    EXPECT_EQ(hitNode(10, 0), &mesh);
    const auto moved = project->getBSphere(context, 0x11, 0, 0);
    ASSERT_TRUE(moved.valid);
    EXPECT_NEAR((moved.centre - both.centre - Vector3T<double>(10, 0, 0)).length(), 0, 1e-12);
    EXPECT_DOUBLE_EQ(moved.radius, both.radius);
    EXPECT_EQ(project->getBSphere(context, 0x10, 0, 0).centre, Vector3T<double>(10, 0, 0));
}

// Picks for every visible node go through a flat copy of the body list; whatever
// happens to the list and the bodies between two picks must show in the next one.
TEST_F(Picking, EveryChangeBetweenPicksShowsInTheNext) {
    auto simA = simBody({0, 0, 0});
    auto simB = simBody({5, 0, 0});
    auto& a = node(*simA);
    auto& b = node(*simB);
    EXPECT_EQ(hitNode(5, 0), &b);
    simB->setPickable(false);
    EXPECT_EQ(hitNode(5, 0), nullptr);
    simB->setPickable(true);
    simB->setTransform(Matrix4x4T<double>::translation({8, 0, 0}));
    EXPECT_EQ(hitNode(5, 0), nullptr);
    EXPECT_EQ(hitNode(8, 0), &b);

    // Taken out of the list while still alive, then a newcomer in its place.
    RefT<GL::Body> heldB(&b);
    project->getBodyList().remove(heldB);
    EXPECT_EQ(hitNode(8, 0), nullptr);
    auto simC = simBody({8, 0, 0});
    auto& c = node(*simC);
    EXPECT_EQ(hitNode(8, 0), &c);
    EXPECT_EQ(hitNode(8, 0), &c) << "and again from the rebuilt copy";
    EXPECT_EQ(hitNode(0, 0), &a);

    // Gone for good: the first body dies between two picks.
    project->getBodyList().remove(RefT<GL::Body>(&a));
    EXPECT_EQ(hitNode(0, 0), nullptr);
    EXPECT_EQ(hitNode(8, 0), &c);
}

// A host's own kind of body keeps its own test: every pick calls it, in list order.
TEST_F(Picking, AHostsOwnBodyKindIsAskedItself) {
    node(*simBody({0, 0, 0}));
    auto& counted = node<Counting>(*simBody({5, 0, 0}));
    EXPECT_EQ(hitNode(5, 0), &counted);
    EXPECT_EQ(counted.picks, 1) << "frames hit: no mesh pass";
    EXPECT_EQ(hitNode(20, 0), nullptr);
    EXPECT_EQ(counted.picks, 3) << "a miss runs both passes";
}

} // namespace
} // namespace NodeTest

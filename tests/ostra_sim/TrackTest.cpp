#include <ostra_sim/Error.h>
#include <ostra_sim/Track.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

using namespace Ostra::Sim;
using Tolu::makeRef;
using Deg = Tolu::DegreeT<double>;
using V3 = Tolu::Vector3T<double>;

void expectNear(const V3& actual, const V3& expected, double tolerance = 1e-12) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

V3 column(const Tolu::Matrix4x4T<double>& m, int j) {
    return {m.m[j], m.m[4 + j], m.m[8 + j]};
}

void expectOrthonormal(const Tolu::Matrix4x4T<double>& m) {
    const V3 x = column(m, 0), y = column(m, 1), z = column(m, 2);
    EXPECT_NEAR(x.length(), 1, 1e-12);
    EXPECT_NEAR(y.length(), 1, 1e-12);
    EXPECT_NEAR(z.length(), 1, 1e-12);
    EXPECT_NEAR(x.dot(y), 0, 1e-12);
    EXPECT_NEAR(x.dot(z), 0, 1e-12);
    expectNear(z.cross(x), y);
}

TEST(TrackGeometry, StraightAndArcsEndWhereTheyShould) {
    auto track = makeRef<Track>(SrcRef("t"));
    track->addStraight(3);
    expectNear(track->getPos(0, 1), {3, 0, 0});

    auto left = makeRef<Track>(SrcRef("left"));
    left->addArc(2, Deg(90));
    expectNear(left->getPos(0, 1), {2, 2, 0});
    expectNear(column(left->getTransform(0, 1), 0), {0, 1, 0});
    EXPECT_NEAR(left->getLength(), std::numbers::pi, 1e-12);

    auto right = makeRef<Track>(SrcRef("right"));
    right->addArc(2, Deg(-90));
    expectNear(right->getPos(0, 1), {2, -2, 0});
    expectNear(column(right->getTransform(0, 1), 0), {0, -1, 0});

    auto loop = makeRef<Track>(SrcRef("loop"));
    loop->addStraight(1);
    loop->addArc(1.5, Deg(360));
    expectNear(loop->getPos(1, 1), {1, 0, 0});
    expectNear(loop->getPos(1, 0.5), {1, 3, 0});
}

TEST(TrackGeometry, SegmentsContinueInThePreviousEndFrame) {
    auto track = makeRef<Track>(SrcRef("t"));
    track->addStraight(1);
    track->addArc(1, Deg(90));
    track->addStraight(2);
    track->addHelix(1, Deg(180), 4);
    expectNear(track->getPos(2, 0), {2, 1, 0});
    expectNear(track->getPos(2, 1), {2, 3, 0});
    // Half a helix turn of radius 1 starting along +y: ends two units to the left, 4 up.
    expectNear(track->getPos(3, 1), {0, 3, 4}, 1e-12);
    EXPECT_EQ(track->getSeg(3), Track::SegHelix);
    EXPECT_NEAR(track->getLength(), 1 + std::numbers::pi / 2 + 2 + std::hypot(std::numbers::pi, 4),
                1e-12);
    for (std::size_t i = 0; i < track->getNumSegs(); ++i) {
        for (double t : {0.0, 0.3, 1.0}) {
            const auto frame = track->getTransform(i, t);
            expectOrthonormal(frame);
            expectNear(frame.getTranslation(), track->getPos(i, t));
        }
    }
}

TEST(TrackGeometry, PositionByDistanceMatchesSegmentsAndIsContinuous) {
    auto track = makeRef<Track>(SrcRef("t"));
    track->addStraight(2);
    track->addArc(1, Deg(-90));
    track->addStraight(1);
    const double arc = std::numbers::pi / 2;
    expectNear(track->getPos(0.0), {0, 0, 0});
    expectNear(track->getPos(1.0), track->getPos(0, 0.5));
    expectNear(track->getPos(2 + arc / 3), track->getPos(1, 1.0 / 3));
    expectNear(track->getPos(track->getLength()), track->getPos(2, 1));
    for (double joint : {2.0, 2 + arc}) {
        const V3 before = track->getPos(joint - 1e-7);
        const V3 after = track->getPos(joint + 1e-7);
        EXPECT_LT((after - before).length(), 3e-7);
    }
}

TEST(TrackGeometry, BezierByDistanceFollowsItsArcLength) {
    auto track = makeRef<Track>(SrcRef("t"));
    track->addBezier({1, 0, 0}, {2, 3, 1}, {0, 4, 2});
    // A fine polyline is a close lower bound of the length and spaces points evenly.
    constexpr int pieces = 200000;
    const double s = 0.37 * track->getLength();
    double length = 0;
    V3 previous = track->getPos(0, 0), atS;
    for (int k = 1; k <= pieces; ++k) {
        const V3 p = track->getPos(0, double(k) / pieces);
        if (length < s) {
            atS = p;
        }
        length += (p - previous).length();
        previous = p;
    }
    EXPECT_NEAR(track->getLength(), length, 1e-6 * length);
    expectNear(track->getPos(s), atS, 1e-5 * length);
    expectOrthonormal(track->getTransform(0, 0.5));
    expectNear(column(track->getTransform(0, 0), 0), {1, 0, 0});
}

TEST(TrackErrors, UnresolvablePositionsAndBadParametersThrow) {
    auto track = makeRef<Track>(SrcRef("rail"));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW((void)track->getPos(0.0), Error);
    track->addStraight(2);
    EXPECT_THROW((void)track->getPos(1, 0.5), Error);
    EXPECT_THROW((void)track->getTransform(0, nan), Error);
    EXPECT_THROW((void)track->getPos(0, 1.1), Error);
    EXPECT_THROW((void)track->getPos(nan), Tolu::Error);
    EXPECT_THROW((void)track->getPos(-0.5), Tolu::Error);
    expectNear(track->getPos(2 + 1e-10), {2, 0, 0});

    const Stamp stamp = track->getStamp();
    EXPECT_THROW(track->addStraight(-1), Error);
    EXPECT_THROW(track->addArc(0, Deg(90)), Error);
    EXPECT_THROW(track->addArc(1, Deg(nan)), Error);
    EXPECT_THROW(track->addHelix(1, Deg(90), nan), Error);
    EXPECT_THROW(track->addBezier({nan, 0, 0}, {}, {}), Error);
    EXPECT_EQ(track->getNumSegs(), 1u);
    EXPECT_EQ(track->getStamp(), stamp);
    track->addStraight(1);
    EXPECT_GT(track->getStamp(), stamp);
    EXPECT_THROW((void)track->getSeg(2), Error);
}

} // namespace

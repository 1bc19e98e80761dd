#include "interaction/Geometry.h"

#include "support/SphereTestAsWritten.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>

namespace Ostra::Sim::GL::Geometry {
namespace {

using Vec = Vector3T<double>;
using Frustum = FrustumT<double>;
using Matrix = Matrix4x4T<double>;
using Sphere = BSphereT<double>;

#define EXPECT_VEC_NEAR(a, b) EXPECT_LT(((a) - (b)).length(), 1e-9)

Frustum unitFrustum(const Matrix& toWorld = Matrix()) {
    return Frustum(-1, 1, -1, 1, 1, 10, toWorld);
}

TEST(GeometryFrustum, PlanesPointOutOfTheVolumeAndEdgesAreClippedToIt) {
    Frustum fr = unitFrustum();
    for (int side = 0; side < 6; ++side) {
        EXPECT_LE(framePlane(fr, side).signedDistance({0, 0, -5}), 0.0) << "side " << side;
    }
    EXPECT_TRUE(pointInFrustum(fr, {5, 5, -5})); // on two side planes counts as inside
    for (const Vec& outside : {Vec{0, 0, -20}, Vec{0, 0, -0.5}, Vec{0, 3, -2}, Vec{-3, 0, -2}}) {
        EXPECT_FALSE(pointInFrustum(fr, outside)) << outside.x << ' ' << outside.y;
    }
    Frustum moved = unitFrustum(Matrix::translation({5, 0, 0}));
    EXPECT_TRUE(pointInFrustum(moved, {5, 0, -5}));
    EXPECT_FALSE(pointInFrustum(moved, {-1, 0, -5}));

    Vec c0;
    Vec c1;
    EXPECT_EQ(clipToFrustum(fr, {-20, 0, -5}, {20, 0, -5}, c0, c1), 1);
    EXPECT_VEC_NEAR(c0, Vec(-5, 0, -5));
    EXPECT_VEC_NEAR(c1, Vec(5, 0, -5));
    EXPECT_EQ(clipToFrustum(fr, {0, 0, -2}, {0, 1, -5}, c0, c1), 2);
    EXPECT_VEC_NEAR(c1, Vec(0, 1, -5));
    EXPECT_EQ(clipToFrustum(fr, {5, 0, -2}, {5, 1, -3}, c0, c1), 0);
}

TEST(GeometryFrustum, ClearsOnlyItsOwnBitAndReusesTheCachedPlane) {
    Frustum fr = unitFrustum();
    (void)framePlane(fr, Frustum::PlaneBottom);
    EXPECT_EQ(fr.dirty, Frustum::DirtyAll & ~Frustum::DirtyBottom);
    const PlaneT<double> left = framePlane(fr, Frustum::PlaneLeft);
    fr.l = -3; // not marked dirty: the old plane stays
    EXPECT_VEC_NEAR(framePlane(fr, Frustum::PlaneLeft).normal, left.normal);
    fr.dirty |= Frustum::DirtyLeft;
    EXPECT_GT(framePlane(fr, Frustum::PlaneLeft).normal.x - left.normal.x, 0.1);
}

TEST(GeometrySegment, NearestPointDecidesTheSphereHit) {
    EXPECT_EQ(closestParam({1, 5, 0}, {1, 1, 1}, {1, 1, 1}), 0.0);
    const Segment3T<double> seg({0, 0, 0}, {1, 0, 0});
    // Before the start the start point decides, past the end the end point.
    EXPECT_TRUE(segmentHitsSphere(seg, Sphere({-0.5, 0, 0}, 0.6)));
    EXPECT_FALSE(segmentHitsSphere(seg, Sphere({-0.5, 0, 0}, 0.4)));
    EXPECT_TRUE(segmentHitsSphere(seg, Sphere({1.5, 0, 0}, 0.6)));
    EXPECT_FALSE(segmentHitsSphere(seg, Sphere({1.5, 0, 0}, 0.4)));
    EXPECT_FALSE(segmentHitsSphere(seg, Sphere({0.5, 1, 0}, 0.9)));
}

using Tolu::Test::sphereTestAsWritten;

// Spheres placed at random, and many right at the edge of reach, beside and past the
// segment and at its box: the shortcuts must never change an answer.
TEST(GeometrySegment, TheProbeAnswersAsTheTestAsWritten) {
    std::mt19937_64 random(20261205);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const auto vec = [&](double scale) {
        return Vec(unit(random) * scale, unit(random) * scale, unit(random) * scale);
    };
    int hits = 0;
    int misses = 0;
    for (int round = 0; round < 20000; ++round) {
        const double scale = std::pow(10.0, unit(random) * 6.0);
        const Vec p0 = vec(scale);
        // Some segments along an axis, so that spheres beside them sit at the box's side.
        const Vec p1 = round % 7 == 0   ? p0
                       : round % 3 == 0 ? p0 + Vec(0, unit(random) * scale, 0)
                                        : p0 + vec(scale);
        const double radius = std::abs(unit(random)) * scale * 0.1;
        const double at = unit(random) * 1.5;
        const Vec onLine = p0 + (p1 - p0) * at;
        Vec side = vec(1.0);
        if (side.length() < 1e-3) {
            side = {1, 0, 0};
        }
        side = side * (1.0 / side.length());
        // Within a few units of rounding of touching, or a hair further.
        const double edge =
            round % 2 ? 1.0 + std::round(unit(random) * 4) * 1.1e-16 : 1.0 + unit(random) * 1e-12;
        const Vec centres[] = {vec(scale * 2), onLine + side * (radius * edge),
                               p0 + Vec(radius * edge, 0, 0), p1 - Vec(0, radius * edge, 0)};
        const SegmentProbe probe(Segment3T<double>(p0, p1));
        for (const Vec& centre : centres) {
            const bool expected = sphereTestAsWritten(p0, p1, centre, radius);
            ASSERT_EQ(probe.hitsSphere(centre, radius), expected)
                << "round " << round << " radius " << radius;
            (expected ? hits : misses) += 1;
        }
    }
    EXPECT_GT(hits, 1000);
    EXPECT_GT(misses, 1000);
    const SegmentProbe probe(Segment3T<double>({0, 0, 0}, {1, 0, 0}));
    EXPECT_FALSE(probe.hitsSphere({0, 0, 0}, std::nan(""))) << "no sphere, no hit";
}

void expectSphere(const Sphere& s, const Vec& centre, double radius) {
    EXPECT_VEC_NEAR(s.centre, centre);
    EXPECT_NEAR(s.radius, radius, 1e-9);
}

TEST(GeometrySphere, MergePointsBoxesAndTransforms) {
    Sphere container({0, 0, 0}, 5);
    merge(container, Sphere({1, 0, 0}, 1));
    expectSphere(container, {0, 0, 0}, 5);
    Sphere spanned({0, 0, 0}, 1);
    merge(spanned, Sphere({4, 0, 0}, 1));
    expectSphere(spanned, {2, 0, 0}, 3);

    Sphere points;
    addPoint(points, {1, 0, 0});
    EXPECT_TRUE(points.valid);
    expectSphere(points, {1, 0, 0}, 0);
    addPoint(points, {3, 0, 0});
    expectSphere(points, {2, 0, 0}, 1);
    Sphere box;
    sphereOfBox(box, BBoxT<double>({0, 0, 0}, {2, 2, 2}));
    expectSphere(box, {1, 1, 1}, std::sqrt(3.0));

    // Scaling grows the radius; a rotation keeps it.
    expectSphere(transformSphere(Matrix::scaling(2.0), {1, 0, 0}, 1.5), {2, 0, 0}, 3);
    expectSphere(transformSphere(Matrix::rotationZ(std::numbers::pi / 2), {1, 0, 0}, 1), {0, 1, 0},
                 1);
}

// Spheres a few ulps from touching, inside and outside, at many scales: the merge's
// containment tests without the root answer what the root-first merge does, bit for bit.
TEST(GeometrySphere, MergeAtTheEdgeOfContainmentIsTheRootFirstMerge) {
    const auto rootFirst = [](Sphere s, const Sphere& t) {
        const double d = (s.centre - t.centre).length();
        if (!(s.radius >= t.radius + d)) {
            mergeApart(s, t, d);
        }
        return s;
    };
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> ulps(-8, 8);
    int differs = 0;
    for (const double scale : {1e-150, 1e-70, 1e-3, 1.0, 7.5, 1e5, 1e70, 1e150}) {
        for (int i = 0; i < 2000; ++i) {
            const Sphere s(Vec(unit(random), unit(random), unit(random)) * scale,
                           (1.5 + unit(random)) * scale);
            const Vec centre = s.centre + Vec(unit(random), unit(random), unit(random)) * scale;
            // Touching from inside (t in s) or from outside (s in t), give or take ulps.
            const double d = (centre - s.centre).length();
            const double touching = i % 2 ? std::abs(s.radius - d) : s.radius + d;
            const double radius = touching * (1.0 + ulps(random) * 0x1p-52);
            Sphere merged = s;
            merge(merged, Sphere(centre, radius));
            const Sphere expected = rootFirst(s, Sphere(centre, radius));
            differs += std::memcmp(&merged.centre, &expected.centre, sizeof merged.centre) != 0 ||
                       std::memcmp(&merged.radius, &expected.radius, sizeof merged.radius) != 0;
        }
    }
    EXPECT_EQ(differs, 0);
}

// Whether `outer` holds `inner`, up to a few units of rounding of the magnitudes
// involved; in long double, whose range holds every sum and square of doubles.
bool holds(const Sphere& outer, const Sphere& inner) {
    using L = long double;
    const L dx = L(inner.centre.x) - L(outer.centre.x);
    const L dy = L(inner.centre.y) - L(outer.centre.y);
    const L dz = L(inner.centre.z) - L(outer.centre.z);
    const auto size = [](const Sphere& s) {
        return std::abs(L(s.centre.x)) + std::abs(L(s.centre.y)) + std::abs(L(s.centre.z)) +
               L(s.radius);
    };
    return std::sqrt(dx * dx + dy * dy + dz * dz) + L(inner.radius) <=
           L(outer.radius) + (size(outer) + size(inner)) * 1e-14L;
}

// Centres closer than a direction can be taken from, and centres at the ends of the
// double range: merging and adding points never throws and the result holds both.
TEST(GeometrySphere, NearAndFarCentresNeverThrowAndTheResultHoldsBoth) {
    const auto check = [](const Sphere& a, const Sphere& b, const char* what) {
        const auto expectBoth = [&](const Sphere& result, const char* how) {
            EXPECT_TRUE(result.valid && std::isfinite(result.radius) && holds(result, a) &&
                        holds(result, b))
                << what << ", " << how << ": centre " << result.centre.x << " " << result.centre.y
                << " " << result.centre.z << " radius " << result.radius;
        };
        Sphere merged = a;
        EXPECT_NO_THROW(merge(merged, b)) << what;
        expectBoth(merged, "merged");
        if (b.radius == 0.0) {
            Sphere grown = a;
            EXPECT_NO_THROW(addPoint(grown, b.centre)) << what;
            expectBoth(grown, "point added");
        }
    };
    for (const double offset : {1e-16, 1e-12, 5e-11, 2e-10}) {
        SCOPED_TRACE(offset);
        check(Sphere({1, 2, 3}, 0.0), Sphere({1, 2, 3 + offset}, 0.0), "two points");
        check(Sphere({0, 0, 0}, 0.0), Sphere({offset, offset, 0}, 0.0), "two points at 0");
        check(Sphere({5, 0, 0}, 1.0), Sphere({5 + offset, 0, 0}, 1.0), "equal spheres");
        check(Sphere({5, 0, 0}, 1.0), Sphere({5, offset, 0}, 1.0 + offset / 4), "larger second");
    }
    const double top = std::numeric_limits<double>::max();
    check(Sphere({top, 0, 0}, 1.0), Sphere({-top, 0, 0}, 1.0), "across the whole x range");
    check(Sphere({top, 0, 0}, 0.0), Sphere({-top, 0, 0}, 0.0), "points across the range");
    check(Sphere({1e200, 1e200, 0}, 1e200), Sphere({-1e200, 0, 1e200}, 3e200), "scaled by 1e200");
    check(Sphere({1e300, 0, 0}, 1e200), Sphere({0, 1e300, 0}, 0.0), "squares overflow");

    // No double holds the radius: it is infinite about a finite centre.
    Sphere beyond({top, top, top}, 0.0);
    EXPECT_NO_THROW(merge(beyond, Sphere({-top, -top, -top}, 0.0)));
    EXPECT_TRUE(std::isinf(beyond.radius));
    EXPECT_TRUE(std::isfinite(beyond.centre.x));
    Sphere points;
    addPoint(points, {top, top, 0});
    EXPECT_NO_THROW(addPoint(points, {-top, -top, 0}));
    EXPECT_TRUE(std::isinf(points.radius) && std::isfinite(points.centre.y));
}

} // namespace
} // namespace Ostra::Sim::GL::Geometry

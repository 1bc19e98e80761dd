#include "interaction/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

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

TEST(GeometryFrustum, PlanesPointOutOfTheVolume) {
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

TEST(GeometryFrustum, ClipsEdgesToTheVolume) {
    Frustum fr = unitFrustum();
    Vec c0;
    Vec c1;
    EXPECT_EQ(clipToFrustum(fr, {-20, 0, -5}, {20, 0, -5}, c0, c1), 1);
    EXPECT_VEC_NEAR(c0, Vec(-5, 0, -5));
    EXPECT_VEC_NEAR(c1, Vec(5, 0, -5));
    EXPECT_EQ(clipToFrustum(fr, {0, 0, -2}, {0, 1, -5}, c0, c1), 2);
    EXPECT_VEC_NEAR(c1, Vec(0, 1, -5));
    EXPECT_EQ(clipToFrustum(fr, {5, 0, -2}, {5, 1, -3}, c0, c1), 0);
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

TEST(GeometrySphere, MergeKeepsTheContainerAndSpansDisjointSpheres) {
    Sphere s({0, 0, 0}, 5);
    merge(s, Sphere({1, 0, 0}, 1));
    EXPECT_VEC_NEAR(s.centre, Vec(0, 0, 0));
    EXPECT_EQ(s.radius, 5);
    Sphere a({0, 0, 0}, 1);
    merge(a, Sphere({4, 0, 0}, 1));
    EXPECT_VEC_NEAR(a.centre, Vec(2, 0, 0));
    EXPECT_NEAR(a.radius, 3, 1e-9);
}

TEST(GeometrySphere, PointsAndBoxesGrowTheSphere) {
    Sphere s;
    addPoint(s, {1, 0, 0});
    EXPECT_TRUE(s.valid);
    EXPECT_EQ(s.radius, 0);
    addPoint(s, {3, 0, 0});
    EXPECT_VEC_NEAR(s.centre, Vec(2, 0, 0));
    EXPECT_NEAR(s.radius, 1, 1e-9);
    Sphere box;
    sphereOfBox(box, BBoxT<double>({0, 0, 0}, {2, 2, 2}));
    EXPECT_VEC_NEAR(box.centre, Vec(1, 1, 1));
    EXPECT_NEAR(box.radius, std::sqrt(3.0), 1e-9);
}

TEST(GeometrySphere, TransformScalesButRotationKeepsTheRadius) {
    const Sphere scaled = transformSphere(Matrix::scaling(2.0), {1, 0, 0}, 1.5);
    EXPECT_VEC_NEAR(scaled.centre, Vec(2, 0, 0));
    EXPECT_NEAR(scaled.radius, 3, 1e-9);
    const Sphere turned = transformSphere(Matrix::rotationZ(std::numbers::pi / 2), {1, 0, 0}, 1);
    EXPECT_VEC_NEAR(turned.centre, Vec(0, 1, 0));
    EXPECT_NEAR(turned.radius, 1, 1e-9);
}

} // namespace
} // namespace Ostra::Sim::GL::Geometry

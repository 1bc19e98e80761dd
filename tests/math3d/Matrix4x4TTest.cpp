#include <tolu/math3d/DegreeT.h>
#include <tolu/math3d/Matrix4x4T.h>

#include <gtest/gtest.h>

namespace Tolu {
namespace {

using M = Matrix4x4T<double>;
using V3 = Vector3T<double>;

void expectNear(const V3& actual, const V3& expected, double tolerance = 1e-12) {
    EXPECT_NEAR(actual.x, expected.x, tolerance) << "x";
    EXPECT_NEAR(actual.y, expected.y, tolerance) << "y";
    EXPECT_NEAR(actual.z, expected.z, tolerance) << "z";
}

void expectNear(const M& actual, const M& expected, double tolerance = 1e-12) {
    for (int k = 0; k < 16; ++k) {
        EXPECT_NEAR(actual.m[k], expected.m[k], tolerance) << "element " << k;
    }
}

TEST(Matrix4x4T, DefaultIsIdentityStorageIsRowMajorAndDirectionsIgnoreTheTranslation) {
    EXPECT_EQ(M(), M::identity());
    M t = M::translation({5, 6, 7});
    EXPECT_EQ(t.m[3], 5);
    EXPECT_EQ(t.m[7], 6);
    EXPECT_EQ(t.m[11], 7);
    EXPECT_EQ(t(1, 3), 6);
    t = M::rotationZ(0.3);
    t.setTranslation({1, 2, 3});
    EXPECT_EQ(t.getTranslation(), V3(1, 2, 3));
    expectNear(t.transformDirection({1, 0, 0}), M::rotationZ(0.3).transformAffine({1, 0, 0}));
    const M a(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    EXPECT_EQ(a(2, 1), 9);
    EXPECT_EQ(a.transposed()(1, 2), 9);
    EXPECT_THROW((void)a(4, 0), ErrorMath3D);
}

TEST(Matrix4x4T, ProductAppliesRightOperandFirst) {
    const M scale = M::scaling(2.0);
    const M move = M::translation({1, 0, 0});
    // Scale, then move: (1,1,1) -> (2,2,2) -> (3,2,2).
    EXPECT_EQ((move * scale).transformAffine({1, 1, 1}), V3(3, 2, 2));
    EXPECT_EQ((scale * move).transformAffine({1, 1, 1}), V3(4, 2, 2));
}

TEST(Matrix4x4T, RotationsTurnCounterClockwiseAboutTheirAxis) {
    const double quarter = DegreeT<double>(90).toRadians();
    expectNear(M::rotationZ(quarter).transformAffine({1, 0, 0}), {0, 1, 0});
    expectNear(M::rotationX(quarter).transformAffine({0, 1, 0}), {0, 0, 1});
    expectNear(M::rotationY(quarter).transformAffine({0, 0, 1}), {1, 0, 0});
    expectNear(M::rotation({0, 0, 3}, quarter), M::rotationZ(quarter));
    expectNear(M::rotation({1, 1, 1}, DegreeT<double>(120).toRadians()).transformAffine({1, 0, 0}),
               {0, 1, 0});
    EXPECT_THROW((void)M::rotation({}, 1.0), ErrorBadNullVector);
}

TEST(Matrix4x4T, InverseUndoesTheTransformAndRefusesSingularMatrices) {
    const M a = M::translation({1, -2, 3}) * M::rotation({1, 2, 3}, 0.7) *
                M::scaling(V3(2, 0.5, 4)) * M::perspective(1.0, 1.5, 0.1, 100);
    expectNear(a * a.inverse(), M(), 1e-10);
    expectNear(a.inverse() * a, M(), 1e-10);
    // The test is relative: a small but well-conditioned matrix inverts.
    expectNear(M::scaling(1e-40).inverse(), M::scaling(1e40), 1e27);
    EXPECT_THROW((void)M::scaling(V3(1, 1, 0)).inverse(), ErrorBadMatrix);
    // Rows 0 and 1 are parallel, but rounding keeps the determinant from coming out exactly 0.
    const M nearly(0.1, 0.2, 0.3, 1, 0.3, 0.6, 0.9, 3, 0.7, 0.1, 0.5, 2, 0, 0, 0, 1);
    EXPECT_THROW((void)nearly.inverse(), ErrorBadMatrix);
}

TEST(Matrix4x4T, LookAtPutsTheEyeAtTheOriginLookingDownMinusZ) {
    const M view = M::lookAt({3, 0, 0}, {4, 0, 0}, {0, 0, 1});
    expectNear(view.transformAffine({3, 0, 0}), {0, 0, 0});
    expectNear(view.transformAffine({5, 0, 0}), {0, 0, -2});
    expectNear(view.transformAffine({3, 0, 1}), {0, 1, 0});
    expectNear(view.transformAffine({3, -1, 0}), {1, 0, 0});
    EXPECT_THROW((void)M::lookAt({1, 1, 1}, {1, 1, 1}, {0, 1, 0}), ErrorBadNullVector);
    EXPECT_THROW((void)M::lookAt({0, 0, 0}, {0, 5, 0}, {0, 2, 0}), ErrorBadNullVector);
}

TEST(Matrix4x4T, ProjectionsMapNearAndFarToMinusAndPlusOne) {
    const M clipFromWorld = M::perspective(DegreeT<double>(90).toRadians(), 1.0, 1, 10) *
                            M::lookAt({0, 0, 5}, {0, 0, 0}, {0, 1, 0});
    const auto ndc = [&](const V3& p) {
        const Vector4T<double> c = clipFromWorld.transform({p, 1.0});
        return V3(c.x / c.w, c.y / c.w, c.z / c.w);
    };
    expectNear(ndc({1, 1, 4}), {1, 1, -1});
    expectNear(ndc({0, 0, 0}), {0, 0, 7.0 / 9.0});
    expectNear(ndc({-10, 0, -5}), {-1, 0, 1});
    EXPECT_DOUBLE_EQ(clipFromWorld.transform({{0, 0, 0}, 1.0}).w, 5.0);
    EXPECT_THROW((void)M::perspective(1.0, 1.0, 0.0, 10), ErrorBadMatrix);
    EXPECT_THROW((void)M::frustum(-1, 1, -1, 1, 10, 1), ErrorBadMatrix);

    const M o = M::ortho(0, 4, 0, 2, 1, 3);
    expectNear(o.transformAffine({0, 0, -1}), {-1, -1, -1});
    expectNear(o.transformAffine({4, 2, -3}), {1, 1, 1});
    EXPECT_THROW((void)M::ortho(0, 4, 0, 2, 1, 1), ErrorBadMatrix);
}

} // namespace
} // namespace Tolu

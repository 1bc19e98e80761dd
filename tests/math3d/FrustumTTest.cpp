#include <tolu/math3d/FramePlane.h>
#include <tolu/math3d/FrustumT.h>

#include <gtest/gtest.h>

#include <cmath>

namespace Tolu {
namespace {

using Frustum = FrustumT<double>;

TEST(FrustumT, FarDirtiesOnlyTheFarPlaneEveryOtherChangeEveryPlane) {
    EXPECT_EQ(Frustum(-1, 2, -3, 4, 0.5, 10, Matrix4x4T<double>()).dirty, Frustum::DirtyAll);
    const auto check = [](void (*change)(Frustum&)) {
        Frustum fr(-1, 1, -1, 1, 1, 100, Matrix4x4T<double>());
        fr.dirty = 0;
        change(fr);
        return fr.dirty;
    };
    EXPECT_EQ(check([](Frustum& fr) { fr.setFar(50); }), Frustum::DirtyFar);
    EXPECT_EQ(check([](Frustum& fr) { fr.setLeft(-2); }), Frustum::DirtyAll);
    EXPECT_EQ(check([](Frustum& fr) { fr.setTop(2); }), Frustum::DirtyAll);
    EXPECT_EQ(check([](Frustum& fr) { fr.setNear(0.1); }), Frustum::DirtyAll);
    EXPECT_EQ(check([](Frustum& fr) { fr.setToWorld(Matrix4x4T<double>::scaling(2.0)); }),
              Frustum::DirtyAll);
    EXPECT_EQ(check([](Frustum& fr) { fr.invalidate(); }), Frustum::DirtyAll);
}

TEST(FrustumT, PlaneInsideIsTheNegativeSide) {
    const PlaneT<double> plane{{0, 0, 1}, 2};
    EXPECT_TRUE(plane.isInside({5, 5, 2}));
    EXPECT_TRUE(plane.isInside({0, 0, -7}));
    EXPECT_FALSE(plane.isInside({0, 0, 2.5}));
}

TEST(FrustumT, FramePlanesPointOutOfTheMovedVolumeAndAreMadeOnlyWhenDirty) {
    // Bottom is stored before top but owns the higher bit.
    EXPECT_EQ(Frustum::dirtyBit(Frustum::PlaneBottom), Frustum::DirtyBottom);
    EXPECT_EQ(Frustum::dirtyBit(Frustum::PlaneTop), Frustum::DirtyTop);
    EXPECT_THROW((void)Frustum::dirtyBit(6), ErrorMath3D);

    Frustum fr(-1, 1, -1, 1, 1, 10, Matrix4x4T<double>::translation({5, 0, 0}));
    const PlaneT<double> left = framePlane(fr, Frustum::PlaneLeft);
    EXPECT_EQ(fr.dirty, Frustum::DirtyAll & ~Frustum::DirtyLeft);
    const double h = std::sqrt(0.5);
    EXPECT_NEAR(left.normal.x, -h, 1e-15);
    EXPECT_NEAR(left.normal.z, h, 1e-15);
    EXPECT_NEAR(left.d, -5 * h, 1e-14);
    const PlaneT<double>& far = framePlane(fr, Frustum::PlaneFar);
    EXPECT_EQ(far.normal, Vector3T<double>(0, 0, -1));
    EXPECT_EQ(far.d, 10.0);
    fr.l = -3; // not marked dirty: the plane stays
    EXPECT_EQ(framePlane(fr, Frustum::PlaneLeft).normal, left.normal);

    FrustumT<float> single(-1, 1, -1, 1, 1, 10, Matrix4x4T<float>());
    EXPECT_EQ(framePlane(single, FrustumT<float>::PlaneNear).d, -1.0f);
}

TEST(FrustumT, FramePlaneRefusesADegenerateVolumeOrAMatrixWithoutW) {
    Frustum noW(-1, 1, -1, 1, 1, 10,
                Matrix4x4T<double>(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0));
    EXPECT_THROW((void)framePlane(noW, Frustum::PlaneNear), ErrorBadMatrix);
    EXPECT_TRUE(noW.isDirty(Frustum::DirtyNear));
    Frustum flat(1, 1, -1, 1, 1, 10, Matrix4x4T<double>());
    EXPECT_THROW((void)framePlane(flat, Frustum::PlaneNear), ErrorBadNullVector);
    EXPECT_THROW((void)framePlane(flat, -1), ErrorMath3D);
}

} // namespace
} // namespace Tolu

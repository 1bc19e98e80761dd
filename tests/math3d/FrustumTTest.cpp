#include <tolu/math3d/FrustumT.h>

#include <gtest/gtest.h>

namespace Tolu {
namespace {

using Frustum = FrustumT<double>;

Frustum makeCleanFrustum() {
    Frustum fr(-1, 1, -1, 1, 1, 100, Matrix4x4T<double>());
    fr.dirty = 0;
    return fr;
}

TEST(FrustumT, ConstructorMarksAllPlanesDirty) {
    const Frustum fr(-1, 2, -3, 4, 0.5, 10, Matrix4x4T<double>::translation({1, 2, 3}));
    EXPECT_EQ(fr.dirty, Frustum::DirtyAll);
    EXPECT_EQ(fr.r, 2);
    EXPECT_EQ(fr.b, -3);
    EXPECT_EQ(fr.toWorld.getTranslation(), Vector3T<double>(1, 2, 3));
    EXPECT_EQ(Frustum().dirty, Frustum::DirtyAll);
}

TEST(FrustumT, DirtyBitsCoverSixPlanesWithBottomAboveTop) {
    EXPECT_EQ(Frustum::DirtyLeft | Frustum::DirtyRight | Frustum::DirtyTop | Frustum::DirtyBottom |
                  Frustum::DirtyNear | Frustum::DirtyFar,
              Frustum::DirtyAll);
    EXPECT_GT(Frustum::DirtyBottom, Frustum::DirtyTop);
    EXPECT_LT(Frustum::PlaneBottom, Frustum::PlaneTop);
}

TEST(FrustumT, SettingFarDirtiesOnlyTheFarPlane) {
    Frustum fr = makeCleanFrustum();
    fr.setFar(50);
    EXPECT_EQ(fr.f, 50);
    EXPECT_EQ(fr.dirty, Frustum::DirtyFar);
}

TEST(FrustumT, OtherSettersDirtyEveryPlane) {
    const auto check = [](void (*change)(Frustum&)) {
        Frustum fr = makeCleanFrustum();
        change(fr);
        return fr.dirty;
    };
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

} // namespace
} // namespace Tolu

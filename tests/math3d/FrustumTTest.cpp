#include <tolu/math3d/FrustumT.h>

#include <gtest/gtest.h>

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

} // namespace
} // namespace Tolu

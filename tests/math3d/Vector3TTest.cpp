#include <tolu/math3d/Vector3T.h>

#include <gtest/gtest.h>

namespace Tolu {
namespace {

using V3 = Vector3T<double>;

TEST(Vector3T, ArithmeticIsComponentWiseAndCrossIsRightHanded) {
    EXPECT_EQ(cross(V3(1, 0, 0), V3(0, 1, 0)), V3(0, 0, 1));
    EXPECT_EQ(V3(0, 1, 0).cross(V3(1, 0, 0)), V3(0, 0, -1));
    EXPECT_EQ(dot(V3(1, 2, 3), V3(4, -5, 6)), 12.0);
    V3 v(1, 2, 3);
    v += V3(1, 1, 1);
    v *= 2.0;
    EXPECT_EQ(v, V3(4, 6, 8));
    EXPECT_EQ(0.5 * v - V3(2, 3, 4), V3());
    EXPECT_EQ(-v / 2.0, V3(-2, -3, -4));
    EXPECT_NE(v, V3(4, 6, 8.000001));
    v[2] = 7;
    EXPECT_EQ(v.z, 7);
    EXPECT_THROW((void)v[3], ErrorMath3D);
}

TEST(Vector3T, NormalizedGivesUnitLengthAndThrowsBelowEpsilonNamingTheFunction) {
    const V3 n = V3(3, 0, 4).normalized();
    EXPECT_DOUBLE_EQ(n.x, 0.6);
    EXPECT_DOUBLE_EQ(n.z, 0.8);
    EXPECT_THROW((void)V3(1e-4, 0, 0).normalized(1e-3), ErrorBadNullVector);
    EXPECT_NO_THROW((void)V3(1e-2, 0, 0).normalized(1e-3));
    // A zero tolerance must not let a null vector through as NaNs.
    EXPECT_THROW((void)V3().normalized(0.0), ErrorBadNullVector);
    try {
        (void)Vector3T<float>().normalized();
        FAIL() << "no exception";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("Vector3T::normalized"), std::string::npos);
        EXPECT_NE(dynamic_cast<const ErrorMath3D*>(&e), nullptr);
    }
}

} // namespace
} // namespace Tolu

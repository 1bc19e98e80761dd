#include <tolu/math3d/BBoxT.h>
#include <tolu/math3d/BSphereT.h>

#include <gtest/gtest.h>

namespace Tolu {
namespace {

using V3 = Vector3T<double>;

TEST(BBoxT, EmptyHasNoCentreFirstPointSetsBothCornersLaterOnesGrowEachAxis) {
    BBoxT<double> box;
    EXPECT_FALSE(box.valid);
    EXPECT_THROW((void)box.getCentre(), ErrorMath3D);
    EXPECT_THROW((void)box.getSize(), ErrorMath3D);
    box.add(V3(1, 1, 1));
    EXPECT_TRUE(box.valid);
    EXPECT_EQ(box.min, V3(1, 1, 1));
    box.add(V3(-1, 3, 0));
    box.add(V3(0, 2, 5));
    EXPECT_EQ(box.min, V3(-1, 1, 0));
    EXPECT_EQ(box.max, V3(1, 3, 5));
    EXPECT_EQ(box.getCentre(), V3(0, 2, 2.5));
    EXPECT_EQ(box.getSize(), V3(2, 2, 5));

    BBoxT<double> merged;
    merged.add(BBoxT<double>());
    EXPECT_FALSE(merged.valid);
    merged.add(box);
    EXPECT_EQ(merged.max, box.max);
    EXPECT_EQ(BBoxT<float>(box).min, Vector3T<float>(-1, 1, 0));
}

TEST(BSphereT, RadiusZeroIsValidNegativeIsRefused) {
    EXPECT_FALSE(BSphereT<double>().valid);
    EXPECT_TRUE(BSphereT<double>(V3(), 0.0).valid);
    EXPECT_THROW(BSphereT<double>(V3(), -1.0), ErrorMath3D);
}

} // namespace
} // namespace Tolu

#include <gtest/gtest.h>

#include <ostra_io/Urdf.h>

// The sample arm the build writes: it loads whole, meshes included.
namespace {

TEST(SampleArmTest, LoadsEveryLinkAndJointWithGeometry) {
    const Ostra::IO::Scene scene = Ostra::IO::loadModel(TOLU_SAMPLE_ARM);
    const auto& kin = *scene.kinematics;
    EXPECT_EQ(kin.links().size(), 7u);
    EXPECT_EQ(kin.joints().size(), 6u);
    EXPECT_EQ(scene.model->getBodyList().getCount(), 7u);
    EXPECT_EQ(scene.model->getJointList().getCount(), 6u);
    for (const auto& link : kin.links()) {
        EXPECT_TRUE(link.body->getProto()) << link.name;
    }
}

} // namespace

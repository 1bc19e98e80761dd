#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostra_io/Urdf.h>
#include <sstream>
#include <string>

// The sample arm the build writes: it loads whole, meshes included, and its motion names
// its moving joints.
namespace {

TEST(SampleArmTest, LoadsEveryLinkAndJointWithGeometry) {
    const std::filesystem::path file = TOLU_SAMPLE_ARM;
    const Ostra::IO::Scene scene = Ostra::IO::loadModel(file);
    const auto& kin = *scene.kinematics;
    EXPECT_EQ(kin.links().size(), 7u);
    EXPECT_EQ(kin.joints().size(), 6u);
    EXPECT_EQ(scene.model->getBodyList().getCount(), 7u);
    EXPECT_EQ(scene.model->getJointList().getCount(), 6u);
    for (const auto& link : kin.links()) {
        EXPECT_TRUE(link.body->getProto()) << link.name;
    }

    std::ifstream motion(file.parent_path() / "arm-motion.csv");
    std::string header;
    ASSERT_TRUE(std::getline(motion, header));
    std::istringstream columns(header);
    std::string name;
    ASSERT_TRUE(std::getline(columns, name, ','));
    EXPECT_EQ(name, "time");
    int moving = 0;
    while (std::getline(columns, name, ',')) {
        const auto joint = kin.findJoint(name);
        ASSERT_TRUE(joint) << name;
        EXPECT_TRUE(kin.isMoving(*joint)) << name;
        ++moving;
    }
    EXPECT_EQ(moving, 5);
}

} // namespace

#include "DemoScene.h"
#include "ModelCompare.h"

#include <gtest/gtest.h>

#include <ostra_io/SceneFile.h>

// The sample scene file is the demo mechanism: the same objects, attributes and geometry,
// placed alike up to the rounding of the file's angles.
namespace {

TEST(SampleSceneTest, SampleFileIsTheDemoMechanism) {
    const Ostra::IO::Scene sample = Ostra::IO::loadScene(TOLU_SAMPLE_SCENE);
    const SimGLDemo::DemoScene demo;
    EXPECT_EQ(Tolu::Test::firstDifference(*demo.getModel(), *sample.model, 1e-9), "");
}

} // namespace

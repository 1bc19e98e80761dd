#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/Project.h>

#include <gtest/gtest.h>

#include <numbers>
#include <vector>

namespace {

using namespace Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;
using V3 = Tolu::Vector3T<double>;
using M4 = Tolu::Matrix4x4T<double>;

void expectNear(const V3& actual, const V3& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-12);
    EXPECT_NEAR(actual.y, expected.y, 1e-12);
    EXPECT_NEAR(actual.z, expected.z, 1e-12);
}

TEST(PortDrvUIBodies, SetStaysOrderedAndUsableWhenBodiesDie) {
    auto drv = makeRef<PortDrvUI>(SrcRef("ui"));
    std::vector<RefT<Body>> keep;
    for (int k = 0; k < 6; ++k) {
        keep.push_back(makeRef<Body>());
        drv->addBody(keep.back());
    }
    keep.erase(keep.begin() + 1);
    keep.erase(keep.begin() + 3);
    for (const auto& body : keep) {
        EXPECT_TRUE(drv->hasBody(body.get()));
    }
    drv->removeBody(keep[0]);
    EXPECT_FALSE(drv->hasBody(keep[0].get()));
    EXPECT_FALSE(drv->hasBody(nullptr));

    // Adding drops the dead entries, so a body born at a dead one's address gets in.
    auto fresh = makeRef<Body>();
    EXPECT_FALSE(drv->hasBody(fresh.get()));
    drv->addBody(fresh);
    EXPECT_TRUE(drv->hasBody(fresh.get()));
    EXPECT_EQ(drv->getBodies().size(), keep.size());
}

struct Drag : ::testing::Test {
    Drag() {
        project->addBody(body);
        project->addBody(bystander);
        project->addPortDrv(makeRef<PortDrv>(SrcRef("plain")));
        project->addPortDrv(drv);
        // Rotated a quarter turn about z, then moved: the grab point is body-fixed.
        body->setTransform(M4::translation({10, 0, 0}) * M4::rotationZ(std::numbers::pi / 2));
    }

    RefT<Project> project = makeRef<Project>();
    RefT<Body> body = makeRef<Body>(SrcRef("box"));
    RefT<Body> bystander = makeRef<Body>(SrcRef("other"));
    RefT<PortDrvUI> drv = makeRef<PortDrvUI>(SrcRef("ui"));
};

TEST_F(Drag, StepMovesTheGrabPointToTouchPlusOffset) {
    const V3 touch(10, 1, 0);
    const V3 grabInBody = V3(1, 0, 0); // touch seen from the rotated body
    drv->getDragBody().storeValue(Tolu::PtrT<Body>(body));
    drv->getDragTouchPos().storeValue(touch);
    drv->getDragActive().storeValue(true);
    StateSigData<bool> changed;
    drv->getDragActive().getSignal().emit(changed);

    // The body moves after the grab: the grab point stays where it was on the body.
    body->setTransform(M4::translation({0, 5, 0}) * body->getTransform());
    drv->getDragOffset().storeValue({0, 0, 2});
    const Stamp other = bystander->getStamp();
    project->step();
    expectNear(body->getTransform().transformAffine(grabInBody), touch + V3(0, 0, 2));
    EXPECT_NEAR(body->getTransform()(0, 1), -1, 1e-12); // still turned: translation only
    EXPECT_EQ(body->getTransformStamp(), body->getStamp());
    EXPECT_EQ(bystander->getStamp(), other);

    drv->getDragOffset().storeValue({3, 0, 0});
    project->step();
    expectNear(body->getTransform().transformAffine(grabInBody), touch + V3(3, 0, 0));
}

TEST_F(Drag, NothingMovesWithoutAnActiveDragOfALiveBody) {
    drv->getDragBody().storeValue(Tolu::PtrT<Body>(body));
    drv->getDragOffset().storeValue({1, 1, 1});
    const Stamp stamp = body->getStamp();
    project->step();
    drv->getDragActive().storeValue(true);
    drv->setEnabled(false);
    project->step();
    EXPECT_EQ(body->getStamp(), stamp);

    drv->setEnabled(true);
    project->removeBody(body);
    body = nullptr;
    EXPECT_NO_THROW(project->step());
    EXPECT_FALSE(drv->getDragBody().getValue());
}

} // namespace

#include "NodeFixture.h"

#include <ostra_sim/Project.h>
#include <ostra_sim/Stamp.h>
#include <vuro_gl/BodyProto.h>

#include <cstdint>

namespace NodeTest {
namespace {

// The first stamp above those taken so far whose low 32 bits are all 0: only moving the
// counter forward keeps every stamp taken before valid.
std::uint64_t next32BitEnd() {
    return ((std::uint64_t{Sim::peekStamp()} >> 32) + 1) << 32;
}

RefT<Vuro::BodyProto> square() {
    auto proto = makeRef<Vuro::BodyProto>("square");
    Vuro::PrimGroup group;
    group.vertices = {{{-1, -1, 0}, {0, 0, 1}}, {{1, -1, 0}, {0, 0, 1}}, {{1, 1, 0}, {0, 0, 1}},
                      {{-1, -1, 0}, {0, 0, 1}}, {{1, 1, 0}, {0, 0, 1}},  {{-1, 1, 0}, {0, 0, 1}}};
    proto->addGroup(group);
    return proto;
}

class StampRange : public Nodes {
protected:
    GL::Node* hitNode(double x, double y) {
        Pick at(x, y);
        Vuro::GL::Isect::Context query(Vuro::GL::allModes, 0x01, Vuro::GL::Isect::FlagNone);
        GL::Isect::Hit hit;
        project->isect(at.segment, at.frustum, query, hit);
        return hit.node.get();
    }
    // Whether the project's geometry sphere reaches the body placed at (x, y, 0).
    bool sphereHolds(double x, double y) {
        const auto sphere = project->getBSphere(context, 0x01, 0, 0);
        return sphere.valid &&
               (sphere.centre - Vector3T<double>(x, y, 0)).length() + 1.0 <= sphere.radius + 1e-9;
    }
    RefT<Sim::Body> shownBody(const Vector3T<double>& at) {
        auto body = simBody(at);
        body->setProto(square());
        return body;
    }
};

// Stamps run on past 2^32: what keeps data by stamp (the update's skipped refreshes,
// joint lines, placed spheres, the pick index) must see every change on the far side,
// and a body whose stamp has its low 32 bits all 0 must be placed like any other.
TEST_F(StampRange, ChangesAcrossThe32BitEndAreAllSeen) {
    auto model = makeRef<Sim::Project>();
    auto moved = shownBody({0, 0, 0});
    model->addBody(moved);
    model->addBody(shownBody({0, 50, 0}));
    model->addJoint(simJoint({0, 0, 3}, moved.get(), nullptr));
    project->set(model);
    (void)project->update();
    GL::Node* movedNode = project->find(moved.get()).get();
    GL::Joint& joint = *project->getJointList().first;
    ASSERT_EQ(hitNode(0, 0), movedNode);

    Sim::setNextStampForTesting(next32BitEnd() - 3);
    (void)project->update(); // the update's still-model record starts just short of the end
    for (int step = 1; step <= 6; ++step) {
        SCOPED_TRACE(step);
        const double x = 4.0 * step;
        moved->setTransform(Matrix4x4T<double>::translation({x, 0, 0}));
        (void)project->update();
        EXPECT_EQ(hitNode(x, 0), movedNode);
        EXPECT_EQ(hitNode(x - 4.0, 0), nullptr);
        EXPECT_TRUE(sphereHolds(x, 0));
        (void)pass(&GL::Node::renderHUD, joint, 0x04);
        EXPECT_EQ(joint.getLines().at(1).pos.x, float(x)) << "the line to the moved body";
    }

    auto placed = shownBody({});
    Sim::setNextStampForTesting(next32BitEnd());
    placed->setTransform(Matrix4x4T<double>::translation({-20, 0, 0}));
    ASSERT_EQ(placed->getTransformStamp() & 0xFFFFFFFFu, 0u);
    model->addBody(placed);
    (void)project->update();
    EXPECT_EQ(hitNode(-20, 0), project->find(placed.get()).get());
    EXPECT_TRUE(sphereHolds(-20, 0));
}

} // namespace
} // namespace NodeTest

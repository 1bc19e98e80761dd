#include <ostra_sim/Error.h>
#include <ostra_sim/Project.h>
#include <ostra_sim/SensorTrack.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;

std::string names(const Project& project) {
    std::string out;
    for (const Body* body = project.getBodyList().getFirst().get(); body;
         body = body->getNext().get()) {
        out += body->getName();
    }
    return out;
}

struct ProjectEditing : ::testing::Test {
    RefT<Project> project = makeRef<Project>(SrcRef("p"));
    RefT<Body> a = makeRef<Body>(SrcRef("a"));
    RefT<Body> b = makeRef<Body>(SrcRef("b"));
    RefT<Body> c = makeRef<Body>(SrcRef("c"));
};

TEST_F(ProjectEditing, InsertRemoveAndMoveKeepOrderAndCount) {
    project->addBody(a);
    project->addBody(c);
    Stamp stamp = project->getStamp();
    project->insertBody(b, c);
    EXPECT_EQ(names(*project), "abc");
    EXPECT_GT(project->getStamp(), stamp);
    EXPECT_EQ(project->getBodyList().getLast().get(), c.get());
    EXPECT_EQ(b->getProject().get(), project.get());

    stamp = project->getStamp();
    project->moveBody(c, a);
    EXPECT_EQ(names(*project), "cab");
    project->moveBody(c, nullptr);
    EXPECT_EQ(names(*project), "abc");
    EXPECT_GT(project->getStamp(), stamp);
    EXPECT_EQ(project->getBodyList().getCount(), 3u);

    project->removeBody(b);
    EXPECT_EQ(names(*project), "ac");
    EXPECT_EQ(project->getBodyList().getCount(), 2u);
    EXPECT_FALSE(b->getProject());
    EXPECT_FALSE(b->getNext());
}

TEST_F(ProjectEditing, MembershipIsCheckedAndExclusive) {
    project->addBody(a);
    const Stamp stamp = project->getStamp();
    EXPECT_THROW(project->removeBody(b), Error);
    EXPECT_THROW(project->addBody(a), Error);
    EXPECT_THROW(project->insertBody(b, c), Error);
    auto other = makeRef<Project>(SrcRef("q"));
    EXPECT_THROW(other->addBody(a), Tolu::Error);
    EXPECT_THROW(other->removeBody(a), Error);
    EXPECT_THROW(project->addBody(nullptr), Error);
    EXPECT_EQ(project->getStamp(), stamp);
    EXPECT_EQ(names(*project), "a");

    // A project that dies lets its surviving members join another one.
    project = nullptr;
    EXPECT_FALSE(a->getProject());
    other->addBody(a);
    EXPECT_EQ(names(*other), "a");
}

TEST_F(ProjectEditing, OtherListsEditTheSameWay) {
    auto joint = makeRef<Joint>(SrcRef("j"));
    auto sensor = makeRef<SensorTrack>(SrcRef("s"));
    auto plain = makeRef<Sensor>(SrcRef("speed"));
    auto drv = makeRef<PortDrv>(SrcRef("d"));
    project->addJoint(joint);
    project->addSensor(sensor);
    project->insertSensor(plain, sensor);
    project->addPortDrv(drv);
    EXPECT_EQ(project->getSensorList().getFirst().get(), plain.get());
    EXPECT_EQ(project->getPortDrvs().getCount(), 1u);
    EXPECT_EQ(drv->getProject().get(), project.get());
    const Stamp stamp = project->getStamp();
    project->removeJoint(joint);
    project->removeSensor(plain);
    project->removePortDrv(drv);
    EXPECT_THROW(project->removePortDrv(drv), Error);
    EXPECT_GT(project->getStamp(), stamp);
    EXPECT_TRUE(project->getJointList().isEmpty());
    EXPECT_EQ(project->getSensorList().getFirst().get(), sensor.get());
}

} // namespace

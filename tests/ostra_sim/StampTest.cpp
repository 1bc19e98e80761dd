#include <ostra_sim/JointTrack.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/Project.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Stamp.h>
#include <ostra_sim/Track.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;
using M4 = Tolu::Matrix4x4T<double>;
using Stamps = std::vector<Stamp>;

// One object of every kind, each a member of the project, and one spare of each kind.
struct World {
    World() {
        joint->setBody1(body);
        drv->addBody(body);
        for (const RefT<Body>& b : {body, RefT<Body>(track), spareBody}) {
            project->addBody(b);
        }
        project->addJoint(joint);
        project->addSensor(sensor);
        project->addPortDrv(drv);
    }
    RefT<Project> project = makeRef<Project>();
    RefT<Body> body = makeRef<Body>();
    RefT<Track> track = makeRef<Track>();
    RefT<Body> spareBody = makeRef<Body>();
    RefT<JointTrack> joint = makeRef<JointTrack>();
    RefT<Joint> spareJoint = makeRef<Joint>();
    RefT<SensorTrack> sensor = makeRef<SensorTrack>();
    RefT<Sensor> spareSensor = makeRef<Sensor>();
    RefT<PortDrvUI> drv = makeRef<PortDrvUI>();
    RefT<PortDrv> spareDrv = makeRef<PortDrvUI>();
    RefT<Tolu::Class> made;
};

// A change of the model and the stamps it must have raised.
struct Change {
    std::string name;
    std::function<void(World&)> make;
    std::function<Stamps(const World&)> stamps;
};

void PrintTo(const Change& change, std::ostream* out) {
    *out << change.name;
}

Stamps ofBody(const World& w) {
    return {w.body->getStamp()};
}
Stamps ofTrack(const World& w) {
    return {w.track->getStamp()};
}
Stamps ofJoint(const World& w) {
    return {w.joint->getStamp()};
}
Stamps ofSensor(const World& w) {
    return {w.sensor->getStamp()};
}
Stamps ofDrv(const World& w) {
    return {w.drv->getStamp()};
}
Stamps ofProject(const World& w) {
    return {w.project->getStamp()};
}
template <class T> Stamps ofMade(const World& w) {
    return {static_cast<const T&>(*w.made).getStamp()};
}

const std::vector<Change> changes = {
    {"setTransform",
     [](World& w) {
         w.body->setTransform(M4::translation({1, 0, 0}));
     },
     [](const World& w) {
         return Stamps{w.body->getStamp(), w.body->getTransformStamp()};
     }},
    {"setVisible", [](World& w) { w.body->setVisible(false); }, ofBody},
    {"setPickable", [](World& w) { w.body->setPickable(false); }, ofBody},
    {"setUseColor", [](World& w) { w.body->setUseColor(true); }, ofBody},
    {"setColor",
     [](World& w) {
         w.body->setColor({1, 0, 0});
     },
     ofBody},
    {"setColorMix", [](World& w) { w.body->setColorMix(0.25f); }, ofBody},
    {"setAlpha", [](World& w) { w.body->setAlpha(0.5f); }, ofBody},
    {"setVuroObject", [](World& w) { w.body->setVuroObject(makeRef<Vuro::Object>()); }, ofBody},
    {"setStatus", [](World& w) { w.body->setStatus(1); }, ofBody},
    {"setProto", [](World& w) { w.body->setProto(makeRef<Vuro::BodyProto>("p")); }, ofBody},
    {"setRefPoint",
     [](World& w) {
         w.body->setRefPoint({0, 0, 1});
     },
     ofBody},
    {"addStraight", [](World& w) { w.track->addStraight(1); }, ofTrack},
    {"addArc", [](World& w) { w.track->addArc(1, Tolu::DegreeT<double>(90)); }, ofTrack},
    {"addBezier",
     [](World& w) {
         w.track->addBezier({1, 0, 0}, {1, 1, 0}, {2, 1, 0});
     },
     ofTrack},
    {"addHelix", [](World& w) { w.track->addHelix(1, Tolu::DegreeT<double>(90), 1); }, ofTrack},
    {"clearSegs", [](World& w) { w.track->clearSegs(); }, ofTrack},
    {"jointSetStatus", [](World& w) { w.joint->setStatus(1); }, ofJoint},
    {"setFrame",
     [](World& w) {
         w.joint->setFrame(M4::translation({0, 1, 0}));
     },
     [](const World& w) {
         return Stamps{w.joint->getStamp(), w.joint->getFrameStamp()};
     }},
    {"setBody1", [](World& w) { w.joint->setBody1(w.track); },
     [](const World& w) {
         return Stamps{w.joint->getStamp(), w.joint->getBody1LinkStamp()};
     }},
    {"setBody2", [](World& w) { w.joint->setBody2(w.body); },
     [](const World& w) {
         return Stamps{w.joint->getStamp(), w.joint->getBody2LinkStamp()};
     }},
    {"setInitialPos", [](World& w) { w.joint->setInitialPos(1); }, ofJoint},
    {"setCurrentPos", [](World& w) { w.joint->setCurrentPos(1); }, ofJoint},
    {"sensorSetBody", [](World& w) { w.sensor->setBody(w.body); }, ofSensor},
    {"setTrack", [](World& w) { w.sensor->setTrack(w.track); }, ofSensor},
    {"setPos1", [](World& w) { w.sensor->setPos1(0.5); }, ofSensor},
    {"setPos2", [](World& w) { w.sensor->setPos2(-0.5); }, ofSensor},
    {"setEnabled", [](World& w) { w.drv->setEnabled(false); }, ofDrv},
    {"setCanAll", [](World& w) { w.drv->setCanAll(true); }, ofDrv},
    {"driverAddBody", [](World& w) { w.drv->addBody(w.track); }, ofDrv},
    {"driverRemoveBody", [](World& w) { w.drv->removeBody(w.body); }, ofDrv},
    {"addBody", [](World& w) { w.project->addBody(makeRef<Body>()); }, ofProject},
    {"insertBody", [](World& w) { w.project->insertBody(makeRef<Body>(), w.body); }, ofProject},
    {"removeBody", [](World& w) { w.project->removeBody(w.spareBody); }, ofProject},
    {"moveBody", [](World& w) { w.project->moveBody(w.spareBody, w.body); }, ofProject},
    {"addJoint", [](World& w) { w.project->addJoint(w.spareJoint); }, ofProject},
    {"insertJoint", [](World& w) { w.project->insertJoint(w.spareJoint, w.joint); }, ofProject},
    {"removeJoint", [](World& w) { w.project->removeJoint(w.joint); }, ofProject},
    {"addSensor", [](World& w) { w.project->addSensor(w.spareSensor); }, ofProject},
    {"insertSensor", [](World& w) { w.project->insertSensor(w.spareSensor, w.sensor); }, ofProject},
    {"removeSensor", [](World& w) { w.project->removeSensor(w.sensor); }, ofProject},
    {"addPortDrv", [](World& w) { w.project->addPortDrv(w.spareDrv); }, ofProject},
    {"insertPortDrv", [](World& w) { w.project->insertPortDrv(w.spareDrv, w.drv); }, ofProject},
    {"removePortDrv", [](World& w) { w.project->removePortDrv(w.drv); }, ofProject},
    {"newBody", [](World& w) { w.made = makeRef<Body>(); }, ofMade<Node>},
    {"newJoint", [](World& w) { w.made = makeRef<JointTrack>(); },
     [](const World& w) {
         const auto& joint = static_cast<const Joint&>(*w.made);
         return Stamps{joint.getStamp(), joint.getTransformStamp(), joint.getFrameStamp(),
                       joint.getBody1LinkStamp(), joint.getBody2LinkStamp()};
     }},
    {"newPortDrv", [](World& w) { w.made = makeRef<PortDrvUI>(); }, ofMade<PortDrv>},
    {"newProject", [](World& w) { w.made = makeRef<Project>(); }, ofMade<Project>},
};

class StampCounter : public ::testing::TestWithParam<Change> {};

// Viewers skip work on the word of the one counter (`peekStamp` unchanged: nothing
// changed; a stamp below an earlier `peekStamp`: that member did not change since).
// So every change must take its stamps from it, during the change.
TEST_P(StampCounter, EveryChangeTakesItsStampsFromTheOneCounter) {
    World world;
    const Stamp before = peekStamp();
    GetParam().make(world);
    const Stamp after = peekStamp();
    EXPECT_GT(after, before);
    for (const Stamp stamp : GetParam().stamps(world)) {
        EXPECT_GE(stamp, before);
        EXPECT_LT(stamp, after);
    }
}

INSTANTIATE_TEST_SUITE_P(Model, StampCounter, ::testing::ValuesIn(changes),
                         [](const auto& info) { return info.param.name; });

} // namespace

#include "support/MirrorModel.h"
#include "support/ModelEditor.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/JointTrack.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/Project.h>
#include <ostra_sim/Sensor.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Track.h>
#include <tolu/gl/NoOpFunctions.h>
#include <tolu/gl/ScopedFunctions.h>
#include <vuro_gl/BodyProto.h>
#include <vuro_gl/gl/ClassMap.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <utility>
#include <vector>

namespace {

namespace GL = Ostra::Sim::GL;
namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;
using Tolu::Test::Change;
using Tolu::Test::Objects;
using Tolu::Test::simNodesOf;

// Opens the draggable-body bookkeeping to the tests.
struct InspectProject : GL::Project {
    using Project::dragAll;
    using Project::dragBodies;
    using Project::Project;
    using Project::uiDrvs;
};

class Update : public ::testing::Test {
protected:
    RefT<Sim::Body> body(std::int32_t status = 2) {
        auto b = makeRef<Sim::Body>();
        b->setStatus(status);
        return b;
    }
    Objects bodies() { return simNodesOf(project->getBodyList()); }
    Change update() { return Tolu::Test::changeOf(project->update()); }
    // Adds the bodies to the model and mirrors it.
    void mirror(std::initializer_list<RefT<Sim::Body>> added) {
        for (const auto& b : added) {
            model->addBody(b);
        }
        project->set(model);
        project->update();
    }

    Tolu::GL::NoOpFunctions noOp;
    Tolu::GL::ScopedFunctions useNoOp{noOp.getTable()};
    Vuro::GL::ClassMap classMap;
    RefT<InspectProject> project = makeRef<InspectProject>(classMap);
    RefT<Sim::Project> model = makeRef<Sim::Project>();
};

TEST_F(Update, FirstUpdateCreatesEveryKindInModelOrderTheSecondNothing) {
    auto a = body(), hidden = body(1);
    auto track = makeRef<Sim::Track>();
    track->addStraight(2.0);
    auto joint = makeRef<Sim::Joint>();
    auto onTrack = makeRef<Sim::JointTrack>();
    onTrack->setBody1(track);
    auto sensor = makeRef<Sim::SensorTrack>();
    auto plainSensor = makeRef<Sim::Sensor>();
    model->addBody(a);
    model->addBody(hidden);
    model->addBody(track);
    model->addJoint(joint);
    model->addJoint(onTrack);
    model->addSensor(plainSensor);
    model->addSensor(sensor);
    project->set(model);

    EXPECT_EQ(update(),
              (Change{{}, {a.get(), track.get(), joint.get(), onTrack.get(), sensor.get()}}));
    EXPECT_EQ(project->find(hidden.get()), nullptr);
    EXPECT_EQ(project->find(plainSensor.get()), nullptr);
    // Found by identity alone: what is asked for is never read.
    EXPECT_EQ(project->find(nullptr), nullptr);
    EXPECT_EQ(project->find(reinterpret_cast<Sim::Node*>(std::uintptr_t{0x10})), nullptr);
    EXPECT_EQ(project->find(a.get())->getClassId(), GL::ClassIdBody);
    EXPECT_EQ(project->find(track.get())->getClassId(), GL::ClassIdTrack);
    EXPECT_EQ(project->find(joint.get())->getClassId(), GL::ClassIdJoint);
    EXPECT_EQ(project->find(onTrack.get())->getClassId(), GL::ClassIdJointTrack);
    EXPECT_EQ(update(), Change{});

    project->set(nullptr); // empties the lists itself: the update after it has nothing to do
    EXPECT_EQ(update(), Change{});
    EXPECT_EQ(project->getBodyList().count, 0u);
}

TEST_F(Update, DeletingInsertingSwappingAndStatusChanges) {
    auto a = body(), b = body(), c = body();
    mirror({a, b, c});
    GL::Node* nodeA = project->find(a.get()).get();
    GL::Node* nodeC = project->find(c.get()).get();

    model->removeBody(b); // the middle one: only its node goes
    EXPECT_EQ(update(), (Change{{b.get()}, {}}));
    EXPECT_EQ(project->find(a.get()).get(), nodeA);
    EXPECT_EQ(project->find(c.get()).get(), nodeC);
    EXPECT_EQ(project->find(b.get()), nullptr);

    model->insertBody(b, c); // back in the middle: every node after it is replaced
    EXPECT_EQ(update(), (Change{{c.get()}, {b.get(), c.get()}}));
    EXPECT_NE(project->find(c.get()).get(), nodeC);

    model->moveBody(c, b); // order a, c, b: b's node is retired, c's matches
    EXPECT_EQ(update(), (Change{{b.get()}, {b.get()}}));
    EXPECT_EQ(bodies(), (Objects{a.get(), c.get(), b.get()}));

    c->setStatus(-1); // falling: only its node goes
    EXPECT_EQ(update(), (Change{{c.get()}, {}}));
    c->setStatus(2); // rising: as if inserted
    EXPECT_EQ(update(), (Change{{b.get()}, {c.get(), b.get()}}));
}

// --- refreshing kept nodes ----------------------------------------------------------

using Log = std::vector<const Sim::Node*>;

// Host subclasses: their refresh may do anything, so update must call it every time.
struct LoggingBody : GL::Body {
    LoggingBody(GL::Project& project, Sim::Body& body, Log& log) : Body(project, body), log(log) {}
    void update() override {
        log.push_back(getSimNode().get());
        if (onRefresh) {
            std::exchange(onRefresh, nullptr)();
        }
    }
    Log& log;
    std::function<void()> onRefresh;
};

struct LoggingJoint : GL::Joint {
    LoggingJoint(GL::Project& project, Sim::Joint& joint, Log& log)
        : Joint(project, joint), log(log) {}
    bool update() override {
        log.push_back(getSimNode().get());
        return Joint::update();
    }
    Log& log;
};

class Refresh : public Update {
protected:
    // Bodies a, b, c and joints j, k; the host makes the nodes itself, b's and k's of
    // its own classes, so that the first update keeps them all.
    void SetUp() override {
        for (auto& x : {a, b, c}) {
            model->addBody(x);
        }
        for (auto& x : {j, k}) {
            x->setBody1(a);
            x->setBody2(c);
            model->addJoint(x);
        }
        project->set(model);
        (void)RefT<GL::Body>(new GL::Body(*project, *a));
        hostBody = new LoggingBody(*project, *b, log);
        (void)RefT<GL::Body>(new GL::Body(*project, *c));
        (void)RefT<GL::Joint>(new GL::Joint(*project, *j));
        (void)RefT<GL::Joint>(new LoggingJoint(*project, *k, log));
    }
    // The host nodes refreshed by one update that must change nothing.
    Log stillUpdate() {
        log.clear();
        EXPECT_EQ(update(), Change{});
        EXPECT_EQ(bodies(), (Objects{a.get(), b.get(), c.get()}));
        return log;
    }

    RefT<Sim::Body> a = body(), b = body(), c = body();
    RefT<Sim::Joint> j = makeRef<Sim::Joint>(), k = makeRef<Sim::Joint>();
    Log log;
    LoggingBody* hostBody = nullptr;
};

TEST_F(Refresh, HostNodesAreRefreshedOnceByEveryUpdateStillModelOrNot) {
    const Log hostNodes{b.get(), k.get()};
    EXPECT_EQ(stillUpdate(), hostNodes);
    EXPECT_EQ(stillUpdate(), hostNodes); // nothing happened in between
    a->setTransform(Tolu::Matrix4x4T<double>::translation({1, 0, 0}));
    EXPECT_EQ(stillUpdate(), hostNodes);
}

TEST_F(Refresh, NodesMadeOrDroppedOutsideUpdateAreSeen) {
    project->update();
    // A second node for c behind the first: nothing in the model stands for it.
    (void)RefT<GL::Body>(new GL::Body(*project, *c));
    EXPECT_EQ(update(), (Change{{c.get()}, {}}));
    stillUpdate();

    // The host drops b's node itself: update makes a new one, and c's after it.
    project->getBodyList().remove(RefT<GL::Body>(hostBody));
    EXPECT_EQ(update(), (Change{{c.get()}, {b.get(), c.get()}}));
    EXPECT_EQ(bodies(), (Objects{a.get(), b.get(), c.get()}));
}

TEST_F(Refresh, ARefreshThatChangesTheListIsFollowedThrough) {
    project->update();
    auto stranger = body();
    hostBody->onRefresh = [&] { (void)RefT<GL::Body>(new GL::Body(*project, *stranger)); };
    EXPECT_EQ(update(), (Change{{stranger.get()}, {}}))
        << "the node the refresh appended mirrors nothing in the model";
    EXPECT_EQ(bodies(), (Objects{a.get(), b.get(), c.get()}));
}

// A still model costs an update nothing, but a model that died or another model that
// has not changed since the last update must still be mirrored in full.
TEST_F(Update, AStillSceneIsLeftAloneButNotAnotherOrADeadModel) {
    auto b = body();
    auto other = makeRef<Sim::Project>();
    other->addBody(b); // made before the updates below, so none of them sees a change
    mirror({});        // an empty model: switching away from it empties no list
    EXPECT_EQ(update(), Change{});
    project->set(other);
    EXPECT_EQ(update(), (Change{{}, {b.get()}}));
    EXPECT_EQ(update(), Change{});
    other = nullptr; // the host lets go: the scene empties
    EXPECT_EQ(update(), (Change{{b.get()}, {}}));
}

// --- draggable bodies -------------------------------------------------------------

class Drivers : public Update {
protected:
    RefT<Sim::Body> draggable() {
        auto b = body();
        b->setProto(geometry);
        model->addBody(b);
        return b;
    }
    RefT<Sim::PortDrvUI> driver(bool all, std::initializer_list<RefT<Sim::Body>> listed = {}) {
        auto d = makeRef<Sim::PortDrvUI>();
        d->setCanAll(all);
        for (const auto& b : listed) {
            d->addBody(b);
        }
        model->addPortDrv(d);
        return d;
    }
    std::vector<GL::Body*> dragBodies() {
        std::vector<GL::Body*> out;
        for (const auto& b : project->dragBodies) {
            out.push_back(b.get());
        }
        return out;
    }
    GL::Body* node(const RefT<Sim::Body>& b) {
        return static_cast<GL::Body*>(project->find(b.get()).get());
    }
    RefT<Vuro::BodyProto> geometry = makeRef<Vuro::BodyProto>("part");
};

TEST_F(Drivers, EnabledUIDriversGiveTheSortedUnionOfQualifyingBodiesOrAll) {
    auto a = draggable(), b = draggable(), c = draggable();
    auto hidden = draggable(), locked = draggable();
    hidden->setVisible(false);
    locked->setPickable(false);
    auto bare = body();
    model->addBody(bare);                       // no geometry
    model->addPortDrv(makeRef<Sim::PortDrv>()); // not a UI driver
    driver(false, {a, b, hidden});
    driver(false, {b, c, locked, bare});
    driver(false, {a})->setEnabled(0);
    project->set(model);
    project->update();
    std::vector<GL::Body*> expected{node(a), node(b), node(c)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dragBodies(), expected);
    EXPECT_EQ(project->uiDrvs.size(), 2u);
    EXPECT_FALSE(project->dragAll);

    driver(true); // one driver for every body makes the list moot
    project->update();
    EXPECT_TRUE(project->dragAll);
    EXPECT_TRUE(dragBodies().empty());
    EXPECT_EQ(project->uiDrvs.size(), 3u);
}

TEST_F(Drivers, RebuiltOnlyWhenTheDriversChange) {
    auto a = draggable(), b = draggable();
    auto first = driver(false, {a});
    driver(false, {b});
    project->set(model);
    project->update();
    EXPECT_EQ(dragBodies().size(), 2u);

    first->removeBody(a); // the body set changes, the drivers do not
    project->update();
    EXPECT_EQ(dragBodies().size(), 2u);

    model->removePortDrv(first); // re-ordering counts as a change
    model->addPortDrv(first);
    project->update();
    EXPECT_EQ(dragBodies(), (std::vector<GL::Body*>{node(b)}));
}

// --- randomized edits against a simple model of the expected result ----------------

// Thousands of random edits, an update after each few, each held against the simple
// account of what it must do. Every seed starts from an empty model.
TEST(RandomEdits, RemovedAndCreatedMatchASimpleModel) {
    Tolu::GL::NoOpFunctions noOp;
    Tolu::GL::ScopedFunctions useNoOp{noOp.getTable()};
    Vuro::GL::ClassMap classMap;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        std::mt19937 random(seed);
        auto model = makeRef<Sim::Project>();
        auto project = makeRef<GL::Project>(classMap);
        project->set(model);
        Tolu::Test::ModelEditor editor(*model, *project, [&] { return unsigned(random()); });
        for (int step = 0; step < 60; ++step) {
            for (unsigned edits = 1 + random() % 3; edits > 0; --edits) {
                editor.edit();
            }
            ASSERT_EQ(Tolu::Test::checkUpdate(*project, *model), "")
                << "seed " << seed << ", step " << step;
        }
    }
}

} // namespace

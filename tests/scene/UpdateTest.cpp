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
#include <array>
#include <functional>
#include <map>
#include <random>
#include <utility>
#include <vector>

namespace {

namespace GL = Ostra::Sim::GL;
namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;
using Objects = std::vector<const Sim::Node*>;

Objects simNodesOf(const std::vector<RefT<GL::Node>>& nodes) {
    Objects out;
    for (const auto& node : nodes) {
        out.push_back(node->getSimNode().get());
    }
    return out;
}

template <class T> Objects simNodesOf(const Sim::NodeListT<T, RefT<T>>& list) {
    Objects out;
    for (T* node = list.first.get(); node; node = node->getNext().get()) {
        out.push_back(node->getSimNode().get());
    }
    return out;
}

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

    Tolu::GL::NoOpFunctions noOp;
    Tolu::GL::ScopedFunctions useNoOp{noOp.getTable()};
    Vuro::GL::ClassMap classMap;
    RefT<InspectProject> project = makeRef<InspectProject>(classMap);
    RefT<Sim::Project> model = makeRef<Sim::Project>();
};

TEST_F(Update, FirstUpdateCreatesEverythingInModelOrderAndTheSecondNothing) {
    auto a = body(), b = body();
    auto hidden = body(1);
    auto joint = makeRef<Sim::Joint>();
    auto sensor = makeRef<Sim::SensorTrack>();
    auto plainSensor = makeRef<Sim::Sensor>();
    model->addBody(a);
    model->addBody(hidden);
    model->addBody(b);
    model->addJoint(joint);
    model->addSensor(plainSensor);
    model->addSensor(sensor);
    project->set(model);

    auto first = project->update();
    EXPECT_TRUE(first.first.empty());
    EXPECT_EQ(simNodesOf(first.second), (Objects{a.get(), b.get(), joint.get(), sensor.get()}));
    EXPECT_EQ(project->find(hidden.get()), nullptr);
    EXPECT_EQ(project->find(plainSensor.get()), nullptr);

    auto second = project->update();
    EXPECT_TRUE(second.first.empty());
    EXPECT_TRUE(second.second.empty());
}

TEST_F(Update, DeletingInsertingAndSwappingBodies) {
    auto a = body(), b = body(), c = body();
    for (auto& x : {a, b, c}) {
        model->addBody(x);
    }
    project->set(model);
    project->update();
    GL::Node* nodeA = project->find(a.get()).get();
    GL::Node* nodeC = project->find(c.get()).get();

    model->removeBody(b); // the middle one: only its node goes
    auto deleted = project->update();
    EXPECT_EQ(simNodesOf(deleted.first), (Objects{b.get()}));
    EXPECT_TRUE(deleted.second.empty());
    EXPECT_EQ(project->find(a.get()).get(), nodeA);
    EXPECT_EQ(project->find(c.get()).get(), nodeC);
    EXPECT_EQ(project->find(b.get()), nullptr);

    model->insertBody(b, c); // back in the middle: every node after it is replaced
    auto inserted = project->update();
    EXPECT_EQ(simNodesOf(inserted.first), (Objects{c.get()}));
    EXPECT_EQ(simNodesOf(inserted.second), (Objects{b.get(), c.get()}));
    EXPECT_NE(project->find(c.get()).get(), nodeC);

    model->moveBody(c, b); // order a, c, b: b's node is retired, c's matches
    auto swapped = project->update();
    EXPECT_EQ(simNodesOf(swapped.first), (Objects{b.get()}));
    EXPECT_EQ(simNodesOf(swapped.second), (Objects{b.get()}));
    EXPECT_EQ(bodies(), (Objects{a.get(), c.get(), b.get()}));
}

TEST_F(Update, StatusDecidesWhichBodiesAreMirrored) {
    auto a = body(), b = body(1), c = body();
    for (auto& x : {a, b, c}) {
        model->addBody(x);
    }
    project->set(model);
    project->update();
    EXPECT_EQ(bodies(), (Objects{a.get(), c.get()}));

    b->setStatus(2);
    auto rose = project->update();
    EXPECT_EQ(simNodesOf(rose.first), (Objects{c.get()}));
    EXPECT_EQ(simNodesOf(rose.second), (Objects{b.get(), c.get()}));

    b->setStatus(-1);
    auto fell = project->update();
    EXPECT_EQ(simNodesOf(fell.first), (Objects{b.get()}));
    EXPECT_TRUE(fell.second.empty());
}

TEST_F(Update, KindsOfNodesFollowKindsOfModelObjects) {
    auto track = makeRef<Sim::Track>();
    track->addStraight(2.0);
    auto onTrack = makeRef<Sim::JointTrack>();
    onTrack->setBody1(track);
    model->addBody(track);
    model->addJoint(onTrack);
    model->addSensor(makeRef<Sim::Sensor>());
    project->set(model);
    project->update();
    EXPECT_EQ(project->getBodyList().first->getClassId(), GL::ClassIdTrack);
    EXPECT_EQ(project->getJointList().first->getClassId(), GL::ClassIdJointTrack);
    EXPECT_EQ(project->getSensorList().count, 0u);
}

TEST_F(Update, SetNullThenUpdateReportsNothing) {
    model->addBody(body());
    project->set(model);
    project->update();
    project->set(nullptr);
    auto result = project->update();
    EXPECT_TRUE(result.first.empty());
    EXPECT_TRUE(result.second.empty());
    EXPECT_EQ(project->getBodyList().count, 0u);
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
        log.clear();
    }
    void expectNothingChanged(const GL::Project::UpdateResult& result) {
        EXPECT_TRUE(result.first.empty());
        EXPECT_TRUE(result.second.empty());
        EXPECT_EQ(bodies(), (Objects{a.get(), b.get(), c.get()}));
    }

    RefT<Sim::Body> a = body(), b = body(), c = body();
    RefT<Sim::Joint> j = makeRef<Sim::Joint>(), k = makeRef<Sim::Joint>();
    Log log;
    LoggingBody* hostBody = nullptr;
};

TEST_F(Refresh, HostNodesAreRefreshedOnceByEveryUpdateStillModelOrNot) {
    expectNothingChanged(project->update());
    EXPECT_EQ(log, (Log{b.get(), k.get()}));
    log.clear();
    expectNothingChanged(project->update()); // nothing happened in between
    EXPECT_EQ(log, (Log{b.get(), k.get()}));
    log.clear();
    a->setTransform(Tolu::Matrix4x4T<double>::translation({1, 0, 0}));
    expectNothingChanged(project->update());
    EXPECT_EQ(log, (Log{b.get(), k.get()}));
}

TEST_F(Refresh, NodesMadeOrDroppedOutsideUpdateAreSeen) {
    project->update();
    // A second node for c behind the first: nothing in the model stands for it.
    (void)RefT<GL::Body>(new GL::Body(*project, *c));
    auto extra = project->update();
    EXPECT_EQ(simNodesOf(extra.first), (Objects{c.get()}));
    expectNothingChanged(project->update());

    // The host drops b's node itself: update makes a new one, and c's after it.
    project->getBodyList().remove(RefT<GL::Body>(hostBody));
    auto remade = project->update();
    EXPECT_TRUE(remade.first.size() == 1 && remade.first[0]->getSimNode() == c.get());
    EXPECT_EQ(simNodesOf(remade.second), (Objects{b.get(), c.get()}));
    EXPECT_EQ(bodies(), (Objects{a.get(), b.get(), c.get()}));
}

TEST_F(Refresh, ARefreshThatChangesTheListIsFollowedThrough) {
    project->update();
    auto stranger = body();
    hostBody->onRefresh = [&] { (void)RefT<GL::Body>(new GL::Body(*project, *stranger)); };
    auto result = project->update();
    EXPECT_EQ(simNodesOf(result.first), (Objects{stranger.get()}))
        << "the node the refresh appended mirrors nothing in the model";
    EXPECT_TRUE(result.second.empty());
    EXPECT_EQ(bodies(), (Objects{a.get(), b.get(), c.get()}));
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
    bool dragAll() { return project->dragAll; }
    std::size_t uiDrvCount() { return project->uiDrvs.size(); }
    GL::Body* node(const RefT<Sim::Body>& b) {
        return static_cast<GL::Body*>(project->find(b.get()).get());
    }
    RefT<Vuro::BodyProto> geometry = makeRef<Vuro::BodyProto>("part");
};

TEST_F(Drivers, OnlyUIDriversCountAndOneForEveryBodyMakesAllDraggable) {
    auto a = draggable();
    model->addPortDrv(makeRef<Sim::PortDrv>());
    project->set(model);
    project->update();
    EXPECT_EQ(uiDrvCount(), 0u);
    EXPECT_FALSE(dragAll());
    EXPECT_TRUE(dragBodies().empty());

    driver(false, {a});
    driver(true);
    project->update();
    EXPECT_TRUE(dragAll());
    EXPECT_TRUE(dragBodies().empty());
    EXPECT_EQ(uiDrvCount(), 2u);
}

TEST_F(Drivers, LimitedDriversGiveTheSortedUnionOfQualifyingBodies) {
    auto a = draggable(), b = draggable(), c = draggable();
    auto hidden = draggable(), locked = draggable();
    hidden->setVisible(false);
    locked->setPickable(false);
    auto bare = body();
    model->addBody(bare); // no geometry
    driver(false, {a, b, hidden});
    driver(false, {b, c, locked, bare});
    auto disabled = driver(false, {a});
    disabled->setEnabled(0);
    project->set(model);
    project->update();
    std::vector<GL::Body*> expected{node(a), node(b), node(c)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dragBodies(), expected);
    EXPECT_EQ(uiDrvCount(), 2u);
    EXPECT_FALSE(dragAll());
}

TEST_F(Drivers, RebuiltOnlyWhenTheDriversChange) {
    auto a = draggable(), b = draggable();
    auto first = driver(false, {a});
    auto second = driver(false, {b});
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

// Longest prefix of `mirrored` that is a subsequence of `old` (whose elements are
// distinct): those nodes stay, everything else of `old` is removed, and the rest of
// `mirrored` is created.
std::pair<Objects, Objects> expectedChange(const Objects& old, const Objects& mirrored) {
    std::map<const Sim::Node*, std::size_t> position;
    for (std::size_t i = 0; i < old.size(); ++i) {
        position[old[i]] = i;
    }
    std::size_t kept = 0;
    std::size_t after = 0;
    for (; kept < mirrored.size(); ++kept) {
        auto found = position.find(mirrored[kept]);
        if (found == position.end() || found->second < after) {
            break;
        }
        after = found->second + 1;
    }
    Objects removed;
    const Objects keptObjects(mirrored.begin(), mirrored.begin() + long(kept));
    for (const auto* object : old) {
        if (std::find(keptObjects.begin(), keptObjects.end(), object) == keptObjects.end()) {
            removed.push_back(object);
        }
    }
    return {removed, Objects(mirrored.begin() + long(kept), mirrored.end())};
}

template <class T, class Pred>
Objects mirroredOf(const Sim::NodeListT<T, RefT<T>>& list, Pred pred) {
    Objects out;
    for (T* object = list.first.get(); object; object = object->getNext().get()) {
        if (pred(*object)) {
            out.push_back(object);
        }
    }
    return out;
}

class RandomEdits : public Update {
protected:
    template <class T> RefT<T> pick(const Sim::NodeListT<T, RefT<T>>& list) {
        if (list.count == 0) {
            return {};
        }
        auto index = std::uniform_int_distribution<std::uint64_t>(0, list.count - 1)(rng);
        T* object = list.first.get();
        while (index-- > 0) {
            object = object->getNext().get();
        }
        return RefT<T>(object);
    }
    int roll(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    void editOnce() {
        switch (roll(9)) {
        case 0: { // insert a body or a track anywhere
            RefT<Sim::Body> made = body();
            if (roll(3) == 0) {
                auto track = makeRef<Sim::Track>();
                track->addStraight(1.0); // joints on it ask it for positions
                made = track;
            }
            made->setStatus(roll(4));
            model->insertBody(made, pick(model->getBodyList()));
            break;
        }
        case 1:
            if (auto victim = pick(model->getBodyList())) {
                model->removeBody(victim);
            }
            break;
        case 2:
            if (auto moved = pick(model->getBodyList())) {
                auto before = pick(model->getBodyList());
                if (before != moved) {
                    model->moveBody(moved, before);
                }
            }
            break;
        case 3:
            if (auto changed = pick(model->getBodyList())) {
                changed->setStatus(roll(4) - 1);
            }
            break;
        case 4: { // insert a joint of either kind
            RefT<Sim::Joint> made =
                roll(2) ? RefT<Sim::Joint>(makeRef<Sim::JointTrack>()) : makeRef<Sim::Joint>();
            made->setStatus(roll(4));
            made->setBody1(pick(model->getBodyList()));
            made->setBody2(pick(model->getBodyList()));
            model->insertJoint(made, pick(model->getJointList()));
            break;
        }
        case 5:
            if (auto victim = pick(model->getJointList())) {
                if (roll(2)) {
                    model->removeJoint(victim);
                } else {
                    victim->setStatus(roll(4) - 1);
                }
            }
            break;
        case 6: { // sensors of either kind
            RefT<Sim::Sensor> made =
                roll(2) ? RefT<Sim::Sensor>(makeRef<Sim::SensorTrack>()) : makeRef<Sim::Sensor>();
            model->insertSensor(made, pick(model->getSensorList()));
            break;
        }
        case 7:
            if (auto victim = pick(model->getSensorList())) {
                model->removeSensor(victim);
            }
            break;
        default: { // drivers come and go
            auto d = makeRef<Sim::PortDrvUI>();
            d->setCanAll(roll(4) == 0);
            d->setEnabled(std::uint8_t(roll(3) != 0));
            if (auto b = pick(model->getBodyList())) {
                d->addBody(b);
            }
            model->addPortDrv(d);
            if (model->getPortDrvs().count > 3) {
                model->removePortDrv(RefT<Sim::PortDrv>(model->getPortDrvs().first.get()));
            }
        }
        }
    }

    std::array<Objects, 3> listed() {
        return {simNodesOf(project->getBodyList()), simNodesOf(project->getJointList()),
                simNodesOf(project->getSensorList())};
    }
    std::array<Objects, 3> mirrored() {
        return {
            mirroredOf(model->getBodyList(), [](const Sim::Body& b) { return b.getStatus() >= 2; }),
            mirroredOf(model->getJointList(),
                       [](const Sim::Joint& j) { return j.getStatus() >= 2; }),
            mirroredOf(model->getSensorList(),
                       [](const Sim::Sensor& s) { return GL::isMapped(s); })};
    }

    std::mt19937 rng;
};

TEST_F(RandomEdits, RemovedAndCreatedMatchASimpleModel) {
    project->set(model);
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        rng.seed(seed);
        for (int step = 0; step < 60; ++step) {
            const auto old = listed();
            const int edits = 1 + roll(3);
            for (int e = 0; e < edits; ++e) {
                editOnce();
            }
            const auto expected = mirrored();
            Objects removed, created;
            for (std::size_t kind = 0; kind < 3; ++kind) {
                auto [r, c] = expectedChange(old[kind], expected[kind]);
                removed.insert(removed.end(), r.begin(), r.end());
                created.insert(created.end(), c.begin(), c.end());
            }
            auto result = project->update();
            ASSERT_EQ(simNodesOf(result.first), removed) << "step " << step;
            ASSERT_EQ(simNodesOf(result.second), created) << "step " << step;
            const auto now = listed();
            ASSERT_EQ(now, expected) << "step " << step;
            for (const auto& objects : now) {
                for (const auto* object : objects) {
                    ASSERT_NE(project->find(const_cast<Sim::Node*>(object)), nullptr);
                }
            }
            auto again = project->update();
            ASSERT_TRUE(again.first.empty() && again.second.empty()) << "step " << step;
            ASSERT_EQ(listed(), expected) << "step " << step;
        }
    }
}

} // namespace

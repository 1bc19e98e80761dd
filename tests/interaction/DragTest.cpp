#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Error.h>
#include <ostra_sim/ExprState.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/Project.h>
#include <tolu/gl/NoOpFunctions.h>
#include <tolu/gl/ScopedFunctions.h>
#include <tolu/util/Text.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/IsectContext.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

namespace GL = Ostra::Sim::GL;
namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;
using V3 = Tolu::Vector3T<double>;
using M4 = Tolu::Matrix4x4T<double>;
using Driver = RefT<Sim::PortDrvUI>;

// How often a state was changed (steps) and marked as the user interface's (overrides).
struct Writes {
    std::uint64_t steps;
    std::uint64_t overrides;
    bool operator==(const Writes&) const = default;
};
Writes writes(const Sim::State& state) {
    return {state.getStepCount(), state.getOverrideCount()};
}

// The box is single precision: the face is hit a float's width from the ideal point.
void expectNear(const V3& actual, const V3& expected) {
    EXPECT_LT((actual - expected).length(), 1e-6) << actual.x << ' ' << actual.y << ' ' << actual.z;
}

class Drag : public ::testing::Test {
protected:
    // A unit box centred at (x, 0, 0): its top face at z = 0.5 faces the camera.
    RefT<Sim::Body> body(double x) {
        auto b = makeRef<Sim::Body>();
        b->setTransform(M4::translation({x, 0, 0}));
        b->setProto(box);
        model->addBody(b);
        return b;
    }
    Driver driver(const char* name, bool all, std::initializer_list<RefT<Sim::Body>> listed = {}) {
        auto d = makeRef<Sim::PortDrvUI>(Sim::SrcRef(name));
        d->setCanAll(all);
        for (const auto& b : listed) {
            d->addBody(b);
        }
        model->addPortDrv(d);
        return d;
    }
    // A camera at (x, y, 10) looking down -z, near plane 1, far plane 100.
    static Tolu::FrustumT<double> frustumAt(double x, double y) {
        return {-0.01, 0.01, -0.01, 0.01, 1, 100, M4::translation({x, y, 10})};
    }
    static Tolu::Segment3T<double> segmentAt(double x, double y) {
        return {{x, y, 9}, {x, y, -90}};
    }
    bool grab(double x, double y = 0) {
        auto frustum = frustumAt(x, y);
        auto segment = segmentAt(x, y);
        return project->startDrag(segment, frustum);
    }
    void sync() {
        project->set(model);
        project->update();
    }

    Tolu::GL::NoOpFunctions noOp;
    Tolu::GL::ScopedFunctions useNoOp{noOp.getTable()};
    Vuro::GL::ClassMap classMap;
    RefT<GL::Project> project = makeRef<GL::Project>(classMap);
    RefT<Sim::Project> model = makeRef<Sim::Project>();
    RefT<Vuro::BodyProto> box = Vuro::makeBox({1, 1, 1}, {1, 1, 1, 1});
};

TEST_F(Drag, WithoutAnEnabledDriverNothingIsTestedOrWritten) {
    body(0);
    auto off = driver("off", true);
    off->setEnabled(false);
    sync();
    EXPECT_FALSE(grab(0));
    EXPECT_FALSE(project->isDrag());
    EXPECT_EQ(project->getTouchPos(), V3()) << "no body may be tested";
    project->drag({1, 0, 0});
    project->stopDrag();
    EXPECT_EQ(writes(off->getDragActive()), (Writes{0, 0}));
    EXPECT_EQ(writes(off->getDragOffset()), (Writes{0, 0}));
}

TEST_F(Drag, AnAllDriverTakesAnyBodyARestrictingDriverOnlyItsOwn) {
    auto a = body(0), b = body(3);
    auto all = driver("all", true);
    auto some = driver("some", false, {a});
    sync();

    ASSERT_TRUE(grab(3));
    EXPECT_TRUE(project->isDrag());
    expectNear(project->getTouchPos(), {3, 0, 0.5});
    EXPECT_TRUE(all->getDragActive().getValue());
    EXPECT_EQ(all->getDragBody().getValue(), b);
    EXPECT_EQ(all->getDragTouchPos().getValue(), project->getTouchPos());
    EXPECT_EQ(all->getDragOffset().getValue(), V3());
    EXPECT_FALSE(some->getDragActive().getValue());
    EXPECT_EQ(some->getDragBody().getValue(), nullptr);
    EXPECT_EQ(writes(some->getDragTouchPos()), (Writes{0, 0}));
    EXPECT_EQ(writes(some->getDragOffset()), (Writes{0, 0}));

    ASSERT_TRUE(grab(0));
    EXPECT_TRUE(some->getDragActive().getValue());
    EXPECT_EQ(some->getDragBody().getValue(), a);
    expectNear(some->getDragTouchPos().getValue(), {0, 0, 0.5});

    model->removePortDrv(all);
    project->update();
    EXPECT_FALSE(grab(3)) << "a restricting driver alone offers only its bodies";
    EXPECT_TRUE(grab(0));
}

TEST_F(Drag, AMissOrAHiddenUnpickableOrBareBodyClearsTheDriversThenStopOnlyForgetsTheTarget) {
    body(0);
    body(3)->setVisible(false);
    body(6)->setPickable(false);
    body(9)->setProto(nullptr);
    auto all = driver("all", true);
    sync();
    for (const double x : {3.0, 6.0, 9.0, 20.0}) {
        ASSERT_TRUE(grab(0));
        const V3 touched = project->getTouchPos();
        EXPECT_FALSE(grab(x)) << "at x = " << x;
        EXPECT_FALSE(project->isDrag());
        EXPECT_FALSE(all->getDragActive().getValue());
        EXPECT_EQ(all->getDragBody().getValue(), nullptr);
        EXPECT_EQ(all->getDragTouchPos().getValue(), touched) << "not written on a miss";
    }

    const Writes active = writes(all->getDragActive());
    const Writes offset = writes(all->getDragOffset());
    project->drag({1, 0, 0});
    project->stopDrag();
    EXPECT_EQ(writes(all->getDragActive()), active);
    EXPECT_EQ(writes(all->getDragOffset()), offset);
}

// A host's own kind of body: a grab must still ask it itself.
struct HostBody : GL::Body {
    using Body::Body;
    void isect(Tolu::Segment3T<double>& segment, Tolu::FrustumT<double>& frustum,
               Vuro::GL::Isect::Context& context, GL::Isect::Hit& hit) override {
        ++asked;
        Body::isect(segment, frustum, context, hit);
    }
    int asked = 0;
};

// A driver that may drag every body lets the grab take the pick's shortcut; it must grab
// exactly what the bodies' own tests find when walked in list order, among stacked,
// coincident, hidden, unpickable and bare bodies that change between grabs, and with a
// host's own kind of body in the list.
TEST_F(Drag, AnAllDriverGrabsWhatAWalkOfTheBodiesOwnTestsFinds) {
    std::mt19937 random(13);
    const auto below = [&](int n) { return int(random() % unsigned(n)); };
    const auto place = [&](Sim::Body& b) {
        b.setTransform(M4::translation({0.5 * below(5), 0.5 * below(3), 0.5 * below(3)}));
    };
    int grabbed = 0;
    for (int round = 0; round < 40; ++round) {
        model = makeRef<Sim::Project>();
        auto all = driver("all", true);
        project->set(model);
        std::vector<RefT<Sim::Body>> sims;
        std::vector<HostBody*> hosts;
        for (int i = 1 + below(12); i > 0; --i) {
            auto& b = *sims.emplace_back(body(0));
            place(b);
            b.setVisible(below(6) != 0);
            b.setPickable(below(6) != 0);
            if (below(8) == 0) {
                b.setProto(nullptr);
            }
            if (round % 2 != 0 && below(4) == 0) {
                hosts.push_back(new HostBody(*project, b));
            } else {
                new GL::Body(*project, b);
            }
        }
        project->update();
        for (int grabs = 1; grabs <= 20; ++grabs) {
            const double x = 0.25 * below(9), y = 0.25 * below(5) - 0.25;
            auto frustum = frustumAt(x, y);
            auto segment = segmentAt(x, y);
            Vuro::GL::Isect::Context context(Vuro::GL::allModes, GL::BodyGeo,
                                             Vuro::GL::Isect::FlagNone,
                                             Vuro::GL::Isect::Context::Filter());
            GL::Isect::Hit hit;
            for (GL::Body* n = project->getBodyList().first.get(); n; n = n->getNext().get()) {
                n->isect(segment, frustum, context, hit);
            }
            const Sim::Node* expected = hit.node ? hit.node->getSimNode().get() : nullptr;

            ASSERT_EQ(grab(x, y), expected != nullptr) << "round " << round << " grab " << grabs;
            ASSERT_EQ(all->getDragBody().getValue().get(), expected);
            if (expected) {
                EXPECT_EQ(project->getTouchPos(), hit.pos);
                ++grabbed;
            }
            for (const HostBody* host : hosts) {
                ASSERT_EQ(host->asked, 2 * grabs);
            }
            // Moved or shown differently without an update in between.
            for (int changes = 0; changes < 2; ++changes) {
                Sim::Body& changed = *sims[std::size_t(below(int(sims.size())))];
                switch (below(3)) {
                case 0:
                    place(changed);
                    break;
                case 1:
                    changed.setVisible(!changed.isVisible());
                    break;
                default:
                    changed.setPickable(!changed.isPickable());
                    break;
                }
            }
        }
    }
    EXPECT_GT(grabbed, 200) << "of 800 grabs";
}

// --- what a write does ---------------------------------------------------------------

// A write steps and signals a state only when the value differs, but marks it as the user
// interface's every time; only drivers taking part in the drag are written.
TEST_F(Drag, WritesChangeOnlyDifferingValuesButMarkEveryStateAgain) {
    auto a = body(0), b = body(3);
    auto all = driver("all", true);
    auto some = driver("some", false, {a});
    sync();
    int signals = 0;
    auto count = [&signals](auto&) { ++signals; };
    all->getDragActive().getSignal().connect(count);
    all->getDragBody().getSignal().connect(count);
    all->getDragTouchPos().getSignal().connect(count);
    all->getDragOffset().getSignal().connect(count);

    ASSERT_TRUE(grab(3));
    EXPECT_EQ(signals, 3) << "the offset starts at zero already";
    ASSERT_TRUE(grab(3));
    EXPECT_EQ(signals, 3);
    EXPECT_EQ(writes(all->getDragActive()), (Writes{1, 2}));
    EXPECT_EQ(writes(all->getDragBody()), (Writes{1, 2}));
    EXPECT_EQ(writes(all->getDragTouchPos()), (Writes{1, 2}));
    EXPECT_EQ(writes(all->getDragOffset()), (Writes{0, 2}));

    auto& offset = all->getDragOffset();
    project->drag({1, 2, 3});
    project->drag({1, 2, 3});
    EXPECT_EQ(offset.getValue(), V3(1, 2, 3));
    EXPECT_EQ(writes(offset), (Writes{1, 4}));
    EXPECT_EQ(signals, 4);
    EXPECT_EQ(writes(some->getDragOffset()), (Writes{0, 0})) << "not taking part";

    // Signed zeros differ and NaN equals nothing, so both count as changes.
    project->drag({0, 0, 0});
    project->drag({-0.0, 0, 0});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    project->drag({nan, 0, 0});
    project->drag({nan, 0, 0});
    EXPECT_EQ(writes(offset).steps, 5u);
}

TEST_F(Drag, ListenersSeeTheNewValueAndStepButNotYetTheOverride) {
    auto a = body(0), b = body(3);
    auto all = driver("all", true);
    sync();
    ASSERT_TRUE(grab(0));
    const V3 before = project->getTouchPos();
    Sim::PortDrvUI::PointState& touch = all->getDragTouchPos();
    Sim::PortDrvUI::BodyState& dragged = all->getDragBody();
    int seen = 0;
    touch.getSignal().connect([&](Sim::PortDrvUI::PointState::SigData& data) {
        EXPECT_EQ(data.previous, before);
        expectNear(touch.getValue(), {3, 0, 0.5});
        EXPECT_EQ(touch.getStep(), &all->getStepTouchPos());
        EXPECT_EQ(writes(touch), (Writes{2, 1}));
        ++seen;
    });
    dragged.getSignal().connect([&](Sim::PortDrvUI::BodyState::SigData& data) {
        EXPECT_EQ(data.previous, a);
        EXPECT_EQ(dragged.getValue(), b);
        ++seen;
    });
    ASSERT_TRUE(grab(3));
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(writes(touch), (Writes{2, 2}));
}

TEST_F(Drag, StopClearsOnlyTheActiveFlagAndABodyThatDiesEndsTheDrag) {
    auto a = body(0);
    auto all = driver("all", true);
    sync();
    ASSERT_TRUE(grab(0));
    project->drag({1, 0, 0});
    project->stopDrag();
    EXPECT_FALSE(project->isDrag());
    EXPECT_FALSE(all->getDragActive().getValue());
    EXPECT_EQ(all->getDragBody().getValue(), a);
    expectNear(all->getDragTouchPos().getValue(), {0, 0, 0.5});
    EXPECT_EQ(all->getDragOffset().getValue(), V3(1, 0, 0));
    project->drag({2, 0, 0});
    EXPECT_EQ(all->getDragOffset().getValue(), V3(1, 0, 0)) << "no drag after the stop";

    // Once the body dies, drags do nothing, but stop still resets the drivers.
    ASSERT_TRUE(grab(0));
    model->removeBody(a);
    project->update();
    a.reset();
    EXPECT_FALSE(project->isDrag());
    project->drag({1, 0, 0});
    EXPECT_EQ(all->getDragOffset().getValue(), V3());
    project->stopDrag();
    EXPECT_FALSE(all->getDragActive().getValue());
}

// --- states bound to expressions -------------------------------------------------------

TEST_F(Drag, AStateBoundToAnExpressionThatMayNotBeOverriddenStopsTheStart) {
    auto a = body(0);
    auto first = driver("first", true);
    auto second = driver("second", true);
    auto third = driver("third", true);
    auto expr = makeRef<Sim::ExprState<Sim::PortDrvUI::BodyState>>(
        [] { return Tolu::PtrT<Sim::Body>(); }, "expr");
    second->getDragBody().bind(expr);
    second->getDragBody().setOverridePermitted(false);
    // Not permitted but unbound, and bound but permitted: both may be written.
    first->getDragActive().setOverridePermitted(false);
    first->getDragBody().bind(
        makeRef<Sim::ExprState<Sim::PortDrvUI::BodyState>>([] { return Tolu::PtrT<Sim::Body>(); }));
    sync();

    try {
        grab(0);
        FAIL() << "expected an error";
    } catch (const Sim::Error& error) {
        EXPECT_EQ(error.getSrcRef().name, "second");
        EXPECT_NE(error.getText().find("dragBody"), std::string::npos) << error.getText();
        const std::string localised = Tolu::getLocText("_ErrorState_1_BoundToExpr");
        const std::string lead = localised.substr(0, localised.find('%'));
        EXPECT_NE(error.getText().find(lead), std::string::npos) << error.getText();
    }
    EXPECT_EQ(first->getDragOffset().getOverrideCount(), 1u);
    EXPECT_EQ(first->getDragBody().getValue(), a);
    EXPECT_TRUE(second->getDragActive().getValue()) << "earlier states of the driver stay";
    EXPECT_EQ(writes(second->getDragBody()), (Writes{0, 0}));
    EXPECT_EQ(writes(second->getDragTouchPos()), (Writes{0, 0}));
    EXPECT_EQ(writes(third->getDragActive()), (Writes{0, 0}));
    EXPECT_TRUE(project->isDrag()) << "the target was taken before the drivers";
}

} // namespace

namespace {

// Hosts' callbacks run inside a walk over the project's lists: starting another update,
// set, pick or drag from there is refused, and the project stays usable.
TEST_F(Drag, CallsBackIntoTheProjectFromAListenerOrAPickFilterAreRefused) {
    auto a = body(0);
    body(3);
    auto all = driver("all", true);
    sync();

    std::string refused;
    const auto expectRefused = [&](const char* running, auto&& call) {
        refused.clear();
        try {
            call();
        } catch (const Tolu::Error& error) {
            refused = error.what();
        }
        EXPECT_NE(refused.find(running), std::string::npos) << refused;
    };
    // The listener drops every body of the model, then asks for an update.
    const auto id = all->getDragOffset().getSignal().connect([&](Tolu::SigVoidData&) {
        while (model->getBodyList().first) {
            model->removeBody(RefT<Sim::Body>(model->getBodyList().first.get()));
        }
        project->update();
    });
    ASSERT_TRUE(grab(0));
    expectRefused("Project::drag", [&] { project->drag({1, 0, 0}); });
    EXPECT_NE(refused.find("Project::update"), std::string::npos) << refused;
    all->getDragOffset().getSignal().disconnect(id);
    all->getDragActive().getSignal().connect([&](Tolu::SigVoidData&) { project->set(nullptr); });
    expectRefused("Project::stopDrag", [&] { project->stopDrag(); });
    EXPECT_EQ(project->getBodyList().count, 2u);

    Tolu::FrustumT<double> frustum(-0.01, 0.01, -0.01, 0.01, 1, 100, M4::translation({3, 0, 10}));
    Tolu::Segment3T<double> segment({3, 0, 9}, {3, 0, -90});
    Vuro::GL::Isect::Context query(Vuro::GL::allModes, GL::BodyGeo, Vuro::GL::Isect::FlagNone,
                                   [&](Vuro::GL::DataClass&) {
                                       project->update();
                                       return true;
                                   });
    GL::Isect::Hit hit;
    expectRefused("Project::isect", [&] { project->isect(segment, frustum, query, hit); });

    // Nothing was left half done: the next update mirrors the emptied model.
    EXPECT_EQ(project->update().first.size(), 2u);
    EXPECT_EQ(project->getBodyList().count, 0u);
    EXPECT_FALSE(grab(0));
    (void)a;
}

} // namespace

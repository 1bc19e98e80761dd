// The project's kept spheres against the walk over the nodes, after every kind of change
// that moves a node's sphere: the kept answer must be the walk's, bit for bit.

#include "support/ModelEditor.h"
#include "support/PlainSphere.h"

#include <sim_gl/Project.h>

#include <ostra_sim/Project.h>
#include <tolu/gl/NoOpFunctions.h>
#include <tolu/gl/ScopedFunctions.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/Context.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <random>

namespace {

namespace GL = Ostra::Sim::GL;
namespace Sim = Ostra::Sim;
using Tolu::BSphereT;
using Tolu::makeRef;
using Tolu::RefT;

using Tolu::Test::plainSphere;
using Tolu::Test::sameSphere;

template <class T> T* nth(const Sim::NodeListT<T, RefT<T>>& list, unsigned index) {
    if (list.count == 0) {
        return nullptr;
    }
    T* object = list.first.get();
    for (std::uint64_t i = index % list.count; i > 0; --i) {
        object = object->getNext().get();
    }
    return object;
}

// A project mirroring an empty model, drawn with OpenGL functions that do nothing.
class SphereCache : public ::testing::Test {
protected:
    SphereCache() { project->set(model); }

    Tolu::GL::NoOpFunctions noOp;
    Tolu::GL::ScopedFunctions useNoOp{noOp.getTable()};
    Vuro::GL::ClassMap classMap;
    Vuro::GL::Context context;
    RefT<Sim::Project> model = makeRef<Sim::Project>();
    RefT<GL::Project> project = makeRef<GL::Project>(classMap);
    RefT<Vuro::BodyProto> box = Vuro::makeBox({1, 2, 3}, {1, 1, 1, 1});
};

// Random edits of the model and the lists, and the scene-side changes besides (highlights,
// a forced highlight, a path's upload dropped, a path sampled late, prototypes exchanged);
// after each, sets of masks are asked twice (the second answer is a kept one), and again
// after a change that drops the kept answers but not what the bodies read; every answer
// must be the walk's.
TEST_F(SphereCache, KeptSpheresAreTheWalksAfterEveryKindOfChange) {
    std::mt19937 random(7);
    Tolu::Test::ModelEditor editor(*model, *project, [&] { return unsigned(random()); });
    struct Masks {
        unsigned mask, hl1, hl0;
    };
    const Masks queries[] = {
        {0x19, 0, 0}, {0x08, 0, 0}, {0, 0x7F, 0}, {0, 0, 0x7F}, {0x02, 0x02, 0x02}};
    int mismatches = 0;
    // Drops the kept answers but changes nothing a sphere reads: a joint's highlight in a
    // mode no mask asks for, or a body's (which drops the bodies' walks for highlight masks).
    const auto sceneOnly = [&] {
        if (auto* joint = nth(project->getJointList(), 0)) {
            joint->setHighlight(3, true, false);
        } else if (auto* body = nth(project->getBodyList(), 0)) {
            body->setHighlight(2, !body->isHighlighted(2), false);
        }
    };
    // Two sets of masks a step, each shared with the next step, so that what was kept for
    // one is asked again after the next edit.
    const auto check = [&](int step, unsigned what) {
        for (int k = 0; k < 2; ++k) {
            const Masks& q = queries[std::size_t(step + k) % std::size(queries)];
            const BSphereT<double> first = project->getBSphere(context, q.mask, q.hl1, q.hl0);
            const BSphereT<double> again = project->getBSphere(context, q.mask, q.hl1, q.hl0);
            sceneOnly();
            const BSphereT<double> kept = project->getBSphere(context, q.mask, q.hl1, q.hl0);
            const BSphereT<double> fresh = plainSphere(*project, context, q.mask, q.hl1, q.hl0);
            if (!sameSphere(first, fresh) || !sameSphere(again, fresh) ||
                !sameSphere(kept, fresh)) {
                ADD_FAILURE() << "step " << step << " edit " << what << " masks " << q.mask << ' '
                              << q.hl1 << ' ' << q.hl0;
                ++mismatches;
            }
        }
    };
    for (int step = 0; step < 4000 && mismatches < 5; ++step) {
        const unsigned what = unsigned(random() % 10);
        GL::Body* body = nth(project->getBodyList(), unsigned(random()));
        Sim::Body* simBody = nth(model->getBodyList(), unsigned(random()));
        const bool on = random() % 2 != 0;
        const auto mode = Vuro::GL::HLMode(random() % 3);
        switch (what) {
        case 0:
            if (body) {
                body->setHighlight(mode, on, false);
            }
            break;
        case 1:
            if (auto* joint = nth(project->getJointList(), unsigned(random()))) {
                joint->setHighlight(mode, on, false);
            }
            if (auto* sensor = nth(project->getSensorList(), unsigned(random()))) {
                sensor->setHighlight(mode, on, false);
            }
            break;
        case 2:
            project->setHighlight(mode, on, random() % 2 != 0);
            break;
        case 3:
            if (simBody) {
                simBody->setVisible(on);
            }
            break;
        case 4: // a track whose path comes after its node was made
            if (auto* track = dynamic_cast<Sim::Track*>(simBody)) {
                track->addStraight(1.0 + random() % 3);
            } else {
                auto empty = makeRef<Sim::Track>();
                empty->setStatus(2);
                model->insertBody(empty, RefT<Sim::Body>(simBody));
            }
            break;
        case 5: // grips on a track
            if (auto* sensor = dynamic_cast<Sim::SensorTrack*>(
                    nth(model->getSensorList(), unsigned(random())))) {
                sensor->setTrack(RefT<Sim::Body>(simBody));
                sensor->setPos1(double(random() % 5));
                sensor->setPos2(-double(random() % 5));
            }
            break;
        case 6:
            if (simBody) {
                simBody->setProto(on ? box : RefT<Vuro::BodyProto>());
            }
            break;
        case 7:
            if (body) {
                body->release();
            }
            context.passFlags ^= Vuro::GL::Context::PassForcedHL;
            break;
        default:
            try {
                editor.edit();
            } catch (const Tolu::Error&) {
                // an update among the edits, failing as above
            }
        }
        while (model->getBodyList().count > 30) {
            model->removeBody(RefT<Sim::Body>(model->getBodyList().first.get()));
        }
        check(step, what);
        if (random() % 2) {
            try {
                (void)project->update();
            } catch (const Tolu::Error&) {
                // A joint on a track without a path fails its refresh: the update stops
                // half way, which must drop the kept spheres as well.
            }
            check(step, what); // the update alone may change what the nodes read
        }
    }
}

// The bodies' kept walk outlives changes that do not touch them, and no change that does:
// a move without an update, a highlight in a mode a mask asks for, a body removed.
TEST_F(SphereCache, BodiesWalkIsKeptOnlyWhileTheBodiesAreAsTheyWere) {
    for (int i = 0; i < 3; ++i) {
        auto body = makeRef<Sim::Body>();
        body->setProto(box);
        body->setTransform(Tolu::Matrix4x4T<double>::translation({4.0 * i, 0, 0}));
        model->addBody(body);
    }
    (void)project->update();
    GL::Body& last = *project->getBodyList().last;
    const auto expect = [&](unsigned mask, unsigned hl1, const char* after) {
        (void)project->getBSphere(context, mask, hl1, 0);
        project->getBodyList().first->setHighlight(5, true, false); // drops the kept answers
        EXPECT_TRUE(sameSphere(project->getBSphere(context, mask, hl1, 0),
                               plainSphere(*project, context, mask, hl1, 0)))
            << after;
    };
    expect(0x19, 0, "first");
    model->getBodyList().last->setTransform(Tolu::Matrix4x4T<double>::translation({40, 0, 0}));
    expect(0x19, 0, "a move");
    expect(0, 0x19, "highlight mask");
    last.setHighlight(1, true, false);
    expect(0, 0x19, "a highlight");
    model->removeBody(RefT<Sim::Body>(model->getBodyList().last.get()));
    (void)project->update();
    expect(0x19, 0, "a body removed");
}

// After every body moved, the walk leaves out the bodies that could not grow the sphere
// so far; its answer, and the kept walk's that makes their spheres later, are the plain
// walk's. Stretched, turned and tiny bodies, with and without geometry, in a random order.
TEST_F(SphereCache, AWalkAfterEveryBodyMovedIsThePlainWalk) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<RefT<Sim::Body>> bodies;
    for (int i = 0; i < 300; ++i) {
        auto body = makeRef<Sim::Body>();
        if (i % 5 != 0) {
            body->setProto(box);
        }
        model->addBody(body);
        bodies.push_back(body);
    }
    const unsigned masks[] = {0x19, 0x01, 0x18};
    int mismatches = 0;
    for (int round = 0; round < 40 && mismatches < 3; ++round) {
        for (const auto& body : bodies) {
            const double scale = std::exp2(unit(random) * (round % 4 == 3 ? 40.0 : 2.0));
            const Tolu::Vector3T<double> axis(unit(random), unit(random), unit(random) + 2.0);
            body->setTransform(
                Tolu::Matrix4x4T<double>::translation(
                    Tolu::Vector3T<double>(unit(random), unit(random), unit(random)) * 20.0) *
                Tolu::Matrix4x4T<double>::rotation(axis, 3.0 * unit(random)) *
                Tolu::Matrix4x4T<double>::scaling(scale));
        }
        (void)project->update();
        const unsigned mask = masks[round % 3];
        const BSphereT<double> walked = project->getBSphere(context, mask, 0, 0);
        project->getBodyList().first->setHighlight(5, round % 2 != 0, false); // drops the answer
        const BSphereT<double> keptOnce = project->getBSphere(context, mask, 0, 0);
        project->getBodyList().first->setHighlight(6, round % 2 != 0, false);
        const BSphereT<double> keptTwice = project->getBSphere(context, mask, 0, 0);
        const BSphereT<double> plain = plainSphere(*project, context, mask, 0, 0);
        if (!sameSphere(walked, plain) || !sameSphere(keptOnce, plain) ||
            !sameSphere(keptTwice, plain)) {
            ADD_FAILURE() << "round " << round << " mask " << mask;
            ++mismatches;
        }
    }
}

} // namespace

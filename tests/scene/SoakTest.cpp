// A long run of random edits with prototype churn, each followed by an update, a frame, a
// pick and the bounds, OpenGL replaced by functions that do nothing. The live-object
// count and the heap must stay flat, and everything the scene and the model made must be
// gone once they are, while the class map that served them still lives. TOLU_SOAK_CYCLES sets the
// number of cycles (10,000 by default; the long run takes 100000).

#include "support/ModelEditor.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Project.h>
#include <tolu/gl/NoOpFunctions.h>
#include <tolu/gl/ScopedFunctions.h>
#include <vuro_gl/BodyProto.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/DirectionalLight.h>
#include <vuro_gl/gl/IsectContext.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <random>
#include <vector>

namespace {

namespace GL = Ostra::Sim::GL;
namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::Matrix4x4T;
using Tolu::RefT;

constexpr std::uint64_t modelCap = 40; // per list: what a cycle holds stays bounded
// The allocator's per-thread cache keeps up to about 230 KiB of freed blocks that it
// still counts as in use.
constexpr std::size_t heapSlack = 256 * 1024;

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

long cyclesToRun() {
    const char* text = std::getenv("TOLU_SOAK_CYCLES");
    return text ? std::max(10L, std::strtol(text, nullptr, 10)) : 10000L;
}

template <class T> T* nth(const Sim::NodeListT<T, RefT<T>>& list, unsigned index) {
    T* object = list.first.get();
    for (std::uint64_t i = index % list.count; i > 0; --i) {
        object = object->getNext().get();
    }
    return object;
}

// A body takes one of a few shared prototypes, a fresh one of its own, or none; a shared
// one is now and then replaced, so the old one dies once no body shows it any more.
void churnPrototypes(Sim::Project& model, std::array<RefT<Vuro::BodyProto>, 4>& shared,
                     std::mt19937& random) {
    if (model.getBodyList().count == 0) {
        return;
    }
    Sim::Body* body = nth(model.getBodyList(), unsigned(random()));
    const auto box = [&] {
        return Vuro::makeBox({1.0f + float(random() % 4), 1.0f, 1.0f}, {1, 1, 1, 1});
    };
    const unsigned what = unsigned(random() % 8);
    if (what < shared.size()) {
        if (!shared[what] || random() % 4 == 0) {
            shared[what] = box();
        }
        body->setProto(shared[what]);
    } else {
        body->setProto(what < 6 ? box() : nullptr);
    }
}

// Removes the first objects of each list beyond `cap` (all of them for 0), drivers too.
void trim(Sim::Project& model, std::uint64_t cap) {
    while (model.getBodyList().count > cap) {
        model.removeBody(RefT<Sim::Body>(model.getBodyList().first.get()));
    }
    while (model.getJointList().count > cap) {
        model.removeJoint(RefT<Sim::Joint>(model.getJointList().first.get()));
    }
    while (model.getSensorList().count > cap) {
        model.removeSensor(RefT<Sim::Sensor>(model.getSensorList().first.get()));
    }
    while (cap == 0 && model.getPortDrvs().count > 0) {
        model.removePortDrv(RefT<Sim::PortDrv>(model.getPortDrvs().first.get()));
    }
}

void frame(Vuro::GL::Context& context, GL::Project& project, unsigned transpMode) {
    const auto view = Matrix4x4T<double>::lookAt({20, -60, 40}, {20, 0, 0}, {0, 0, 1});
    const auto proj = Matrix4x4T<double>::perspective(0.8, 4.0 / 3.0, 1.0, 400.0);
    GL::render(context, project, {}, 0, 64, 48, 0x79, 0, 0x11, view, proj,
               Vuro::GL::DirectionalLight(), true, transpMode, 30.0, 48.0, 3, {0, 1, 1, 1},
               {1, 0.5f, 0, 1}, Matrix4x4T<double>(), Matrix4x4T<double>());
}

void pick(GL::Project& project, double x) {
    const auto toWorld = Matrix4x4T<double>::translation({x, 0.5, 50.0});
    Tolu::FrustumT<double> frustum(-0.01, 0.01, -0.01, 0.01, 1.0, 200.0, toWorld);
    Tolu::Segment3T<double> segment(toWorld.transformAffine({0, 0, -1}),
                                    toWorld.transformAffine({0, 0, -200}));
    Vuro::GL::Isect::Context context(Vuro::GL::allModes, 0x1B, Vuro::GL::Isect::FlagNone);
    GL::Isect::Hit hit;
    project.isect(segment, frustum, context, hit);
}

struct Sample {
    std::int64_t live;
    std::size_t heap;
};

// At each tenth the model is emptied, the shared prototypes dropped, and the scene updated
// and drawn once more: what is then alive is what the scene and the context keep for
// good, the same at every tenth unless something leaks.
TEST(Soak, EditsWithPrototypeChurnKeepObjectsAndHeapFlatAndLeaveNothingBehind) {
    const long cycles = cyclesToRun();
    const std::int64_t liveBefore = Tolu::Class::getLiveCount();
    Tolu::GL::NoOpFunctions noOp;
    Tolu::GL::ScopedFunctions useNoOp{noOp.getTable()};
    Vuro::GL::ClassMap classMap;
    std::vector<Sample> samples;
    samples.reserve(16);
    std::int64_t peak = 0;
    const std::size_t heapBefore = heapInUse();
    {
        Vuro::GL::Context context;
        auto model = makeRef<Sim::Project>();
        auto project = makeRef<GL::Project>(classMap);
        project->set(model);
        std::mt19937 random(15);
        Tolu::Test::ModelEditor editor(*model, *project, [&] { return unsigned(random()); });
        std::array<RefT<Vuro::BodyProto>, 4> shared;
        const unsigned transpModes[] = {0, 1, 3};
        auto cycle = [&](long i) {
            (void)project->update();
            frame(context, *project, transpModes[i % 3]);
            pick(*project, double(random() % 40));
            (void)project->getBSphere(context, 0x19, 0, 0);
        };
        for (long i = 1; i <= cycles; ++i) {
            editor.edit();
            churnPrototypes(*model, shared, random);
            trim(*model, modelCap);
            cycle(i);
            peak = std::max(peak, Tolu::Class::getLiveCount() - liveBefore);
            if (i % (cycles / 10) == 0) {
                trim(*model, 0);
                shared = {};
                cycle(i);
                // The nodes that update removed lived on in its result; the GL classes of
                // their prototypes go with the next one.
                (void)project->update();
                samples.push_back({Tolu::Class::getLiveCount() - liveBefore, heapInUse()});
            }
        }
        context.releaseGL();
    }
    classMap.releaseDead();

    std::printf("%ld cycles, at most %lld live objects; at each tenth, emptied: live objects, "
                "heap bytes\n",
                cycles, static_cast<long long>(peak));
    for (const Sample& s : samples) {
        std::printf("  %lld %lld\n", static_cast<long long>(s.live),
                    static_cast<long long>(s.heap) - static_cast<long long>(heapBefore));
    }
    ASSERT_EQ(samples.size(), 10u);
    for (std::size_t i = 1; i < samples.size(); ++i) {
        EXPECT_EQ(samples[i].live, samples[0].live) << "at tenth " << i + 1;
        EXPECT_LE(samples[i].heap, samples[0].heap + heapSlack) << "at tenth " << i + 1;
    }
    EXPECT_EQ(classMap.getCount(), 0u) << "GL classes kept after their models died";
    EXPECT_EQ(Tolu::Class::getLiveCount(), liveBefore);
    EXPECT_LE(heapInUse(), heapBefore + heapSlack) << "heap kept after teardown";
}

} // namespace

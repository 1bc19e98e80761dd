#include <sim_gl/Functions.h>
#include <sim_gl/Joint.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/Project.h>
#include <tolu/gl/NoOpFunctions.h>
#include <tolu/gl/ScopedFunctions.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/IsectContext.h>

#include <benchmark/benchmark.h>

#include <cstddef>
#include <malloc.h>
#include <vector>

namespace {

namespace GL = Ostra::Sim::GL;
namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;

// A model of `count` bodies sharing one geometry and, unless told otherwise, `count`
// joints between neighbouring bodies, set in a project and, unless told otherwise,
// mirrored once.
struct Mirror {
    explicit Mirror(int count, bool withJoints = true, bool updated = true) {
        auto geometry = Vuro::makeBox({1, 1, 1}, {0.5f, 0.5f, 0.5f, 1});
        std::vector<RefT<Sim::Body>> bodies;
        for (int i = 0; i < count; ++i) {
            auto body = makeRef<Sim::Body>();
            body->setProto(geometry);
            model->addBody(body);
            bodies.push_back(body);
        }
        for (int i = 0; withJoints && i < count; ++i) {
            auto joint = makeRef<Sim::Joint>();
            joint->setBody1(bodies[std::size_t(i)]);
            joint->setBody2(bodies[std::size_t((i + 1) % count)]);
            model->addJoint(joint);
        }
        project->set(model);
        if (updated) {
            project->update();
        }
    }

    Tolu::GL::NoOpFunctions noOp;
    Tolu::GL::ScopedFunctions useNoOp{noOp.getTable()};
    Vuro::GL::ClassMap classMap;
    RefT<Sim::Project> model = makeRef<Sim::Project>();
    RefT<GL::Project> project = makeRef<GL::Project>(classMap);
};

constexpr int nodeCount = 100000;
constexpr int smallCount = 2000;

// The time of one iteration divided among `count` nodes.
benchmark::Counter perNode(int count) {
    return benchmark::Counter(double(count), benchmark::Counter::kIsIterationInvariantRate |
                                                 benchmark::Counter::kInvert);
}

// An unchanged model: one identity comparison and one refresh per body and joint,
// where refreshes known to be idle are skipped.
void UpdateUnchanged(benchmark::State& state) {
    Mirror mirror(nodeCount);
    for (auto _ : state) {
        auto result = mirror.project->update();
        benchmark::DoNotOptimize(result);
    }
    state.counters["per_node"] = perNode(2 * nodeCount);
}
BENCHMARK(UpdateUnchanged)->Unit(benchmark::kMillisecond);

// An update after one body moved: the model is no longer still, so every joint checks
// the stamps of its bodies; the lines of the two joints at the moved body are rebuilt
// later, in a HUD pass, not here.
void UpdateOneBodyMoved(benchmark::State& state) {
    Mirror mirror(nodeCount);
    Sim::Body& moved = *mirror.model->getBodyList().first;
    double x = 0;
    for (auto _ : state) {
        moved.setTransform(Tolu::Matrix4x4T<double>::translation({x += 1, 0, 0}));
        auto result = mirror.project->update();
        benchmark::DoNotOptimize(result);
    }
    state.counters["per_node"] = perNode(2 * nodeCount);
}
BENCHMARK(UpdateOneBodyMoved)->Unit(benchmark::kMillisecond);

// An update after every body moved, as in a running simulation: every joint's lines
// are due for a rebuild. Moving the bodies is not timed.
void UpdateAllBodiesMoved(benchmark::State& state) {
    Mirror mirror(nodeCount);
    double x = 0;
    for (auto _ : state) {
        state.PauseTiming();
        x += 1;
        for (Sim::Body* body = mirror.model->getBodyList().first.get(); body;
             body = body->getNext().get()) {
            body->setTransform(Tolu::Matrix4x4T<double>::translation({x, 0, 0}));
        }
        state.ResumeTiming();
        auto result = mirror.project->update();
        benchmark::DoNotOptimize(result);
    }
    state.counters["per_node"] = perNode(2 * nodeCount);
}
BENCHMARK(UpdateAllBodiesMoved)->Unit(benchmark::kMillisecond);

// The same in a model small enough to stay in the caches: the walk's own cost.
void UpdateUnchangedInCache(benchmark::State& state) {
    Mirror mirror(smallCount);
    for (auto _ : state) {
        auto result = mirror.project->update();
        benchmark::DoNotOptimize(result);
    }
    state.counters["per_node"] = perNode(2 * smallCount);
}
BENCHMARK(UpdateUnchangedInCache)->Unit(benchmark::kMicrosecond);

// Bodies only, to separate the cost of a body from that of a joint: a joint costs
// (UpdateUnchanged time - this time) / nodeCount.
void UpdateUnchangedBodiesOnly(benchmark::State& state) {
    Mirror mirror(nodeCount, false);
    for (auto _ : state) {
        auto result = mirror.project->update();
        benchmark::DoNotOptimize(result);
    }
    state.counters["per_body"] = perNode(nodeCount);
}
BENCHMARK(UpdateUnchangedBodiesOnly)->Unit(benchmark::kMillisecond);

// One body inserted at the front: by design every body node after it is replaced.
void InsertAtFront(benchmark::State& state) {
    Mirror mirror(nodeCount);
    for (auto _ : state) {
        state.PauseTiming();
        auto body = makeRef<Sim::Body>();
        mirror.model->insertBody(body, RefT<Sim::Body>(mirror.model->getBodyList().first.get()));
        state.ResumeTiming();
        auto result = mirror.project->update();
        state.PauseTiming();
        result = {};
        mirror.model->removeBody(body);
        mirror.project->update();
        state.ResumeTiming();
    }
}
BENCHMARK(InsertAtFront)->Unit(benchmark::kMillisecond)->Iterations(5);

// Heap bytes in use, as the allocator counts them (its own overhead included).
std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

// Heap kept by the scene per mirrored object: a model of `count` bodies (and joints)
// is built first, then the bytes its first update leaves in use are counted. That is
// the node, the project's lookup entry and its record for the walk.
double heapPerMirror(int count, bool withJoints) {
    Mirror mirror(count, withJoints, false);
    const std::size_t before = heapInUse();
    (void)mirror.project->update();
    return double(heapInUse() - before) / count;
}

// Memory of the nodes: object sizes with a joint's line storage, and the heap the
// scene keeps per body and per joint.
void NodeMemory(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(sizeof(GL::Body));
    }
    state.counters["body_bytes"] = double(sizeof(GL::Body));
    state.counters["joint_bytes"] = double(sizeof(GL::Joint) + 4 * sizeof(GL::Joint::LineVertex));
    const double perBody = heapPerMirror(nodeCount, false);
    state.counters["body_heap"] = perBody;
    state.counters["joint_heap"] = heapPerMirror(nodeCount, true) - perBody;
}
BENCHMARK(NodeMemory);

// Heap the whole scene layer keeps per body of a million: what the first update leaves
// (nodes, lookup, walk record) and what picks (index, tree) and the sphere add.
void SceneMemoryMillion(benchmark::State& state) {
    constexpr int count = 1000000;
    Mirror mirror(count, false, false);
    // Large arrays (the walk record, the index, the tree) are mapped apart from the heap.
    const auto inUse = [] {
        const auto info = mallinfo2();
        return info.uordblks + info.hblkhd;
    };
    const std::size_t before = inUse();
    (void)mirror.project->update();
    // Twice: the second pick finds the scene as the first one checked it, and makes the tree.
    GL::Isect::Hit hit;
    for (int pick = 0; pick < 2; ++pick) {
        const auto toWorld = Tolu::Matrix4x4T<double>::translation({0.5, 0.5, 50.0});
        Tolu::FrustumT<double> frustum(-0.01, 0.01, -0.01, 0.01, 1.0, 200.0, toWorld);
        Tolu::Segment3T<double> segment(toWorld.transformAffine({0, 0, -1}),
                                        toWorld.transformAffine({0, 0, -200}));
        Vuro::GL::Isect::Context context(Vuro::GL::allModes, 0x1B, Vuro::GL::Isect::FlagNone);
        hit = {};
        mirror.project->isect(segment, frustum, context, hit);
    }
    Vuro::GL::Context render;
    (void)mirror.project->getBSphere(render, 0x19, 0, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(hit);
    }
    state.counters["scene_heap_per_body"] = double(inUse() - before) / count;
    render.releaseGL();
}
BENCHMARK(SceneMemoryMillion)->Iterations(1);

} // namespace

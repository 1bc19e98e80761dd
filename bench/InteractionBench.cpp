#include "BenchScene.h"

#include <sim_gl/Functions.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/PortDrvUI.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/gl/HeadlessContext.h>
#include <vuro_gl/gl/IsectContext.h>

#include <cmath>

namespace {

namespace GL = Ostra::Sim::GL;
using Tolu::FrustumT;
using Tolu::Matrix4x4T;
using Tolu::Segment3T;
using Tolu::Vector3T;

constexpr int pickBodies = 10000;

// A thin pick volume looking down -z from above the point (x, y).
struct Pick {
    Pick(double x, double y) {
        const auto toWorld = Matrix4x4T<double>::translation({x, y, 50.0});
        frustum = FrustumT<double>(-0.002, 0.002, -0.002, 0.002, 1.0, 200.0, toWorld);
        segment = Segment3T<double>(toWorld.transformAffine({0, 0, -1}),
                                    toWorld.transformAffine({0, 0, -200}));
    }
    Segment3T<double> segment;
    FrustumT<double> frustum;
};

void pickOnce(Bench::Scene& scene, const Pick& pick, benchmark::State& state) {
    const auto once = [&] {
        Pick volume = pick; // every hit narrows the volume: start afresh each time
        Vuro::GL::Isect::Context context(Vuro::GL::allModes, 0x1B, Vuro::GL::Isect::FlagNone);
        GL::Isect::Hit hit;
        scene.project->isect(volume.segment, volume.frustum, context, hit);
        benchmark::DoNotOptimize(hit);
    };
    // Untimed: the first picks build the index, check it whole and make the tree, which
    // would otherwise be the only iterations of a slow first run.
    for (int warm = 0; warm < 3; ++warm) {
        once();
    }
    for (auto _ : state) {
        once();
    }
    Bench::reportPerBody(state, pickBodies);
}

// Frames, then meshes of every body, with nothing under the pick.
void IsectMiss(benchmark::State& state) {
    Bench::Scene scene(pickBodies);
    pickOnce(scene, Pick(-1000.0, -1000.0), state);
}
BENCHMARK(IsectMiss)->Unit(benchmark::kMicrosecond);

// The pick runs through one body's mesh (meshes are tested since no frame is hit).
void IsectHit(benchmark::State& state) {
    Bench::Scene scene(pickBodies);
    pickOnce(scene, Pick(20.3, 20.1), state);
}
BENCHMARK(IsectHit)->Unit(benchmark::kMicrosecond);

// Moves every body by one step along x, as a running simulation does between frames,
// and brings the project up to date; the caller keeps this out of the timing.
void moveAll(Bench::Scene& scene, double& x) {
    x += 1e-3;
    const auto step = Matrix4x4T<double>::translation({x, 0.0, 0.0});
    for (const auto& node : scene.nodes) {
        auto& body = static_cast<Ostra::Sim::Body&>(*node->getSimNode());
        body.setTransform(step * body.getTransform());
    }
    scene.project->update();
}

// The usual click while the simulation runs: every body moved since the last pick.
void IsectAfterMove(benchmark::State& state) {
    Bench::Scene scene(pickBodies);
    const Pick pick(20.3, 20.1);
    double x = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        moveAll(scene, x);
        Pick volume = pick;
        state.ResumeTiming();
        Vuro::GL::Isect::Context context(Vuro::GL::allModes, 0x1B, Vuro::GL::Isect::FlagNone);
        GL::Isect::Hit hit;
        scene.project->isect(volume.segment, volume.frustum, context, hit);
        benchmark::DoNotOptimize(hit);
    }
    Bench::reportPerBody(state, pickBodies);
}
BENCHMARK(IsectAfterMove)->Unit(benchmark::kMicrosecond);

// Grabbing a body with a driver that may drag every body; the drag states are written
// too, but only once per grab.
void StartDrag(benchmark::State& state) {
    Bench::Scene scene(pickBodies);
    auto driver = Tolu::makeRef<Ostra::Sim::PortDrvUI>();
    driver->setCanAll(true);
    scene.model->addPortDrv(driver);
    scene.project->update();
    const Pick pick(20.3, 20.1);
    for (auto _ : state) {
        Pick volume = pick;
        const bool grabbed = scene.project->startDrag(volume.segment, volume.frustum);
        benchmark::DoNotOptimize(grabbed);
    }
    if (!scene.project->isDrag()) {
        state.SkipWithError("nothing grabbed");
    }
    Bench::reportPerBody(state, pickBodies);
}
BENCHMARK(StartDrag)->Unit(benchmark::kMicrosecond);

void BSphere(benchmark::State& state) {
    Bench::Scene scene(pickBodies);
    for (auto _ : state) {
        auto sphere = scene.project->getBSphere(scene.context, 0x19, 0, 0);
        benchmark::DoNotOptimize(sphere);
    }
    Bench::reportPerBody(state, pickBodies);
}
BENCHMARK(BSphere)->Unit(benchmark::kMicrosecond);

// The project's sphere in a running simulation: every body moved since it was asked.
void BSphereAfterMove(benchmark::State& state) {
    Bench::Scene scene(pickBodies);
    double x = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        moveAll(scene, x);
        state.ResumeTiming();
        auto sphere = scene.project->getBSphere(scene.context, 0x19, 0, 0);
        benchmark::DoNotOptimize(sphere);
    }
    Bench::reportPerBody(state, pickBodies);
}
BENCHMARK(BSphereAfterMove)->Unit(benchmark::kMicrosecond);

// A million bodies: the pick, the project's sphere walked over a model that stands still
// (kept spheres dropped by a highlight), and the same sphere asked again.
constexpr int manyBodies = 1000000;

Bench::Scene& manyScene() {
    static Bench::Scene scene(manyBodies);
    return scene;
}

void IsectMissMillion(benchmark::State& state) {
    pickOnce(manyScene(), Pick(-1000.0, -1000.0), state);
    Bench::reportPerBody(state, manyBodies);
}
BENCHMARK(IsectMissMillion)->Unit(benchmark::kMillisecond);

void IsectHitMillion(benchmark::State& state) {
    pickOnce(manyScene(), Pick(20.3, 20.1), state);
    Bench::reportPerBody(state, manyBodies);
}
BENCHMARK(IsectHitMillion)->Unit(benchmark::kMillisecond);

void BSphereWalkMillion(benchmark::State& state) {
    Bench::Scene& scene = manyScene();
    GL::Body& lit = *scene.nodes.front();
    bool on = false;
    for (auto _ : state) {
        state.PauseTiming();
        on = !on;
        lit.setHighlight(1, on, false); // mode 1 is not asked for: the answer stays
        state.ResumeTiming();
        auto sphere = scene.project->getBSphere(scene.context, 0x19, 0, 0);
        benchmark::DoNotOptimize(sphere);
    }
    Bench::reportPerBody(state, manyBodies);
}
BENCHMARK(BSphereWalkMillion)->Unit(benchmark::kMillisecond);

// Nothing changed since the last answer: per call, not per body.
void BSphereAgainMillion(benchmark::State& state) {
    Bench::Scene& scene = manyScene();
    (void)scene.project->getBSphere(scene.context, 0x19, 0, 0);
    for (auto _ : state) {
        auto sphere = scene.project->getBSphere(scene.context, 0x19, 0, 0);
        benchmark::DoNotOptimize(sphere);
    }
}
BENCHMARK(BSphereAgainMillion)->Unit(benchmark::kNanosecond);

constexpr int frameBodies = 1000;
constexpr unsigned width = 1280;
constexpr unsigned height = 720;

void renderFrame(Bench::Scene& scene, unsigned fbo, int bodies) {
    const int side = int(std::ceil(std::sqrt(double(bodies))));
    const Vector3T<double> centre(side, side, 0);
    const auto view = Matrix4x4T<double>::lookAt(
        centre + Vector3T<double>(0, -2.0 * side, 1.5 * side), centre, {0, 0, 1});
    const auto proj = Matrix4x4T<double>::perspective(0.8, double(width) / height, 1.0, 400.0);
    GL::render(scene.context, *scene.project, {}, fbo, width, height, 0x79, 0, 0x11, view, proj,
               Vuro::GL::DirectionalLight(), true, 0, 30.0, double(height), 3, {0, 1, 1, 1},
               {1, 0.5f, 0, 1}, Matrix4x4T<double>(), Matrix4x4T<double>());
}

// A whole frame with OpenGL replaced by functions that do nothing: the library's own
// CPU cost, shadows and frames included.
void FrameNoOpGL(benchmark::State& state) {
    const int bodies = int(state.range(0));
    Bench::Scene scene(bodies);
    scene.nodes.front()->setHighlight(0, true, false);
    for (auto _ : state) {
        renderFrame(scene, 0, bodies);
    }
    Bench::reportPerBody(state, bodies);
}
BENCHMARK(FrameNoOpGL)->Arg(frameBodies)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The same frame drawn by Mesa's software renderer into a headless framebuffer.
void FrameMesa(benchmark::State& state) {
    const int bodies = int(state.range(0));
    Tolu::GL::HeadlessContext gl(width, height);
    {
        Bench::Scene scene(bodies);
        scene.context.releaseGL(); // drop what the set-up made with the no-op functions
        Tolu::GL::ScopedFunctions useReal(Tolu::GL::loadedFunctions());
        scene.nodes.front()->setHighlight(0, true, false);
        for (auto _ : state) {
            renderFrame(scene, gl.getFramebuffer(), bodies);
            Tolu::GL::glFinish();
        }
        Bench::reportPerBody(state, bodies);
        scene.context.releaseGL();
    }
}
BENCHMARK(FrameMesa)
    ->Arg(frameBodies)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

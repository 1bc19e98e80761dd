#include "BenchScene.h"

#include <vuro_gl/gl/Context.h>

namespace {

constexpr int bodyCount = 10000;

// The solid pass: every body draws its two groups (state, matrix, buffer, draw each).
void SolidPass(benchmark::State& state) {
    Bench::Scene scene(bodyCount);
    scene.context.renderMask = 0x01;
    for (auto _ : state) {
        scene.project->render(scene.context);
    }
    Bench::reportPerBody(state, bodyCount);
}
BENCHMARK(SolidPass)->Unit(benchmark::kMicrosecond);

// The HUD pass: every body draws its coordinate frame.
void HUDPass(benchmark::State& state) {
    Bench::Scene scene(bodyCount);
    scene.context.initHUDRender(Tolu::Matrix4x4T<double>(), Tolu::Matrix4x4T<double>(),
                                Tolu::Matrix4x4T<double>(), 40.0, 720.0, Vuro::GL::HLModeNone,
                                {1, 0.5f, 0, 1});
    scene.context.renderMask = 0x10;
    for (auto _ : state) {
        scene.project->renderHUD(scene.context);
    }
    Bench::reportPerBody(state, bodyCount);
}
BENCHMARK(HUDPass)->Unit(benchmark::kMicrosecond);

} // namespace

// What playing a motion adds to each frame of simgl-render: setting the model to the
// frame's time and bringing the scene mirror up to date (PlaybackStep), against the whole
// frame, drawn and read back headless at the tool's default size (WholeFrame); the first
// over the second is playback's share of a frame. The two models: 1,000 free bodies moved
// by poses, and a chain of 1,000 links moved by joint positions.

#include "SceneRender.h"

#include <ostra_sim/Project.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <ostra_io/Motion.h>
#include <sstream>
#include <string>

namespace {

namespace IO = Ostra::IO;
namespace Sim = Ostra::Sim;
using M4 = Tolu::Matrix4x4T<double>;

constexpr int rows = 200; // ten seconds at 20 rows a second

IO::ProtoDesc boxDesc() {
    IO::ProtoDesc desc;
    desc.size = {0.4f, 0.3f, 0.2f};
    return desc;
}

// Bodies on a 40-wide grid, each moving on a small circle while turning.
std::pair<IO::Scene, std::string> freeBodies(int count) {
    IO::Scene scene;
    scene.model = Tolu::makeRef<Sim::Project>(Sim::SrcRef("bench"));
    const auto proto = IO::makeProto(boxDesc());
    std::ostringstream csv;
    csv.precision(10);
    csv << "time";
    for (int i = 0; i < count; ++i) {
        const std::string name = "body" + std::to_string(i);
        auto body = Tolu::makeRef<Sim::Body>(Sim::SrcRef(name));
        body->setProto(proto);
        scene.model->addBody(body);
        for (const char* c : {".x", ".y", ".z", ".qw", ".qx", ".qy", ".qz"}) {
            csv << "," << name << c;
        }
    }
    csv << "\n";
    for (int r = 0; r < rows; ++r) {
        const double t = r * 0.05;
        csv << t;
        for (int i = 0; i < count; ++i) {
            const double a = t + i * 0.1;
            csv << "," << (i % 40) + 0.2 * std::cos(a) << "," << (i / 40) + 0.2 * std::sin(a)
                << ",0," << std::cos(a / 2) << ",0,0," << std::sin(a / 2);
        }
        csv << "\n";
    }
    return {std::move(scene), csv.str()};
}

// A chain of revolute joints about z, each link a box a step further along x.
std::pair<IO::Scene, std::string> chain(int count) {
    IO::Scene scene;
    scene.model = Tolu::makeRef<Sim::Project>(Sim::SrcRef("bench"));
    scene.kinematics = std::make_shared<IO::Kinematics>();
    const auto proto = IO::makeProto(boxDesc());
    scene.kinematics->addLink({"base", {}, {}});
    std::ostringstream csv;
    csv.precision(10);
    csv << "time";
    for (int i = 0; i < count; ++i) {
        auto body = Tolu::makeRef<Sim::Body>(Sim::SrcRef("link" + std::to_string(i)));
        body->setProto(proto);
        scene.model->addBody(body);
        const std::size_t link = scene.kinematics->addLink({"link" + std::to_string(i), body, {}});
        IO::KinematicJoint joint;
        joint.name = "joint" + std::to_string(i);
        joint.type = IO::JointType::Revolute;
        joint.parent = link - 1;
        joint.child = link;
        joint.axis = {0, 0, 1};
        joint.origin = M4::translation({0.05, 0, 0});
        scene.kinematics->addJoint(joint);
        csv << "," << joint.name;
    }
    csv << "\n";
    for (int r = 0; r < rows; ++r) {
        const double t = r * 0.05;
        csv << t;
        for (int i = 0; i < count; ++i) {
            csv << "," << 0.01 * std::sin(t + i * 0.01);
        }
        csv << "\n";
    }
    return {std::move(scene), csv.str()};
}

struct Setup {
    explicit Setup(bool joints)
        : made(joints ? chain(1000) : freeBodies(1000)),
          playback(made.first, IO::readMotion(made.second, "bench.csv")),
          renderer(made.first, SimGLRender::RenderArgs{}) {
        playback.apply(playback.startTime());
        renderer.update();
    }

    std::pair<IO::Scene, std::string> made;
    IO::Playback playback;
    SimGLRender::SceneRenderer renderer;
};

// Frame times that fall between rows, as a video's do.
double frameTime(const IO::Playback& playback, long frame) {
    return std::fmod(double(frame) / 30.0 + 0.013, playback.endTime());
}

void PlaybackStep(benchmark::State& state) {
    Setup setup(state.range(0) != 0);
    long frame = 0;
    for (auto _ : state) {
        setup.playback.apply(frameTime(setup.playback, frame++));
        setup.renderer.update();
    }
}
// Wall time: the software rasteriser draws on threads of its own.
BENCHMARK(PlaybackStep)
    ->ArgName("joints")
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

void WholeFrame(benchmark::State& state) {
    Setup setup(state.range(0) != 0);
    long frame = 0;
    for (auto _ : state) {
        setup.playback.apply(frameTime(setup.playback, frame++));
        setup.renderer.update();
        benchmark::DoNotOptimize(setup.renderer.render());
    }
}
BENCHMARK(WholeFrame)
    ->ArgName("joints")
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

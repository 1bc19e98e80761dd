// Reading files: a scene file of 10,000 bodies, and a binary STL of a million triangles.

#include <ostra_sim/Joint.h>
#include <ostra_sim/PortDrvUI.h>
#include <vuro_gl/Shapes.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostra_io/MeshImport.h>
#include <ostra_io/SceneFile.h>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
namespace IO = Ostra::IO;
namespace Sim = Ostra::Sim;
using M4 = Tolu::Matrix4x4T<double>;

fs::path benchFile(const std::string& name) {
    return fs::temp_directory_path() /
           ("ostra-io-bench-" + std::to_string(::getpid()) + "-" + name);
}

// Bodies on a grid, each turned a little, showing one of five shapes; a joint between each
// neighbouring pair of ten, and a UI driver that may drag every tenth body.
void writeScene(const fs::path& file, int bodies) {
    IO::Scene scene;
    scene.model = Tolu::makeRef<Sim::Project>(Sim::SrcRef("bench"));
    for (int shape = 0; shape < 5; ++shape) {
        IO::ProtoDesc desc;
        desc.shape = static_cast<IO::Shape>(shape);
        desc.size = {0.4f, 0.3f, 0.2f};
        desc.radius = 0.1f;
        desc.color = {0.2f * float(shape), 0.5f, 0.7f, 1.0f};
        scene.prototypes.push_back({"shape " + std::to_string(shape), desc, IO::makeProto(desc)});
    }
    auto driver = Tolu::makeRef<Sim::PortDrvUI>(Sim::SrcRef("mouse"));
    Tolu::RefT<Sim::Body> previous;
    for (int i = 0; i < bodies; ++i) {
        auto body = Tolu::makeRef<Sim::Body>(Sim::SrcRef("body " + std::to_string(i)));
        body->setProto(scene.prototypes[std::size_t(i % 5)].proto);
        body->setTransform(M4::translation({double(i % 100), double(i / 100), 0}) *
                           M4::rotationZ(0.01 * i));
        scene.model->addBody(body);
        if (i % 10 == 0) {
            driver->addBody(body);
        }
        if (i % 10 != 0) {
            auto joint = Tolu::makeRef<Sim::Joint>(Sim::SrcRef("joint " + std::to_string(i)));
            joint->setBody1(previous);
            joint->setBody2(body);
            joint->setFrame(M4::translation({double(i % 100) - 0.5, double(i / 100), 0}));
            scene.model->addJoint(joint);
        }
        previous = body;
    }
    scene.model->addPortDrv(driver);
    IO::saveScene(scene, file);
}

void BM_LoadScene(benchmark::State& state) {
    const int bodies = int(state.range(0));
    const fs::path file = benchFile("scene.json");
    writeScene(file, bodies);
    for (auto _ : state) {
        IO::Scene scene = IO::loadScene(file);
        benchmark::DoNotOptimize(scene.model.get());
    }
    state.counters["bytes"] = double(fs::file_size(file));
    state.SetItemsProcessed(state.iterations() * bodies);
    fs::remove(file);
}
BENCHMARK(BM_LoadScene)->Arg(10000)->Unit(benchmark::kMillisecond);

// A wavy sheet of `triangles` triangles, as a binary STL.
void writeSheet(const fs::path& file, std::uint32_t triangles) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const char header[80] = "bench sheet";
    out.write(header, 80);
    out.write(reinterpret_cast<const char*>(&triangles), 4);
    const std::uint32_t columns = 1000;
    const auto height = [](float x, float y) { return 0.1f * std::sin(x) * std::cos(y); };
    for (std::uint32_t t = 0; t < triangles; ++t) {
        const std::uint32_t quad = t / 2;
        const float x = float(quad % columns) * 0.01f;
        const float y = float(quad / columns) * 0.01f;
        const float d = 0.01f;
        const float a[3] = {x, y, height(x, y)};
        const float b[3] = {x + d, y + (t % 2 ? d : 0), height(x + d, y + (t % 2 ? d : 0))};
        const float c[3] = {x + (t % 2 ? 0 : d), y + d, height(x + (t % 2 ? 0 : d), y + d)};
        const float record[12] = {0, 0, 1, a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]};
        out.write(reinterpret_cast<const char*>(record), sizeof record);
        const std::uint16_t attributes = 0;
        out.write(reinterpret_cast<const char*>(&attributes), 2);
    }
}

void BM_ImportBinaryStl(benchmark::State& state) {
    const auto triangles = static_cast<std::uint32_t>(state.range(0));
    const fs::path file = benchFile("sheet.stl");
    writeSheet(file, triangles);
    for (auto _ : state) {
        auto proto = IO::importMesh(file);
        benchmark::DoNotOptimize(proto.get());
    }
    state.SetItemsProcessed(state.iterations() * triangles);
    fs::remove(file);
}
BENCHMARK(BM_ImportBinaryStl)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

#include "BenchScene.h"

#include <sim_gl/Functions.h>

#include <ostra_sim/Body.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <vuro_gl/BodyProto.h>
#include <vuro_gl/Shapes.h>

#include <cmath>

namespace Bench {

namespace {

namespace GL = Ostra::Sim::GL;
namespace Sim = Ostra::Sim;

Tolu::RefT<Vuro::BodyProto> makeGeometry(int index) {
    auto proto = Vuro::makeBox({1.0f, 0.5f + 0.1f * float(index), 0.25f}, {0.8f, 0.3f, 0.2f, 1.0f});
    Vuro::PrimGroup outline;
    outline.type = Vuro::PrimType::Lines;
    outline.color = {0.1f, 0.1f, 0.1f, 1.0f};
    outline.vertices = {{{0, 0, 0}, {0, 0, 0}}, {{1, 0, 0}, {0, 0, 0}}};
    proto->addGroup(outline);
    return proto;
}

} // namespace

Scene::Scene(int bodies, int prototypes) {
    model = Tolu::makeRef<Sim::Project>();
    project = Tolu::makeRef<GL::Project>(classMap);
    project->set(model);
    std::vector<Tolu::RefT<Vuro::BodyProto>> geometries;
    for (int i = 0; i < prototypes; ++i) {
        geometries.push_back(makeGeometry(i));
    }
    const int side = int(std::ceil(std::sqrt(double(bodies))));
    for (int i = 0; i < bodies; ++i) {
        auto body = Tolu::makeRef<Sim::Body>();
        body->setProto(geometries[std::size_t(i % prototypes)]);
        body->setTransform(
            Tolu::Matrix4x4T<double>::translation({2.0 * (i % side), 2.0 * (i / side), 0.0}));
        model->addBody(body);
        nodes.emplace_back(new GL::Body(*project, *body));
    }
    context.initSolidRender(1280, 720, Tolu::Matrix4x4T<double>(), Tolu::Matrix4x4T<double>(),
                            Tolu::Matrix4x4T<double>(), Vuro::GL::DirectionalLight(), false, 0,
                            Vuro::GL::HLModeNone, {1, 0.5f, 0, 1}, 0.0f);
}

Scene::~Scene() {
    nodes.clear();
    project = nullptr;
    context.releaseGL();
}

void reportPerBody(benchmark::State& state, int bodies) {
    state.counters["per_body"] =
        benchmark::Counter(double(bodies), benchmark::Counter::kIsIterationInvariantRate |
                                               benchmark::Counter::kInvert);
}

} // namespace Bench

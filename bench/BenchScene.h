#pragma once

#include <sim_gl/Project.h>

#include <ostra_sim/Project.h>
#include <tolu/gl/NoOpFunctions.h>
#include <tolu/gl/ScopedFunctions.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/Context.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace Bench {

/// A scene of `bodies` bodies on a grid sharing a few prototypes of two primitive groups
/// each, drawn with OpenGL replaced by functions that do nothing: what is measured is
/// the library's own CPU cost.
struct Scene {
    explicit Scene(int bodies, int prototypes = 4);
    ~Scene();

    Tolu::GL::NoOpFunctions noOp;
    Tolu::GL::ScopedFunctions useNoOp{noOp.getTable()};
    Vuro::GL::ClassMap classMap;
    Vuro::GL::Context context;
    Tolu::RefT<Ostra::Sim::Project> model;
    Tolu::RefT<Ostra::Sim::GL::Project> project;
    std::vector<Tolu::RefT<Ostra::Sim::GL::Body>> nodes;
};

/// Reports the time per body as a counter named "per_body".
void reportPerBody(benchmark::State& state, int bodies);

} // namespace Bench

// Runs the same scenes through our scene layer and through two widely used peers (a
// physics engine's visualiser and a scene-graph toolkit), interleaved in one process, and
// prints each operation's time and our ratio to the faster peer.
//
//     simGLPeerBench [--benchmark_repetitions=5] [google benchmark flags]

#include "PeerScenes.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Peers::Library;
using Op = Library::Op;

const char* const libNames[] = {"ours", "engine", "scenegraph"};
const int sizes[] = {100, 1000, 10000};

struct OpInfo {
    Op op;
    const char* name;
    bool perBody; // reported in ns per body; the others in ms per call
};
const OpInfo ops[] = {
    {Op::UpdateUnchanged, "update, unchanged", true},
    {Op::UpdateAfterMove, "update after all moved", true},
    {Op::RayPick, "ray pick through the centre", true},
    {Op::FrustumPick, "5x5-pixel frustum pick", true},
    {Op::BSphere, "bounding sphere, unchanged", true},
    {Op::BSphereAfterMove, "bounding sphere after all moved", true},
    {Op::DragStep, "one drag step", false},
    {Op::StartDrag, "startDrag from a pixel", true},
    {Op::FrameNoShadows, "llvmpipe frame, no shadows", false},
    {Op::FrameShadows, "llvmpipe frame, shadows", false},
};

// One library per kind and size, made on first demand and kept for the whole run.
Library& library(int kind, int n) {
    static std::map<std::pair<int, int>, std::unique_ptr<Library>> made;
    auto& slot = made[{kind, n}];
    if (!slot) {
        const Peers::Grid grid(n);
        slot = kind == 0   ? Peers::makeOurs(grid)
               : kind == 1 ? Peers::makeMujoco(grid)
                           : Peers::makeOsg(grid);
    }
    return *slot;
}

void runOp(benchmark::State& state, int kind, int n, Op op) {
    Library& lib = library(kind, n);
    lib.makeCurrent();
    const bool moves = op == Op::UpdateAfterMove || op == Op::BSphereAfterMove;
    // Once untimed: the first frame compiles shaders, the first pick builds caches.
    double sink = lib.run(op);
    for (auto _ : state) {
        if (moves)
            lib.moveAll(op == Op::BSphereAfterMove);
        // Manual time leaves the move out without the cost of pausing the clock.
        const auto start = std::chrono::steady_clock::now();
        sink += lib.run(op);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    benchmark::DoNotOptimize(sink);
}

// Keeps each run's time per call (the median when runs are repeated) for the table.
class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const bool aggregate = run.run_type == Run::RT_Aggregate;
            if (aggregate && run.aggregate_name != "median")
                continue;
            const double seconds = run.real_accumulated_time /
                                   double(std::max<benchmark::IterationCount>(run.iterations, 1));
            const std::string name = run.run_name.function_name;
            if (aggregate || !times.count(name))
                times[name] = seconds;
        }
    }
    std::map<std::string, double> times;
};

std::string key(const OpInfo& info, int n, int kind) {
    return std::string(info.name) + "/" + std::to_string(n) + "/" + libNames[kind];
}

void printTable(const TableReporter& reporter) {
    std::printf("\n| operation | N | ours | engine | scene graph | ours / best peer |\n"
                "|---|---|---|---|---|---|\n");
    for (const OpInfo& info : ops) {
        for (const int n : sizes) {
            double t[3];
            bool any = false;
            for (int kind = 0; kind < 3; ++kind) {
                const auto it = reporter.times.find(key(info, n, kind));
                t[kind] = it == reporter.times.end() ? NAN : it->second;
                any = any || !std::isnan(t[kind]);
            }
            if (!any)
                continue;
            auto cell = [&](double seconds) {
                char text[32] = "-";
                if (!std::isnan(seconds)) {
                    if (info.perBody)
                        std::snprintf(text, sizeof text, "%.3g ns/body", seconds * 1e9 / n);
                    else
                        std::snprintf(text, sizeof text, "%.3g ms", seconds * 1e3);
                }
                return std::string(text);
            };
            const double best = std::fmin(t[1], t[2]); // fmin skips a missing peer
            char ratio[32] = "-";
            if (!std::isnan(best) && !std::isnan(t[0]) && best > 0)
                std::snprintf(ratio, sizeof ratio, "%.2fx", t[0] / best);
            std::printf("| %s | %d | %s | %s | %s | %s |\n", info.name, n, cell(t[0]).c_str(),
                        cell(t[1]).c_str(), cell(t[2]).c_str(), ratio);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    // Registered operation by operation and size, the three libraries side by side, so
    // that the machine's state drifts alike for all of them.
    for (const OpInfo& info : ops) {
        for (const int n : sizes) {
            for (int kind = 0; kind < 3; ++kind) {
                if (!Peers::offers(kind, info.op))
                    continue;
                auto* b = benchmark::RegisterBenchmark(
                    key(info, n, kind).c_str(), [kind, n, op = info.op](benchmark::State& state) {
                        runOp(state, kind, n, op);
                    });
                b->UseManualTime()->Unit(info.perBody ? benchmark::kMicrosecond
                                                      : benchmark::kMillisecond);
                if (!info.perBody)
                    b->MinTime(0.3);
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printTable(reporter);
    benchmark::Shutdown();
    return 0;
}

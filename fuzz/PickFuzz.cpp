// Edits a scene and picks it as the input says; every pick made by the project (flat
// index, tree), and every bounding sphere, must equal the plain walk over the nodes, bit
// for bit.

#include "support/PickOracle.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Picks compared over the whole run, told at exit: a long run is sized in picks.
struct PickCount {
    std::uint64_t picks = 0;
    std::uint64_t spheres = 0;
    ~PickCount() {
        std::fprintf(stderr, "picks compared: %llu, spheres compared: %llu\n",
                     static_cast<unsigned long long>(picks),
                     static_cast<unsigned long long>(spheres));
    }
} count;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t* const end = data + size;
    Tolu::Test::PickOracle oracle([&]() -> unsigned { return data < end ? *data++ : 0; });
    while (data < end) {
        const std::string fault = oracle.step();
        if (!fault.empty()) {
            std::fprintf(stderr, "the project and the plain walk differ: %s\n", fault.c_str());
            std::abort();
        }
    }
    count.picks += oracle.picks;
    count.spheres += oracle.spheres;
    return 0;
}

// The project's pick (flat index, tree) against the plain walk over the nodes, on a scene
// under random edits: the same node, position, normal, mode and narrowed volume; and its
// bounding sphere against the plain walk's, bit for bit.

#include "support/PickOracle.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(PickOracle, IndexedPicksAreThoseOfThePlainWalkUnderRandomEdits) {
    std::mt19937 random(11);
    Tolu::Test::PickOracle oracle([&] { return unsigned(random()); });
    int failures = 0;
    for (int step = 0; step < 20000 && failures < 5; ++step) {
        const std::string fault = oracle.step();
        if (!fault.empty()) {
            ADD_FAILURE() << "step " << step << ": " << fault;
            ++failures;
        }
    }
    // Not vacuous: many picks, and a good share of them hit something.
    EXPECT_GT(oracle.picks, 3000u);
    EXPECT_GT(oracle.hits, oracle.picks / 10);
    EXPECT_GT(oracle.spheres, 1000u);
}

} // namespace

#pragma once

#include <sim_gl/Body.h>

#include <ostra_sim/Node.h>

#include <cstddef>

namespace Ostra::Sim::GL {

/// Asks the cache for every line of `size` bytes at `at` (nothing for null): walks that
/// refresh many bodies read nodes scattered in memory, and fetching a few bodies ahead
/// hides the waits. A prefetch never faults, so an entry whose node is gone costs nothing.
inline void prefetchBytes(const void* at, std::size_t size) noexcept {
    if (!at) {
        return;
    }
    const char* bytes = static_cast<const char*>(at);
    for (std::size_t offset = 0; offset < size; offset += 64) {
        __builtin_prefetch(bytes + offset);
    }
    __builtin_prefetch(bytes + size - 1);
}

/// The simulation node's part that the scene layer reads: transform, stamps and flags.
inline void prefetchSimNode(const Sim::Node* sim) noexcept {
    prefetchBytes(sim, sizeof(Sim::Node));
}

} // namespace Ostra::Sim::GL

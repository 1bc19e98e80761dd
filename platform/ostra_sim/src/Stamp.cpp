#include <ostra_sim/Stamp.h>

#include <atomic>

namespace Ostra::Sim {

namespace {

// Relaxed is enough: stamps only need to be unique and increasing, and the data they
// describe is published by whatever hands the object to another thread.
std::atomic<std::uint32_t> counter{1};

} // namespace

std::uint32_t nextStamp() noexcept {
    return counter.fetch_add(1, std::memory_order_relaxed);
}

std::uint32_t peekStamp() noexcept {
    return counter.load(std::memory_order_relaxed);
}

} // namespace Ostra::Sim

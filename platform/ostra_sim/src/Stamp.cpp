#include <ostra_sim/Stamp.h>

#include <atomic>

namespace Ostra::Sim {

namespace {

// Relaxed is enough: stamps only need to be unique and increasing, and the data they
// describe is published by whatever hands the object to another thread.
std::atomic<Stamp> counter{1};

} // namespace

Stamp nextStamp() noexcept {
    return counter.fetch_add(1, std::memory_order_relaxed);
}

Stamp peekStamp() noexcept {
    return counter.load(std::memory_order_relaxed);
}

void setNextStampForTesting(Stamp next) noexcept {
    counter.store(next, std::memory_order_relaxed);
}

} // namespace Ostra::Sim

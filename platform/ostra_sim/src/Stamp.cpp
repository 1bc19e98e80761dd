#include <ostra_sim/Stamp.h>

#include <atomic>

namespace Ostra::Sim {

std::uint32_t nextStamp() noexcept {
    // Relaxed is enough: stamps only need to be unique and increasing, and the data they
    // describe is published by whatever hands the object to another thread.
    static std::atomic<std::uint32_t> counter{1};
    return counter.fetch_add(1, std::memory_order_relaxed);
}

} // namespace Ostra::Sim

#pragma once

#include <ostra_sim/Export.h>

#include <cstdint>

namespace Ostra::Sim {

/// A change stamp. 64 bits, so that the counter never wraps in practice: even at a
/// billion stamps a second, 2^64 of them last 584 years. With 32 bits it wrapped after
/// 72 minutes of a million changes a second, and viewers that keep data by stamp would
/// then take a new change for an old one.
using Stamp = std::uint64_t;

// Every stamp of every model object (a node and its transform, a joint's frame and
// body links, a port driver, a project's lists) is taken from the one process-wide
// counter below, at the change it marks; nothing takes or makes a stamp any other way.
// Viewers rely on that: when `peekStamp()` reads as it did before, nothing of any model
// changed in between, and a stamp below an earlier `peekStamp()` marks a member that
// has not changed since (a scene layer's update skips its refreshes on these grounds).

/// The next change stamp of the process: 1 first, then each call one more, from any thread.
/// A viewer compares stamps to see what changed since it last looked.
[[nodiscard]] OSTRA_SIM_EXPORT Stamp nextStamp() noexcept;
/// The stamp the next change will take. It stays the same for as long as nothing of any
/// model changes, so a viewer that finds it where it was last time knows that nothing did
/// (which holds only because every change takes its stamp from this counter, as above).
[[nodiscard]] OSTRA_SIM_EXPORT Stamp peekStamp() noexcept;

/// For tests only: the next stamp taken will be `next`. Lets a test reach far ends of
/// the range; setting it at or below stamps already taken breaks every viewer's caches.
OSTRA_SIM_EXPORT void setNextStampForTesting(Stamp next) noexcept;

} // namespace Ostra::Sim

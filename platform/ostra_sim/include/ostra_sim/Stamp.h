#pragma once

#include <ostra_sim/Export.h>

#include <cstdint>

namespace Ostra::Sim {

/// The next change stamp of the process: 1 first, then each call one more, from any thread.
/// A viewer compares stamps to see what changed since it last looked.
[[nodiscard]] OSTRA_SIM_EXPORT std::uint32_t nextStamp() noexcept;
/// The stamp the next change will take. It stays the same for as long as nothing of any
/// model changes, so a viewer that finds it where it was last time knows that nothing did.
[[nodiscard]] OSTRA_SIM_EXPORT std::uint32_t peekStamp() noexcept;

} // namespace Ostra::Sim

#pragma once

#include <cstdint>

namespace Vuro::GL {

/// Highlight mode. Modes 0 and 1 are drawn by the highlight passes; `HLModeNone` marks
/// passes without highlight and `allModes` selects every shown object when picking
/// (both are the all-ones value). Bit operations take the mode modulo 32.
using HLMode = std::uint32_t;

inline constexpr HLMode HLMode0 = 0;
inline constexpr HLMode HLMode1 = 1;
inline constexpr HLMode HLModeNone = 0xFFFFFFFFu;
inline constexpr HLMode allModes = 0xFFFFFFFFu;

/// The flag bit of `mode` in a highlight word (mode taken modulo 32).
[[nodiscard]] constexpr std::uint32_t hlBit(HLMode mode) noexcept {
    return 1u << (mode & 31u);
}

/// The flag bit of `mode` in a highlight word that holds modes 0 and 1 only: zero for
/// every other mode, so that no mode can alias 0 or 1.
[[nodiscard]] constexpr std::uint32_t hlBit01(HLMode mode) noexcept {
    return mode <= HLMode1 ? 1u << mode : 0u;
}

} // namespace Vuro::GL

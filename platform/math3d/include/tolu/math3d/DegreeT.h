#pragma once

#include <compare>
#include <numbers>

namespace Tolu {

/// An angle in degrees, kept apart from plain scalars so that radians cannot slip in unnoticed.
template <typename T> class DegreeT {
public:
    using value_type = T;

    constexpr DegreeT() = default;
    constexpr explicit DegreeT(T degrees) : value(degrees) {}

    [[nodiscard]] static constexpr DegreeT fromRadians(T radians) {
        return DegreeT(radians * (T(180) / std::numbers::pi_v<T>));
    }
    [[nodiscard]] constexpr T toRadians() const { return value * (std::numbers::pi_v<T> / T(180)); }

    constexpr DegreeT operator-() const { return DegreeT(-value); }
    constexpr auto operator<=>(const DegreeT&) const = default;

    T value{};
};

} // namespace Tolu

#pragma once

#include <compare>
#include <numbers>

namespace Tolu {

/// An angle in degrees, kept apart from plain scalars so that radians cannot slip in unnoticed.
template <typename T> class DegreeT {
public:
    /// The scalar type.
    using value_type = T;

    /// Zero degrees.
    constexpr DegreeT() = default;
    /// An angle of `degrees`.
    constexpr explicit DegreeT(T degrees) : value(degrees) {}

    /// The angle of `radians`, in degrees.
    [[nodiscard]] static constexpr DegreeT fromRadians(T radians) {
        return DegreeT(radians * (T(180) / std::numbers::pi_v<T>));
    }
    /// The angle in radians.
    [[nodiscard]] constexpr T toRadians() const { return value * (std::numbers::pi_v<T> / T(180)); }

    /// The opposite angle.
    constexpr DegreeT operator-() const { return DegreeT(-value); }
    /// Orders by value.
    constexpr auto operator<=>(const DegreeT&) const = default;

    /// The angle in degrees.
    T value{};
};

} // namespace Tolu

#pragma once

#include <tolu/math3d/Vector3T.h>

namespace Tolu {

/// A line segment from the near end `p0` to the far end `p1`, e.g. a pick ray clipped to the
/// view volume.
template <typename T> class Segment3T {
public:
    using value_type = T;

    /// A degenerate segment at the origin.
    constexpr Segment3T() = default;
    constexpr Segment3T(const Vector3T<T>& nearEnd, const Vector3T<T>& farEnd)
        : p0(nearEnd), p1(farEnd) {}

    /// p1 - p0, not normalised.
    [[nodiscard]] constexpr Vector3T<T> getDirection() const { return p1 - p0; }
    [[nodiscard]] T getLength() const { return getDirection().length(); }

    constexpr Vector3T<T>& getP0() { return p0; }
    constexpr const Vector3T<T>& getP0() const { return p0; }
    constexpr Vector3T<T>& getP1() { return p1; }
    constexpr const Vector3T<T>& getP1() const { return p1; }

    Vector3T<T> p0;
    Vector3T<T> p1;
};

} // namespace Tolu

#pragma once

#include <tolu/math3d/Vector3T.h>

namespace Tolu {

/// A line segment from the near end `p0` to the far end `p1`, e.g. a pick ray clipped to the
/// view volume.
template <typename T> class Segment3T {
public:
    /// The scalar type.
    using value_type = T;

    /// A degenerate segment at the origin.
    constexpr Segment3T() = default;
    /// From `nearEnd` to `farEnd`.
    constexpr Segment3T(const Vector3T<T>& nearEnd, const Vector3T<T>& farEnd)
        : p0(nearEnd), p1(farEnd) {}

    /// p1 - p0, not normalised.
    [[nodiscard]] constexpr Vector3T<T> getDirection() const { return p1 - p0; }
    /// Distance between the ends.
    [[nodiscard]] T getLength() const { return getDirection().length(); }

    ///@{
    /// The near end.
    constexpr Vector3T<T>& getP0() { return p0; }
    constexpr const Vector3T<T>& getP0() const { return p0; }
    ///@}
    ///@{
    /// The far end.
    constexpr Vector3T<T>& getP1() { return p1; }
    constexpr const Vector3T<T>& getP1() const { return p1; }
    ///@}

    /// The near end.
    Vector3T<T> p0;
    /// The far end.
    Vector3T<T> p1;
};

} // namespace Tolu

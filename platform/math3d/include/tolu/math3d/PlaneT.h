#pragma once

#include <tolu/math3d/Vector3T.h>

namespace Tolu {

/// The plane normal . p = d. Points with normal . p - d <= 0 are inside; the normal points out.
template <typename T> struct PlaneT {
    /// The scalar type.
    using value_type = T;

    /// Positive outside, zero on the plane; in units of |normal|.
    [[nodiscard]] constexpr T signedDistance(const Vector3T<T>& p) const {
        return normal.dot(p) - d;
    }
    /// True on the plane and on its inner side.
    [[nodiscard]] constexpr bool isInside(const Vector3T<T>& p) const {
        return signedDistance(p) <= T(0);
    }

    /// Points out; need not be of unit length.
    Vector3T<T> normal;
    /// Distance term: the plane is normal . p = d.
    T d{};
};

} // namespace Tolu

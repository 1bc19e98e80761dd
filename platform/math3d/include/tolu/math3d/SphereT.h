#pragma once

#include <tolu/math3d/Vector3T.h>

namespace Tolu {

/// A sphere as geometry (always meaningful; see BSphereT for bounds that may be empty).
template <typename T> class SphereT {
public:
    /// The scalar type.
    using value_type = T;

    /// The point sphere at the origin.
    constexpr SphereT() = default;
    /// Throws ErrorMath3D for a negative or NaN radius.
    constexpr SphereT(const Vector3T<T>& centre_, T radius_) : centre(centre_), radius(radius_) {
        if (!(radius_ >= T(0))) {
            throw ErrorMath3D("SphereT: bad radius " + formatMath3dValue(radius_));
        }
    }

    /// Centre.
    Vector3T<T> centre;
    /// Radius, never negative.
    T radius{};
};

} // namespace Tolu

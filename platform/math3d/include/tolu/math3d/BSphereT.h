#pragma once

#include <tolu/math3d/Vector3T.h>

namespace Tolu {

/// A bounding sphere. The default one is empty (invalid); merging lives with the scene code.
template <typename T> class BSphereT {
public:
    /// The scalar type.
    using value_type = T;

    /// The empty sphere: invalid, centre and radius zero.
    constexpr BSphereT() = default;
    /// A valid sphere. Throws ErrorMath3D for a negative or NaN radius.
    constexpr BSphereT(const Vector3T<T>& centre_, T radius_)
        : centre(centre_), radius(radius_), valid(true) {
        if (!(radius_ >= T(0))) {
            throw ErrorMath3D("BSphereT: bad radius " + formatMath3dValue(radius_));
        }
    }
    /// Conversion from another scalar type (may lose precision).
    template <typename U>
    constexpr explicit BSphereT(const BSphereT<U>& other)
        : centre(other.centre), radius(static_cast<T>(other.radius)), valid(other.valid) {}

    /// Centre.
    Vector3T<T> centre;
    /// Radius, never negative.
    T radius{};
    /// False for the empty sphere, which encloses nothing.
    bool valid = false;
};

} // namespace Tolu

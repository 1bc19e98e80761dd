#pragma once

#include <tolu/math3d/Vector3T.h>

namespace Tolu {

/// An axis-aligned box. An invalid box is empty; the first point added makes it valid.
template <typename T> class BBoxT {
public:
    /// The scalar type.
    using value_type = T;

    /// The empty (invalid) box.
    constexpr BBoxT() = default;
    /// A valid box; `min` <= `max` is the caller's to ensure.
    constexpr BBoxT(const Vector3T<T>& min_, const Vector3T<T>& max_)
        : min(min_), max(max_), valid(true) {}
    /// Conversion from another scalar type (may lose precision).
    template <typename U>
    constexpr explicit BBoxT(const BBoxT<U>& other)
        : min(other.min), max(other.max), valid(other.valid) {}

    /// Grows the box to hold `p`.
    constexpr void add(const Vector3T<T>& p) {
        if (!valid) {
            min = max = p;
            valid = true;
            return;
        }
        min = {p.x < min.x ? p.x : min.x, p.y < min.y ? p.y : min.y, p.z < min.z ? p.z : min.z};
        max = {p.x > max.x ? p.x : max.x, p.y > max.y ? p.y : max.y, p.z > max.z ? p.z : max.z};
    }
    /// Grows the box to hold `box`; an invalid `box` changes nothing.
    constexpr void add(const BBoxT& box) {
        if (box.valid) {
            add(box.min);
            add(box.max);
        }
    }

    /// Throws ErrorMath3D for an invalid box.
    [[nodiscard]] constexpr Vector3T<T> getCentre() const {
        requireValid("BBoxT::getCentre");
        return (min + max) * T(0.5);
    }
    /// Edge lengths (max - min). Throws ErrorMath3D for an invalid box.
    [[nodiscard]] constexpr Vector3T<T> getSize() const {
        requireValid("BBoxT::getSize");
        return max - min;
    }

    /// Lowest corner.
    Vector3T<T> min;
    /// Highest corner.
    Vector3T<T> max;
    /// False for the empty box, whose corners mean nothing.
    bool valid = false;

private:
    constexpr void requireValid(const char* function) const {
        if (!valid) {
            throw ErrorMath3D(std::string(function) + ": the box is empty");
        }
    }
};

} // namespace Tolu

#pragma once

#include <tolu/math3d/Errors.h>

#include <cmath>
#include <cstddef>
#include <string>

namespace Tolu {

/// A 3-component vector or point with value semantics.
template <typename T> class Vector3T {
public:
    /// The scalar type.
    using value_type = T;

    /// The zero vector.
    constexpr Vector3T() = default;
    /// The vector (x, y, z).
    constexpr Vector3T(T x_, T y_, T z_) : x(x_), y(y_), z(z_) {}
    /// Component-wise conversion from another scalar type (may lose precision).
    template <typename U>
    constexpr explicit Vector3T(const Vector3T<U>& other)
        : x(static_cast<T>(other.x)), y(static_cast<T>(other.y)), z(static_cast<T>(other.z)) {}

    ///@{
    /// Component `i` (0 = x, 1 = y, 2 = z). Throws ErrorMath3D when `i` > 2.
    constexpr T& operator[](std::size_t i) { return component(*this, i); }
    constexpr const T& operator[](std::size_t i) const { return component(*this, i); }
    ///@}

    /// Adds `v` component-wise.
    constexpr Vector3T& operator+=(const Vector3T& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    /// Subtracts `v` component-wise.
    constexpr Vector3T& operator-=(const Vector3T& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    /// Scales by `s`.
    constexpr Vector3T& operator*=(T s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }

    /// The scalar product.
    [[nodiscard]] constexpr T dot(const Vector3T& v) const { return x * v.x + y * v.y + z * v.z; }
    /// Right-handed cross product: x.cross(y) is z.
    [[nodiscard]] constexpr Vector3T cross(const Vector3T& v) const {
        return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
    }
    /// The squared length, without a square root.
    [[nodiscard]] constexpr T lengthSquared() const { return dot(*this); }
    /// The Euclidean length.
    [[nodiscard]] T length() const { return std::sqrt(lengthSquared()); }
    /// Unit vector in the same direction. Throws ErrorBadNullVector when the length is below
    /// `eps` (or zero, or not a number).
    [[nodiscard]] Vector3T normalized(T eps = T(1e-12)) const {
        const T len = length();
        // Written so that a NaN length fails too, and a zero eps cannot let 0/0 through.
        if (!(len >= eps) || len == T(0)) {
            throw ErrorBadNullVector("Vector3T::normalized: length " + formatMath3dValue(len) +
                                     " is below " + formatMath3dValue(eps));
        }
        return {x / len, y / len, z / len};
    }

    ///@{
    /// Components.
    T x{};
    T y{};
    T z{};
    ///@}

private:
    template <typename Self> static constexpr auto& component(Self& self, std::size_t i) {
        switch (i) {
        case 0:
            return self.x;
        case 1:
            return self.y;
        case 2:
            return self.z;
        default:
            throw ErrorMath3D("Vector3T::operator[]: index " + std::to_string(i) + " out of range");
        }
    }
};

template <typename T> constexpr Vector3T<T> operator+(const Vector3T<T>& a, const Vector3T<T>& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
template <typename T> constexpr Vector3T<T> operator-(const Vector3T<T>& a, const Vector3T<T>& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
template <typename T> constexpr Vector3T<T> operator-(const Vector3T<T>& a) {
    return {-a.x, -a.y, -a.z};
}
template <typename T> constexpr Vector3T<T> operator*(const Vector3T<T>& a, T s) {
    return {a.x * s, a.y * s, a.z * s};
}
template <typename T> constexpr Vector3T<T> operator*(T s, const Vector3T<T>& a) {
    return {s * a.x, s * a.y, s * a.z};
}
/// Division by a scalar; dividing by zero gives infinities as the scalar type does.
template <typename T> constexpr Vector3T<T> operator/(const Vector3T<T>& a, T s) {
    return {a.x / s, a.y / s, a.z / s};
}
/// Exact component-wise comparison, no tolerance.
template <typename T> constexpr bool operator==(const Vector3T<T>& a, const Vector3T<T>& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

template <typename T> constexpr T dot(const Vector3T<T>& a, const Vector3T<T>& b) {
    return a.dot(b);
}
template <typename T> constexpr Vector3T<T> cross(const Vector3T<T>& a, const Vector3T<T>& b) {
    return a.cross(b);
}

} // namespace Tolu

#pragma once

#include <tolu/math3d/Vector3T.h>

namespace Tolu {

/// A 4-component vector: homogeneous points, and RGBA colours as Vector4T<float>.
template <typename T> class Vector4T {
public:
    /// The scalar type.
    using value_type = T;

    /// The zero vector (transparent black as a colour).
    constexpr Vector4T() = default;
    /// The vector (x, y, z, w).
    constexpr Vector4T(T x_, T y_, T z_, T w_) : x(x_), y(y_), z(z_), w(w_) {}
    /// The vector (v.x, v.y, v.z, w).
    constexpr Vector4T(const Vector3T<T>& v, T w_) : x(v.x), y(v.y), z(v.z), w(w_) {}
    /// Component-wise conversion from another scalar type (may lose precision).
    template <typename U>
    constexpr explicit Vector4T(const Vector4T<U>& other)
        : x(static_cast<T>(other.x)), y(static_cast<T>(other.y)), z(static_cast<T>(other.z)),
          w(static_cast<T>(other.w)) {}

    ///@{
    /// Colour channels, aliases of x, y, z, w.
    constexpr T& r() { return x; }
    constexpr T& g() { return y; }
    constexpr T& b() { return z; }
    constexpr T& a() { return w; }
    constexpr const T& r() const { return x; }
    constexpr const T& g() const { return y; }
    constexpr const T& b() const { return z; }
    constexpr const T& a() const { return w; }
    ///@}

    /// The first three components, without dividing by w.
    [[nodiscard]] constexpr Vector3T<T> xyz() const { return {x, y, z}; }

    ///@{
    /// Components; red, green, blue and alpha for a colour.
    T x{};
    T y{};
    T z{};
    T w{};
    ///@}
};

template <typename T> constexpr Vector4T<T> operator+(const Vector4T<T>& a, const Vector4T<T>& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
}
template <typename T> constexpr Vector4T<T> operator-(const Vector4T<T>& a, const Vector4T<T>& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w};
}
template <typename T> constexpr Vector4T<T> operator*(const Vector4T<T>& a, T s) {
    return {a.x * s, a.y * s, a.z * s, a.w * s};
}
template <typename T> constexpr Vector4T<T> operator*(T s, const Vector4T<T>& a) {
    return a * s;
}
/// Exact component-wise comparison, no tolerance.
template <typename T> constexpr bool operator==(const Vector4T<T>& a, const Vector4T<T>& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}

} // namespace Tolu

#pragma once

// Definitions of the longer Matrix4x4T members; include <tolu/math3d/Matrix4x4T.h> instead.

#include <tolu/math3d/Matrix4x4T.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

namespace Tolu {
namespace Math3dDetail {

// The message for projection parameters that enclose no volume.
template <typename T>
std::string describeVolume(const char* function, T l, T r, T b, T t, T n, T f) {
    return std::string(function) + ": degenerate volume (l " + formatMath3dValue(l) + ", r " +
           formatMath3dValue(r) + ", b " + formatMath3dValue(b) + ", t " + formatMath3dValue(t) +
           ", n " + formatMath3dValue(n) + ", f " + formatMath3dValue(f) + ")";
}

} // namespace Math3dDetail

template <typename T> Matrix4x4T<T> Matrix4x4T<T>::rotationX(T radians) {
    const T c = std::cos(radians);
    const T s = std::sin(radians);
    // clang-format off
    return {1, 0,  0, 0,
            0, c, -s, 0,
            0, s,  c, 0,
            0, 0,  0, 1};
    // clang-format on
}

template <typename T> Matrix4x4T<T> Matrix4x4T<T>::rotationY(T radians) {
    const T c = std::cos(radians);
    const T s = std::sin(radians);
    // clang-format off
    return { c, 0, s, 0,
             0, 1, 0, 0,
            -s, 0, c, 0,
             0, 0, 0, 1};
    // clang-format on
}

template <typename T> Matrix4x4T<T> Matrix4x4T<T>::rotationZ(T radians) {
    const T c = std::cos(radians);
    const T s = std::sin(radians);
    // clang-format off
    return {c, -s, 0, 0,
            s,  c, 0, 0,
            0,  0, 1, 0,
            0,  0, 0, 1};
    // clang-format on
}

template <typename T> Matrix4x4T<T> Matrix4x4T<T>::rotation(const Vector3T<T>& axis, T radians) {
    const T len = axis.length();
    if (!(len > T(0)) || !std::isfinite(len)) {
        throw ErrorBadNullVector("Matrix4x4T::rotation: bad axis length " + formatMath3dValue(len));
    }
    const Vector3T<T> k = axis / len;
    const T c = std::cos(radians);
    const T s = std::sin(radians);
    const T u = T(1) - c;
    // Axis-angle form: c * I + s * [k]x + (1 - c) * k k^T.
    // clang-format off
    return {c + u * k.x * k.x,       u * k.x * k.y - s * k.z, u * k.x * k.z + s * k.y, 0,
            u * k.y * k.x + s * k.z, c + u * k.y * k.y,       u * k.y * k.z - s * k.x, 0,
            u * k.z * k.x - s * k.y, u * k.z * k.y + s * k.x, c + u * k.z * k.z,       0,
            0,                       0,                       0,                       1};
    // clang-format on
}

template <typename T>
Matrix4x4T<T> Matrix4x4T<T>::lookAt(const Vector3T<T>& eye, const Vector3T<T>& centre,
                                    const Vector3T<T>& up) {
    const Vector3T<T> view = centre - eye;
    const T viewLength = view.length();
    if (!(viewLength > T(0))) {
        throw ErrorBadNullVector("Matrix4x4T::lookAt: eye and centre coincide (distance " +
                                 formatMath3dValue(viewLength) + ")");
    }
    const Vector3T<T> f = view / viewLength;
    // Relative to |up|: a side vector lost in rounding means up is parallel to the view direction
    // (or null), and the roll about it is undefined.
    const Vector3T<T> side = f.cross(up);
    const T sideLength = side.length();
    if (!(sideLength > std::numeric_limits<T>::epsilon() * up.length())) {
        throw ErrorBadNullVector(
            "Matrix4x4T::lookAt: up is parallel to the view direction (|f x up| " +
            formatMath3dValue(sideLength) + ")");
    }
    const Vector3T<T> s = side / sideLength;
    const Vector3T<T> u = s.cross(f);
    // Rows are the eye axes in world coordinates; the translation moves the eye to the origin.
    // clang-format off
    return { s.x,  s.y,  s.z, -s.dot(eye),
             u.x,  u.y,  u.z, -u.dot(eye),
            -f.x, -f.y, -f.z,  f.dot(eye),
             0,    0,    0,    1};
    // clang-format on
}

template <typename T> Matrix4x4T<T> Matrix4x4T<T>::frustum(T l, T r, T b, T t, T n, T f) {
    // Negated comparisons so that NaN parameters are refused as well.
    if (!(l != r) || !(b != t) || !(n > T(0)) || !(f > n)) {
        throw ErrorBadMatrix(Math3dDetail::describeVolume("Matrix4x4T::frustum", l, r, b, t, n, f));
    }
    // clang-format off
    return {2 * n / (r - l), 0,               (r + l) / (r - l),   0,
            0,               2 * n / (t - b), (t + b) / (t - b),   0,
            0,               0,               -(f + n) / (f - n), -2 * f * n / (f - n),
            0,               0,               -1,                  0};
    // clang-format on
}

template <typename T> Matrix4x4T<T> Matrix4x4T<T>::perspective(T fovyRadians, T aspect, T n, T f) {
    if (!(fovyRadians > T(0)) || !(fovyRadians < std::numbers::pi_v<T>) || !(aspect > T(0))) {
        throw ErrorBadMatrix("Matrix4x4T::perspective: bad field of view " +
                             formatMath3dValue(fovyRadians) + " or aspect " +
                             formatMath3dValue(aspect));
    }
    const T top = n * std::tan(fovyRadians / 2);
    const T right = top * aspect;
    return frustum(-right, right, -top, top, n, f);
}

template <typename T> Matrix4x4T<T> Matrix4x4T<T>::ortho(T l, T r, T b, T t, T n, T f) {
    if (!(l != r) || !(b != t) || !(n != f)) {
        throw ErrorBadMatrix(Math3dDetail::describeVolume("Matrix4x4T::ortho", l, r, b, t, n, f));
    }
    // clang-format off
    return {2 / (r - l), 0,            0,           -(r + l) / (r - l),
            0,           2 / (t - b),  0,           -(t + b) / (t - b),
            0,           0,           -2 / (f - n), -(f + n) / (f - n),
            0,           0,            0,            1};
    // clang-format on
}

template <typename T> Matrix4x4T<T> Matrix4x4T<T>::inverse() const {
    const auto a = [this](int i, int j) { return m[4 * i + j]; };
    // Expansion by complementary 2x2 minors of rows 0-1 (s) and rows 2-3 (c): each of the 24
    // terms of the determinant appears once, so the same sums in absolute values bound its
    // rounding.
    const T s0 = a(0, 0) * a(1, 1) - a(1, 0) * a(0, 1);
    const T s1 = a(0, 0) * a(1, 2) - a(1, 0) * a(0, 2);
    const T s2 = a(0, 0) * a(1, 3) - a(1, 0) * a(0, 3);
    const T s3 = a(0, 1) * a(1, 2) - a(1, 1) * a(0, 2);
    const T s4 = a(0, 1) * a(1, 3) - a(1, 1) * a(0, 3);
    const T s5 = a(0, 2) * a(1, 3) - a(1, 2) * a(0, 3);
    const T c5 = a(2, 2) * a(3, 3) - a(3, 2) * a(2, 3);
    const T c4 = a(2, 1) * a(3, 3) - a(3, 1) * a(2, 3);
    const T c3 = a(2, 1) * a(3, 2) - a(3, 1) * a(2, 2);
    const T c2 = a(2, 0) * a(3, 3) - a(3, 0) * a(2, 3);
    const T c1 = a(2, 0) * a(3, 2) - a(3, 0) * a(2, 2);
    const T c0 = a(2, 0) * a(3, 1) - a(3, 0) * a(2, 1);
    const T det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;

    const auto p = [&a](int i0, int j0, int i1, int j1) {
        return std::abs(a(i0, j0) * a(i1, j1)) + std::abs(a(i1, j0) * a(i0, j1));
    };
    const T bound = p(0, 0, 1, 1) * p(2, 2, 3, 3) + p(0, 0, 1, 2) * p(2, 1, 3, 3) +
                    p(0, 0, 1, 3) * p(2, 1, 3, 2) + p(0, 1, 1, 2) * p(2, 0, 3, 3) +
                    p(0, 1, 1, 3) * p(2, 0, 3, 2) + p(0, 2, 1, 3) * p(2, 0, 3, 1);
    // Scale-free test: a well-conditioned matrix of tiny scale stays invertible, while a singular
    // one whose determinant came out as rounding noise is refused. NaN fails too.
    if (!(std::abs(det) > 16 * std::numeric_limits<T>::epsilon() * bound)) {
        throw ErrorBadMatrix("Matrix4x4T::inverse: singular matrix (determinant " +
                             formatMath3dValue(static_cast<double>(det)) + ")");
    }

    const T d = T(1) / det;
    return {(a(1, 1) * c5 - a(1, 2) * c4 + a(1, 3) * c3) * d,
            (-a(0, 1) * c5 + a(0, 2) * c4 - a(0, 3) * c3) * d,
            (a(3, 1) * s5 - a(3, 2) * s4 + a(3, 3) * s3) * d,
            (-a(2, 1) * s5 + a(2, 2) * s4 - a(2, 3) * s3) * d,
            (-a(1, 0) * c5 + a(1, 2) * c2 - a(1, 3) * c1) * d,
            (a(0, 0) * c5 - a(0, 2) * c2 + a(0, 3) * c1) * d,
            (-a(3, 0) * s5 + a(3, 2) * s2 - a(3, 3) * s1) * d,
            (a(2, 0) * s5 - a(2, 2) * s2 + a(2, 3) * s1) * d,
            (a(1, 0) * c4 - a(1, 1) * c2 + a(1, 3) * c0) * d,
            (-a(0, 0) * c4 + a(0, 1) * c2 - a(0, 3) * c0) * d,
            (a(3, 0) * s4 - a(3, 1) * s2 + a(3, 3) * s0) * d,
            (-a(2, 0) * s4 + a(2, 1) * s2 - a(2, 3) * s0) * d,
            (-a(1, 0) * c3 + a(1, 1) * c1 - a(1, 2) * c0) * d,
            (a(0, 0) * c3 - a(0, 1) * c1 + a(0, 2) * c0) * d,
            (-a(3, 0) * s3 + a(3, 1) * s1 - a(3, 2) * s0) * d,
            (a(2, 0) * s3 - a(2, 1) * s1 + a(2, 2) * s0) * d};
}

} // namespace Tolu

#pragma once

#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>

#include <cstddef>

namespace Tolu {

/// A 4x4 matrix stored row-major: element (row i, column j) is m[4 * i + j] and the translation
/// sits in m[3], m[7], m[11]. Points are columns (x, y, z, 1) multiplied from the right, so in
/// A * B the transform B applies first. Angles are in radians; rotations are right-handed.
template <typename T> class Matrix4x4T {
public:
    /// The scalar type.
    using value_type = T;

    /// The identity, not the zero matrix.
    constexpr Matrix4x4T() : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}
    /// The 16 elements in row-major order.
    constexpr Matrix4x4T(T m00, T m01, T m02, T m03, T m10, T m11, T m12, T m13, T m20, T m21,
                         T m22, T m23, T m30, T m31, T m32, T m33)
        : m{m00, m01, m02, m03, m10, m11, m12, m13, m20, m21, m22, m23, m30, m31, m32, m33} {}
    /// Element-wise conversion from another scalar type (may lose precision).
    template <typename U> constexpr explicit Matrix4x4T(const Matrix4x4T<U>& other) {
        for (std::size_t k = 0; k < 16; ++k) {
            m[k] = static_cast<T>(other.m[k]);
        }
    }

    /// The identity.
    [[nodiscard]] static constexpr Matrix4x4T identity() { return {}; }
    /// A shift by `t`.
    [[nodiscard]] static constexpr Matrix4x4T translation(const Vector3T<T>& t) {
        return {1, 0, 0, t.x, 0, 1, 0, t.y, 0, 0, 1, t.z, 0, 0, 0, 1};
    }
    ///@{
    /// Scales by `s`, uniformly or per axis.
    [[nodiscard]] static constexpr Matrix4x4T scaling(T s) { return scaling(Vector3T<T>(s, s, s)); }
    [[nodiscard]] static constexpr Matrix4x4T scaling(const Vector3T<T>& s) {
        return {s.x, 0, 0, 0, 0, s.y, 0, 0, 0, 0, s.z, 0, 0, 0, 0, 1};
        ///@}
    }
    ///@{
    /// Counter-clockwise seen from the positive axis: rotationZ(pi/2) maps x onto y.
    [[nodiscard]] static Matrix4x4T rotationX(T radians);
    [[nodiscard]] static Matrix4x4T rotationY(T radians);
    [[nodiscard]] static Matrix4x4T rotationZ(T radians);
    ///@}
    /// Rotation about `axis` (any length). Throws ErrorBadNullVector for a null axis.
    [[nodiscard]] static Matrix4x4T rotation(const Vector3T<T>& axis, T radians);

    /// View matrix: eye at the origin looking down -z with `up` towards +y. Throws
    /// ErrorBadNullVector when eye == centre or `up` is parallel to the view direction.
    [[nodiscard]] static Matrix4x4T lookAt(const Vector3T<T>& eye, const Vector3T<T>& centre,
                                           const Vector3T<T>& up);
    /// Perspective projection to clip space with z in [-1, 1] (near -> -1). Throws ErrorBadMatrix
    /// unless l != r, b != t and 0 < n < f.
    [[nodiscard]] static Matrix4x4T frustum(T l, T r, T b, T t, T n, T f);
    /// Symmetric frustum; `fovy` is the full vertical angle. Throws ErrorBadMatrix unless
    /// 0 < fovy < pi, aspect > 0 and 0 < n < f.
    [[nodiscard]] static Matrix4x4T perspective(T fovyRadians, T aspect, T n, T f);
    /// Orthographic projection, z in [-1, 1]. Throws ErrorBadMatrix if l == r, b == t or n == f.
    [[nodiscard]] static Matrix4x4T ortho(T l, T r, T b, T t, T n, T f);

    /// Element (row i, column j). Throws ErrorMath3D when i or j > 3.
    ///@{
    /// Element (row `i`, column `j`); indices are not checked.
    constexpr T& operator()(std::size_t i, std::size_t j) { return m[index(i, j)]; }
    constexpr const T& operator()(std::size_t i, std::size_t j) const { return m[index(i, j)]; }
    ///@}

    /// The row-major product; `b` applies first.
    [[nodiscard]] friend constexpr Matrix4x4T operator*(const Matrix4x4T& a, const Matrix4x4T& b) {
        Matrix4x4T p;
        for (std::size_t i = 0; i < 4; ++i) {
            for (std::size_t j = 0; j < 4; ++j) {
                p.m[4 * i + j] = a.m[4 * i] * b.m[j] + a.m[4 * i + 1] * b.m[4 + j] +
                                 a.m[4 * i + 2] * b.m[8 + j] + a.m[4 * i + 3] * b.m[12 + j];
            }
        }
        return p;
    }
    /// Exact element-wise comparison, no tolerance.
    [[nodiscard]] friend constexpr bool operator==(const Matrix4x4T& a, const Matrix4x4T& b) {
        for (std::size_t k = 0; k < 16; ++k) {
            if (a.m[k] != b.m[k]) {
                return false;
            }
        }
        return true;
    }

    /// Rows 0..2 times (x, y, z, 1); the last row is ignored, nothing is divided by w.
    [[nodiscard]] constexpr Vector3T<T> transformAffine(const Vector3T<T>& p) const {
        return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3],
                m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
                m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
    }
    /// The upper 3x3 part times `d`: directions ignore the translation.
    [[nodiscard]] constexpr Vector3T<T> transformDirection(const Vector3T<T>& d) const {
        return {m[0] * d.x + m[1] * d.y + m[2] * d.z, m[4] * d.x + m[5] * d.y + m[6] * d.z,
                m[8] * d.x + m[9] * d.y + m[10] * d.z};
    }
    /// The full product with a homogeneous column vector, e.g. eye space to clip space.
    [[nodiscard]] constexpr Vector4T<T> transform(const Vector4T<T>& v) const {
        return {m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3] * v.w,
                m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7] * v.w,
                m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11] * v.w,
                m[12] * v.x + m[13] * v.y + m[14] * v.z + m[15] * v.w};
    }

    /// Rows and columns swapped.
    [[nodiscard]] constexpr Matrix4x4T transposed() const {
        return {m[0], m[4], m[8],  m[12], m[1], m[5], m[9],  m[13],
                m[2], m[6], m[10], m[14], m[3], m[7], m[11], m[15]};
    }
    /// The general inverse. Throws ErrorBadMatrix when the determinant is within rounding noise of
    /// zero: |det| <= 16 * epsilon * (the same expansion summed in absolute values).
    [[nodiscard]] Matrix4x4T inverse() const;

    /// The translation column.
    [[nodiscard]] constexpr Vector3T<T> getTranslation() const { return {m[3], m[7], m[11]}; }
    /// Replaces the translation column.
    constexpr void setTranslation(const Vector3T<T>& t) {
        m[3] = t.x;
        m[7] = t.y;
        m[11] = t.z;
    }

    /// The elements, row-major.
    T m[16];

private:
    static constexpr std::size_t index(std::size_t i, std::size_t j) {
        if (i > 3 || j > 3) {
            throw ErrorMath3D("Matrix4x4T::operator(): index (" + std::to_string(i) + ", " +
                              std::to_string(j) + ") out of range");
        }
        return 4 * i + j;
    }
};

} // namespace Tolu

// The longer definitions live apart to keep this header readable.
#include <tolu/math3d/Matrix4x4TImpl.h>

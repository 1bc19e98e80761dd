#pragma once

#include <tolu/math3d/Errors.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/PlaneT.h>

#include <cstdint>
#include <string>

namespace Tolu {

/// A perspective view volume with the parameters of a GL frustum call: in eye space the near
/// rectangle spans [l, r] x [b, t] at z = -n and the far plane lies at z = -f; `toWorld` maps eye
/// space to world. The world-space `planes` are computed on demand by `framePlane` (FramePlane.h);
/// `dirty` flags those that are out of date.
template <typename T> class FrustumT {
public:
    /// The scalar type.
    using value_type = T;
    /// A bounding plane, its normal pointing out.
    using Plane = PlaneT<T>;

    /// Storage order of `planes`.
    enum PlaneIndex : int {
        PlaneLeft = 0,
        PlaneRight = 1,
        PlaneBottom = 2,
        PlaneTop = 3,
        PlaneNear = 4,
        PlaneFar = 5
    };
    /// Bits of `dirty`. Bottom is stored before top but has the higher bit.
    enum DirtyBit : std::uint8_t {
        DirtyLeft = 0x01,
        DirtyRight = 0x02,
        DirtyTop = 0x04,
        DirtyBottom = 0x08,
        DirtyNear = 0x10,
        DirtyFar = 0x20,
        DirtyAll = 0x3F
    };

    /// All zero with an identity `toWorld`, every plane dirty.
    constexpr FrustumT() = default;
    /// Every plane dirty. The extents are not checked: a frustum may be built up field by field.
    constexpr FrustumT(T l_, T r_, T b_, T t_, T n_, T f_, const Matrix4x4T<T>& toWorld_)
        : l(l_), r(r_), b(b_), t(t_), n(n_), f(f_), toWorld(toWorld_) {}

    ///@{
    /// Each of these marks every plane dirty.
    constexpr void set(T l_, T r_, T b_, T t_, T n_, T f_) {
        l = l_;
        r = r_;
        b = b_;
        t = t_;
        n = n_;
        f = f_;
        invalidate();
    }
    constexpr void setLeft(T value) { assign(l, value, DirtyAll); }
    constexpr void setRight(T value) { assign(r, value, DirtyAll); }
    constexpr void setBottom(T value) { assign(b, value, DirtyAll); }
    constexpr void setTop(T value) { assign(t, value, DirtyAll); }
    constexpr void setNear(T value) { assign(n, value, DirtyAll); }
    constexpr void setToWorld(const Matrix4x4T<T>& value) {
        toWorld = value;
        ///@}
        invalidate();
    }
    /// Marks only the far plane dirty: the side planes run through the eye and the near edges,
    /// so moving the far plane leaves them where they are.
    constexpr void setFar(T value) { assign(f, value, DirtyFar); }
    /// Marks every plane dirty.
    constexpr void invalidate() { dirty = DirtyAll; }

    /// True if any plane of `bits` (`DirtyBit`) is out of date.
    [[nodiscard]] constexpr bool isDirty(std::uint8_t bits) const { return (dirty & bits) != 0; }
    /// The `DirtyBit` of the plane stored at `side` (`PlaneIndex`). Throws ErrorMath3D for a
    /// side outside 0 to 5.
    [[nodiscard]] static constexpr std::uint8_t dirtyBit(int side) {
        constexpr std::uint8_t bits[6] = {DirtyLeft, DirtyRight, DirtyBottom,
                                          DirtyTop,  DirtyNear,  DirtyFar};
        if (side < 0 || side > 5) {
            throw ErrorMath3D("FrustumT::dirtyBit: side " + std::to_string(side) +
                              " is not 0 to 5");
        }
        return bits[side];
    }

    ///@{
    /// Left, right, bottom and top extents on the near plane, near and far distance, in eye space.
    T l{};
    T r{};
    T b{};
    T t{};
    T n{};
    T f{};
    ///@}
    /// World from eye space.
    Matrix4x4T<T> toWorld;
    /// World-space planes in `PlaneIndex` order; see `dirty`.
    Plane planes[6]{};
    /// `DirtyBit`s of the planes that are out of date.
    std::uint8_t dirty = DirtyAll;

private:
    constexpr void assign(T& field, T value, std::uint8_t bits) {
        field = value;
        dirty = static_cast<std::uint8_t>(dirty | bits);
    }
};

} // namespace Tolu

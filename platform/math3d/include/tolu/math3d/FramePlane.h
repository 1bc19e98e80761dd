#pragma once

#include <tolu/math3d/Errors.h>
#include <tolu/math3d/FrustumT.h>
#include <tolu/math3d/PlaneT.h>
#include <tolu/math3d/Vector3T.h>

#include <cstdint>
#include <string>

namespace Tolu {

/// The world plane stored at `side` (`PlaneIndex`), recomputed when its dirty bit is set, which
/// it then clears: three eye-space corners U, V, W of the side taken to world by the homogeneous
/// transform `toWorld`, normal (V - W) x (U - W) scaled to length 1 (pointing out), d = normal . W.
/// Every user of a frustum's planes fetches them here, so that each finds them as another left
/// them. Throws ErrorMath3D for a side outside 0 to 5, ErrorBadMatrix when a corner's w lies within
/// 1e-10 of zero, ErrorBadNullVector when the cross product is shorter than 1e-10.
template <typename T> const PlaneT<T>& framePlane(FrustumT<T>& frustum, int side) {
    using F = FrustumT<T>;
    using V = Vector3T<T>;
    const std::uint8_t bit = F::dirtyBit(side);
    PlaneT<T>& plane = frustum.planes[side];
    if ((frustum.dirty & bit) == 0) {
        return plane;
    }
    const T l = frustum.l;
    const T r = frustum.r;
    const T b = frustum.b;
    const T t = frustum.t;
    const T n = frustum.n;
    const T f = frustum.f;
    // Far corners are the near ones scaled along their rays from the eye.
    const T s = f / n;
    // Each triple is ordered so that (V - W) x (U - W) points out of the volume.
    V u;
    V v;
    V w;
    switch (side) {
    case F::PlaneLeft:
        u = {l * s, b * s, -f};
        v = {l, t, -n};
        w = {l, b, -n};
        break;
    case F::PlaneRight:
        u = {r * s, t * s, -f};
        v = {r, b, -n};
        w = {r, t, -n};
        break;
    case F::PlaneTop:
        u = {l * s, t * s, -f};
        v = {r, t, -n};
        w = {l, t, -n};
        break;
    case F::PlaneBottom:
        u = {r * s, b * s, -f};
        v = {l, b, -n};
        w = {r, b, -n};
        break;
    case F::PlaneNear:
        u = {l, t, -n};
        v = {r, b, -n};
        w = {l, b, -n};
        break;
    default: // far
        u = {r * s, t * s, -f};
        v = {l * s, b * s, -f};
        w = {r * s, b * s, -f};
        break;
    }
    constexpr T eps = T(1e-10);
    const auto toWorld = [&frustum, side](const V& p) {
        const T* e = frustum.toWorld.m;
        const T pw = e[12] * p.x + e[13] * p.y + e[14] * p.z + e[15];
        if (pw >= -eps && pw <= eps) {
            throw ErrorBadMatrix("framePlane: side " + std::to_string(side) +
                                 ": toWorld sends a corner to w = " +
                                 formatMath3dValue(double(pw)) + ", within 1e-10 of zero");
        }
        return V((e[0] * p.x + e[1] * p.y + e[2] * p.z + e[3]) / pw,
                 (e[4] * p.x + e[5] * p.y + e[6] * p.z + e[7]) / pw,
                 (e[8] * p.x + e[9] * p.y + e[10] * p.z + e[11]) / pw);
    };
    const V uw = toWorld(u);
    const V vw = toWorld(v);
    const V ww = toWorld(w);
    const V cross = (vw - ww).cross(uw - ww);
    const T length = cross.length();
    // Negated so that a NaN length is refused as well.
    if (!(length >= eps) || length == T(0)) {
        throw ErrorBadNullVector("framePlane: side " + std::to_string(side) +
                                 ": normal of length " + formatMath3dValue(double(length)) +
                                 " is below 1e-10");
    }
    const V normal = cross / length;
    plane.normal = normal;
    plane.d = normal.dot(ww);
    frustum.dirty = static_cast<std::uint8_t>(frustum.dirty & ~bit);
    return plane;
}

} // namespace Tolu

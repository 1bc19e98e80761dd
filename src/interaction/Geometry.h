#pragma once

// Geometric routines of picking and bounding spheres, all in double precision.

#include <tolu/math3d/BBoxT.h>
#include <tolu/math3d/BSphereT.h>
#include <tolu/math3d/FrustumT.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/PlaneT.h>
#include <tolu/math3d/Segment3T.h>
#include <tolu/math3d/Vector3T.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Ostra::Sim::GL::Geometry {

using Tolu::BBoxT;
using Tolu::BSphereT;
using Tolu::FrustumT;
using Tolu::Matrix4x4T;
using Tolu::PlaneT;
using Tolu::Segment3T;
using Tolu::Vector3T;

/// Tolerance of every geometric test (its square where squared lengths are compared).
inline constexpr double eps = 1e-10;

/// Homogeneous transform of `p` by `m`; throws `ErrorBadMatrix` when the last row sends
/// the point to w within ±`tolerance`.
[[nodiscard]] Vector3T<double> transformPoint(const Matrix4x4T<double>& m,
                                              const Vector3T<double>& p, double tolerance = eps);
/// Affine image of `p` (rows 0 to 2 times (x, y, z, 1), no division).
[[nodiscard]] Vector3T<double> transformAffine(const Matrix4x4T<double>& m,
                                               const Vector3T<double>& p);
/// `v` scaled to length 1; throws `ErrorBadNullVector` below length `tolerance`.
[[nodiscard]] Vector3T<double> normalize(const Vector3T<double>& v, double tolerance = eps);

/// The world plane of one frustum side (index as `FrustumT::PlaneLeft` ...), recomputed
/// from l, r, b, t, n, f and `toWorld` when its dirty bit is set, which it clears.
const PlaneT<double>& framePlane(FrustumT<double>& frustum, int side);
/// n · (p − n·d): equal to n·p − d for the unit normals `framePlane` stores.
[[nodiscard]] inline double planeDistance(const PlaneT<double>& plane, const Vector3T<double>& p) {
    return plane.normal.dot(p - plane.normal * plane.d);
}
/// True when `p` lies inside or on every plane (tested left, right, top, bottom, near, far).
/// Inline: picking tests it for every body frame.
[[nodiscard]] inline bool pointInFrustum(FrustumT<double>& frustum, const Vector3T<double>& p) {
    using F = FrustumT<double>;
    struct Side {
        int index;
        std::uint8_t bit;
    };
    static constexpr Side sides[] = {{F::PlaneLeft, F::DirtyLeft}, {F::PlaneRight, F::DirtyRight},
                                     {F::PlaneTop, F::DirtyTop},   {F::PlaneBottom, F::DirtyBottom},
                                     {F::PlaneNear, F::DirtyNear}, {F::PlaneFar, F::DirtyFar}};
    for (const Side& side : sides) {
        // Most points fail at the first planes, which leaves the others dirty: the bit
        // of each side is tested here so that clean planes cost no call.
        const PlaneT<double>& plane = (frustum.dirty & side.bit) ? framePlane(frustum, side.index)
                                                                 : frustum.planes[side.index];
        if (planeDistance(plane, p) > 0.0) {
            return false;
        }
    }
    return true;
}
/// Clips the edge a→b to the frustum into c0→c1: 0 wholly outside, 1 clipped,
/// 2 wholly inside (planes left, top, right, bottom, near, far).
int clipToFrustum(FrustumT<double>& frustum, const Vector3T<double>& a, const Vector3T<double>& b,
                  Vector3T<double>& c0, Vector3T<double>& c1);
/// Parameter of the point of line p0→p1 nearest to `q`; 0 for a degenerate line
/// (|p1 − p0|² within ±tolerance²).
[[nodiscard]] inline double closestParam(const Vector3T<double>& q, const Vector3T<double>& p0,
                                         const Vector3T<double>& p1, double tolerance = eps) {
    const Vector3T<double> dir = p1 - p0;
    const double len2 = dir.lengthSquared();
    const double tol2 = tolerance * tolerance;
    if (len2 >= -tol2 && len2 <= tol2) {
        return 0.0;
    }
    return (q - p0).dot(dir) / len2;
}
/// True when the segment meets the sphere (its nearest point lies within the radius).
[[nodiscard]] inline bool segmentHitsSphere(const Segment3T<double>& segment,
                                            const BSphereT<double>& sphere) {
    const Vector3T<double>& p0 = segment.p0;
    const Vector3T<double>& p1 = segment.p1;
    const double u = closestParam(sphere.centre, p0, p1, eps);
    const Vector3T<double> nearest = u < 0.0 ? p0 : u > 1.0 ? p1 : p0 * (1.0 - u) + p1 * u;
    return sphere.radius * sphere.radius >= (nearest - sphere.centre).lengthSquared();
}

/// Grows `s` to contain the valid sphere `t` (nothing when t's radius is negative).
void merge(BSphereT<double>& s, const BSphereT<double>& t);
/// Grows `s` to contain the point `p`.
void addPoint(BSphereT<double>& s, const Vector3T<double>& p);
/// The sphere of a box: from the empty sphere, centre and half diagonal; from a valid
/// one, grown by the eight corners.
void sphereOfBox(BSphereT<double>& s, const BBoxT<double>& box);
/// Sphere `(centre, radius)` transformed by `m`: the affine image of the centre and the
/// largest coordinate offset of the image of centre + (r, r, r). Valid when the radius
/// is at least 0.
[[nodiscard]] inline BSphereT<double>
transformSphere(const Matrix4x4T<double>& m, const Vector3T<double>& centre, double radius) {
    const Vector3T<double> c = m.transformAffine(centre);
    const Vector3T<double> q = m.transformAffine(centre + Vector3T<double>(radius, radius, radius));
    BSphereT<double> result; // field by field: the constructor refuses negative radii
    result.centre = c;
    result.radius = std::max({std::abs(q.x - c.x), std::abs(q.y - c.y), std::abs(q.z - c.z)});
    result.valid = result.radius >= 0.0;
    return result;
}

} // namespace Ostra::Sim::GL::Geometry

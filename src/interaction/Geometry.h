#pragma once

// Geometric routines of picking and bounding spheres, all in double precision.

#include <tolu/math3d/BBoxT.h>
#include <tolu/math3d/BSphereT.h>
#include <tolu/math3d/FramePlane.h>
#include <tolu/math3d/FrustumT.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/PlaneT.h>
#include <tolu/math3d/Segment3T.h>
#include <tolu/math3d/Vector3T.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

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

/// The largest magnitude of a coordinate of `v`: the scale that margins are taken of.
[[nodiscard]] inline double largest(const Vector3T<double>& v) {
    return std::max({std::abs(v.x), std::abs(v.y), std::abs(v.z)});
}

/// Homogeneous transform of `p` by `m`; throws `ErrorBadMatrix` when the last row sends
/// the point to w within ±`tolerance`.
[[nodiscard]] Vector3T<double> transformPoint(const Matrix4x4T<double>& m,
                                              const Vector3T<double>& p, double tolerance = eps);
/// Affine image of `p` (rows 0 to 2 times (x, y, z, 1), no division).
[[nodiscard]] Vector3T<double> transformAffine(const Matrix4x4T<double>& m,
                                               const Vector3T<double>& p);
/// `v` scaled to length 1; throws `ErrorBadNullVector` below length `tolerance`.
[[nodiscard]] Vector3T<double> normalize(const Vector3T<double>& v, double tolerance = eps);

/// The world plane of one frustum side, made when dirty: the maths library's, so that the
/// render library's mesh test and picking read each other's planes.
using Tolu::framePlane;
/// n · (p − n·d): equal to n·p − d for the unit normals `framePlane` stores.
[[nodiscard]] inline double planeDistance(const PlaneT<double>& plane, const Vector3T<double>& p) {
    return plane.normal.dot(p - plane.normal * plane.d);
}
/// A frustum made ready for many point tests. Each side's plane is fetched (and made,
/// if dirty) when a point first reaches that side, as `pointInFrustum` does, and its
/// n·d kept; results are those of `pointInFrustum`. Call `forget` whenever the frustum
/// changes.
class FrustumProbe {
public:
    explicit FrustumProbe(FrustumT<double>& frustum) : frustum(frustum) {}

    /// Drops the planes taken so far: the next points fetch them again.
    void forget() noexcept {
        for (Term& term : terms) {
            term.ready = false;
        }
    }

    /// True when `p` lies inside or on every plane (tested left, right, top, bottom,
    /// near, far).
    [[nodiscard]] bool contains(const Vector3T<double>& p) {
        for (int i = 0; i < 6; ++i) {
            Term& term = terms[i];
            if (!term.ready) {
                fetch(term, sides[i]);
            }
            // planeDistance, with the plane's part already done.
            if (term.normal.dot(p - term.offset) > 0.0) {
                return false;
            }
        }
        return true;
    }

private:
    struct Side {
        int index;
        std::uint8_t bit;
    };
    struct Term {
        Vector3T<double> normal;
        Vector3T<double> offset; // normal * d
        bool ready = false;
    };
    using F = FrustumT<double>;
    static constexpr Side sides[6] = {
        {F::PlaneLeft, F::DirtyLeft}, {F::PlaneRight, F::DirtyRight},
        {F::PlaneTop, F::DirtyTop},   {F::PlaneBottom, F::DirtyBottom},
        {F::PlaneNear, F::DirtyNear}, {F::PlaneFar, F::DirtyFar}};

    void fetch(Term& term, const Side& side) {
        // Clean planes cost no call: most points fail at the first sides, which leaves
        // the others dirty for a long time.
        const PlaneT<double>& plane = (frustum.dirty & side.bit) ? framePlane(frustum, side.index)
                                                                 : frustum.planes[side.index];
        term.normal = plane.normal;
        term.offset = plane.normal * plane.d;
        term.ready = true;
    }

    FrustumT<double>& frustum;
    Term terms[6];
};

/// True when `p` lies inside or on every plane (tested left, right, top, bottom, near, far).
[[nodiscard]] inline bool pointInFrustum(FrustumT<double>& frustum, const Vector3T<double>& p) {
    return FrustumProbe(frustum).contains(p);
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
/// A segment made ready for many sphere tests: what depends on the segment alone is
/// worked out once, with the same operations, so results are those of
/// `segmentHitsSphere`. Make it again whenever the segment changes.
class SegmentProbe {
public:
    explicit SegmentProbe(const Segment3T<double>& segment)
        : p0(segment.p0), p1(segment.p1), dir(p1 - p0), len2(dir.lengthSquared()),
          degenerate(len2 >= -eps * eps && len2 <= eps * eps) {
        lo = {std::min(p0.x, p1.x), std::min(p0.y, p1.y), std::min(p0.z, p1.z)};
        hi = {std::max(p0.x, p1.x), std::max(p0.y, p1.y), std::max(p0.z, p1.z)};
        slack = {axisSlack(lo.x, hi.x), axisSlack(lo.y, hi.y), axisSlack(lo.z, hi.z)};
    }

    /// True when the segment meets the sphere (its nearest point lies within the radius).
    [[nodiscard]] bool hitsSphere(const BSphereT<double>& sphere) const {
        return hitsSphere(sphere.centre, sphere.radius);
    }
    /// The same for a sphere given by centre and radius (a NaN radius is never met).
    [[nodiscard]] bool hitsSphere(const Vector3T<double>& centre, double radius) const {
        if (clearOfBox(centre, radius)) {
            return false;
        }
        // closestParam(centre, p0, p1, eps), with the segment's part already done.
        const double u = degenerate ? 0.0 : (centre - p0).dot(dir) / len2;
        const Vector3T<double> nearest = u < 0.0 ? p0 : u > 1.0 ? p1 : p0 * (1.0 - u) + p1 * u;
        return radius * radius >= (nearest - centre).lengthSquared();
    }

private:
    // Margins of the box pre-test, relative and absolute. They dwarf the rounding of the
    // exact test (a few units of 1e-16 relative), so a sphere they call clear the exact
    // test would miss too; the floor keeps squared gaps from underflowing to 0.
    static constexpr double boxMargin = 1e-9;
    static constexpr double boxFloor = 1e-150;

    /// True when the sphere lies clear of the segment's box on some axis, by more than
    /// its radius and the margins: the nearest point of the segment, which lies in that
    /// box, is then out of reach. Most spheres of a pick are, and this is cheap.
    [[nodiscard]] bool clearOfBox(const Vector3T<double>& centre, double radius) const {
        // False for a NaN radius: the exact test then misses.
        return clearOnAxis(lo.x, hi.x, slack.x, centre.x, radius) ||
               clearOnAxis(lo.y, hi.y, slack.y, centre.y, radius) ||
               clearOnAxis(lo.z, hi.z, slack.z, centre.z, radius);
    }
    [[nodiscard]] static bool clearOnAxis(double lo, double hi, double slack, double c,
                                          double radius) {
        const double reach = radius + boxMargin * (std::abs(c) + radius) + slack;
        return lo - c > reach || c - hi > reach;
    }
    [[nodiscard]] static double axisSlack(double lo, double hi) {
        return boxMargin * (std::abs(lo) + std::abs(hi)) + boxFloor;
    }

    Vector3T<double> p0;
    Vector3T<double> p1;
    Vector3T<double> dir;
    double len2;
    bool degenerate;
    Vector3T<double> lo;
    Vector3T<double> hi;
    Vector3T<double> slack;
};

/// True when the segment meets the sphere (its nearest point lies within the radius).
[[nodiscard]] inline bool segmentHitsSphere(const Segment3T<double>& segment,
                                            const BSphereT<double>& sphere) {
    return SegmentProbe(segment).hitsSphere(sphere);
}

/// The cases of `merge` past the containment of `t` in `s`, `d` the distance of the
/// centres as there.
void mergeApart(BSphereT<double>& s, const BSphereT<double>& t, double d);
/// True when `d2`, a squared distance of centres, lies clearly within `gap`²: then
/// `bigger >= smaller + sqrt(d2)` holds too, for `gap` = bigger − smaller (the slack dwarfs
/// every rounding, and a sum below a double cannot round above it). The bounds keep gap²
/// normal and finite; NaNs fail. This spares the walks the root's latency.
[[nodiscard, gnu::always_inline]] inline bool clearlyWithin(double d2, double gap) {
    return gap >= 1e-140 && gap <= 1e140 && d2 <= gap * gap * (1.0 - 1e-9);
}
/// Grows `s` to contain the valid sphere `t` (nothing when t's radius is negative).
/// Never throws: centres closer than `eps` keep the larger sphere, grown to hold the
/// other; the radius is infinite only where no double can hold it.
[[gnu::always_inline]] inline void merge(BSphereT<double>& s, const BSphereT<double>& t) {
    // Inline up to the usual outcomes of a walk: one sphere holds the other.
    if (t.radius < 0.0) {
        return;
    }
    if (!s.valid) {
        s.centre = t.centre;
        s.radius = t.radius;
        s.valid = t.radius >= 0.0;
        return;
    }
    const Vector3T<double> diff = s.centre - t.centre;
    const double d2 = diff.lengthSquared();
    if (clearlyWithin(d2, s.radius - t.radius)) {
        return;
    }
    if (clearlyWithin(d2, t.radius - s.radius)) {
        s.centre = t.centre; // what mergeApart makes of it
        s.radius = t.radius;
        s.valid = true;
        return;
    }
    const double d = std::sqrt(d2); // diff.length()
    if (s.radius >= t.radius + d) {
        return;
    }
    // The spheres overlap or lie apart: mergeApart's last case, inline too.
    const double radius = (s.radius + d + t.radius) / 2.0;
    if (t.radius < s.radius + d && d >= eps && radius <= std::numeric_limits<double>::max()) {
        s.centre = t.centre + diff / d * (radius - t.radius);
        s.radius = radius;
        return;
    }
    // Copies, so that the callers' spheres need no address and stay in registers.
    BSphereT<double> grown = s;
    const BSphereT<double> other = t;
    mergeApart(grown, other, d);
    s = grown;
}
/// Grows `s` to contain the point `p`; never throws, as `merge`.
void addPoint(BSphereT<double>& s, const Vector3T<double>& p);
/// The sphere of a box: from the empty sphere, centre and half diagonal; from a valid
/// one, grown by the eight corners.
void sphereOfBox(BSphereT<double>& s, const BBoxT<double>& box);
/// Sphere `(centre, radius)` transformed by `m`: the affine image of the centre and the
/// largest coordinate offset of the image of centre + (r, r, r). Valid when the radius
/// is at least 0.
[[nodiscard, gnu::always_inline]] inline BSphereT<double>
transformSphere(const Matrix4x4T<double>& m, const Vector3T<double>& centre, double radius) {
    const Vector3T<double> c = m.transformAffine(centre);
    const Vector3T<double> q = m.transformAffine(centre + Vector3T<double>(radius, radius, radius));
    BSphereT<double> result; // field by field: the constructor refuses negative radii
    result.centre = c;
    result.radius = std::max({std::abs(q.x - c.x), std::abs(q.y - c.y), std::abs(q.z - c.z)});
    result.valid = result.radius >= 0.0;
    return result;
}

/// `transformSphere(m, {}, 1.0)`, a coordinate frame's sphere, without the products by 1
/// (x * 1 is x for every x the model can hold).
[[nodiscard, gnu::always_inline]] inline BSphereT<double>
transformUnitSphere(const Matrix4x4T<double>& m) {
    const double* e = m.m;
    const Vector3T<double> c = m.transformAffine({0.0, 0.0, 0.0});
    const Vector3T<double> q(e[0] + e[1] + e[2] + e[3], e[4] + e[5] + e[6] + e[7],
                             e[8] + e[9] + e[10] + e[11]);
    BSphereT<double> result;
    result.centre = c;
    result.radius = std::max({std::abs(q.x - c.x), std::abs(q.y - c.y), std::abs(q.z - c.z)});
    result.valid = result.radius >= 0.0;
    return result;
}

} // namespace Ostra::Sim::GL::Geometry

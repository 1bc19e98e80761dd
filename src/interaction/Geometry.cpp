#include "interaction/Geometry.h"

#include <tolu/math3d/Errors.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace Ostra::Sim::GL::Geometry {

namespace {

using Vec = Vector3T<double>;
using Frustum = FrustumT<double>;

} // namespace

Vec transformPoint(const Matrix4x4T<double>& m, const Vec& p, double tolerance) {
    const double* e = m.m;
    const double w = e[12] * p.x + e[13] * p.y + e[14] * p.z + e[15];
    if (w >= -tolerance && w <= tolerance) {
        throw Tolu::ErrorBadMatrix("Geometry::transformPoint: w = " + Tolu::formatMath3dValue(w) +
                                   " is within " + Tolu::formatMath3dValue(tolerance) + " of zero");
    }
    return {(e[0] * p.x + e[1] * p.y + e[2] * p.z + e[3]) / w,
            (e[4] * p.x + e[5] * p.y + e[6] * p.z + e[7]) / w,
            (e[8] * p.x + e[9] * p.y + e[10] * p.z + e[11]) / w};
}

Vec transformAffine(const Matrix4x4T<double>& m, const Vec& p) {
    return m.transformAffine(p);
}

Vec normalize(const Vec& v, double tolerance) {
    const double len = v.length();
    // Negated so that a NaN length is refused as well.
    if (!(len >= tolerance) || len == 0.0) {
        throw Tolu::ErrorBadNullVector("Geometry::normalize: length " +
                                       Tolu::formatMath3dValue(len) + " is below " +
                                       Tolu::formatMath3dValue(tolerance));
    }
    return v / len;
}

int clipToFrustum(Frustum& frustum, const Vec& a, const Vec& b, Vec& c0, Vec& c1) {
    c0 = a;
    c1 = b;
    int result = 2;
    for (const int side : {Frustum::PlaneLeft, Frustum::PlaneTop, Frustum::PlaneRight,
                           Frustum::PlaneBottom, Frustum::PlaneNear, Frustum::PlaneFar}) {
        const PlaneT<double>& plane = framePlane(frustum, side);
        const double d0 = planeDistance(plane, c0);
        const double d1 = planeDistance(plane, c1);
        if (d0 > 0.0 && d1 > 0.0) {
            return 0;
        }
        if (d0 > 0.0 || d1 > 0.0) {
            result = 1;
            const double den = plane.normal.dot(c1 - c0);
            // An edge lying in the plane has no crossing; keep its start rather than divide.
            const double u =
                (den < -eps || den > eps) ? (plane.d - plane.normal.dot(c0)) / den : 0.0;
            const Vec crossing = c0 * (1.0 - u) + c1 * u;
            (d0 > 0.0 ? c0 : c1) = crossing;
        }
    }
    return result;
}

namespace {

bool isFinite(const Vec& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The merge of `s` with the sphere (tc, tr) when the plain sums overflow: the distance of
// the centres or the sum of it and the radii is beyond the largest double. Worked out
// in halves, with the distance as a scaled norm, so that no finite input overflows on
// the way; only a radius that no double can hold comes out infinite.
void mergeFar(BSphereT<double>& s, const Vec& tc, double tr) {
    if (!isFinite(s.centre) || !isFinite(tc)) {
        // Only a place that overflowed gets here: no finite sphere holds it.
        s.centre = isFinite(s.centre) ? s.centre : isFinite(tc) ? tc : Vec();
        s.radius = std::numeric_limits<double>::infinity();
        return;
    }
    const Vec half = s.centre * 0.5 - tc * 0.5; // finite for any finite centres
    const double scale = largest(half);
    const double halfDist = scale > 0.0 ? scale * (half / scale).length() : 0.0;
    const double hs = s.radius * 0.5;
    const double ht = tr * 0.5;
    if (hs >= ht + halfDist) {
        return;
    }
    if (ht >= hs + halfDist || !(halfDist > 0.0)) {
        s.centre = tc;
        s.radius = std::max(s.radius, tr);
        return;
    }
    const double radius = hs + halfDist + ht;
    if (!(radius <= std::numeric_limits<double>::max())) {
        s.radius = std::numeric_limits<double>::infinity();
        return;
    }
    // From the midpoint towards s's centre by hs − ht, less than half the distance: no
    // step of the way leaves the span of the two centres.
    s.centre = s.centre * 0.5 + tc * 0.5 + half * ((hs - ht) / halfDist);
    s.radius = radius;
}

} // namespace

// Results are written field by field: the sphere's constructor refuses negative radii,
// which the empty sphere carries through here. The direction of the centres is `diff /
// d`, exactly what `normalize` gives, without its second square root; `normalize` would
// refuse centres closer than `eps`, which the containment tests do not all catch.
void mergeApart(BSphereT<double>& s, const BSphereT<double>& t, double d) {
    const Vec diff = s.centre - t.centre;
    if (t.radius >= s.radius + d) {
        s.centre = t.centre;
        s.radius = t.radius;
        s.valid = true;
        return;
    }
    if (d < eps) {
        // Too close for a direction: the larger sphere, grown to hold the smaller one.
        if (t.radius > s.radius) {
            s.centre = t.centre;
        }
        s.radius = std::min(s.radius, t.radius) + d;
        return;
    }
    const double radius = (s.radius + d + t.radius) / 2.0;
    if (radius <= std::numeric_limits<double>::max()) {
        s.centre = t.centre + diff / d * (radius - t.radius);
        s.radius = radius;
        return;
    }
    mergeFar(s, t.centre, t.radius);
}

void addPoint(BSphereT<double>& s, const Vec& p) {
    if (!s.valid) {
        s.centre = p;
        s.radius = 0.0;
        s.valid = true;
        return;
    }
    const Vec diff = s.centre - p;
    const double dist2 = diff.lengthSquared();
    // An overflowed square says nothing about containment: the far merge decides then.
    if (dist2 <= std::numeric_limits<double>::max()) {
        if (s.radius * s.radius >= dist2) {
            return;
        }
        const double d = std::sqrt(dist2);
        if (d < eps) {
            // Too close for a direction: the sphere, grown to reach the point.
            s.radius = std::max(s.radius, d);
            return;
        }
        const double radius = (d + s.radius) / 2.0;
        s.radius = radius;
        s.centre = p + diff / d * radius;
        return;
    }
    mergeFar(s, p, 0.0);
}

void sphereOfBox(BSphereT<double>& s, const BBoxT<double>& box) {
    if (!s.valid) {
        s.centre = (box.min + box.max) * 0.5;
        s.radius = (box.max - box.min).length() / 2.0;
        s.valid = true;
        return;
    }
    for (unsigned corner = 0; corner < 8; ++corner) {
        // Bit 0 picks max x, bit 1 max y, bit 2 max z: x varies fastest.
        addPoint(s, {(corner & 1u) ? box.max.x : box.min.x, (corner & 2u) ? box.max.y : box.min.y,
                     (corner & 4u) ? box.max.z : box.min.z});
    }
}

} // namespace Ostra::Sim::GL::Geometry

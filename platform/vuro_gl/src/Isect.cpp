#include <tolu/math3d/Errors.h>
#include <tolu/math3d/PlaneT.h>
#include <vuro_gl/gl/BodyProto.h>
#include <vuro_gl/gl/Isect.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace Vuro::GL {

namespace {

using Vec = Tolu::Vector3T<double>;
using Frustum = Tolu::FrustumT<double>;
using Plane = Tolu::PlaneT<double>;

constexpr double eps = 1e-10;
// Slack on barycentric coordinates so that a segment through an edge shared by two
// triangles is not lost to rounding in both.
constexpr double baryEps = 1e-9;

Vec toDouble(const Tolu::Vector3T<float>& v) {
    return Vec(v);
}

Vec homogeneous(const Tolu::Matrix4x4T<double>& m, const Vec& p, const char* function) {
    const Tolu::Vector4T<double> h = m.transform({p, 1.0});
    if (h.w >= -eps && h.w <= eps) {
        throw Tolu::ErrorBadMatrix(std::string(function) + ": w = " + Tolu::formatMath3dValue(h.w) +
                                   " is near zero");
    }
    return h.xyz() / h.w;
}

// Same construction as the scene layer's picking so that both read and write the
// frustum's cached planes interchangeably: three eye-space points per side, ordered so
// that the normal points out of the volume.
const Plane& framePlane(Frustum& frustum, int side, std::uint8_t bit) {
    Plane& plane = frustum.planes[side];
    if (!frustum.isDirty(bit)) {
        return plane;
    }
    const double l = frustum.l;
    const double r = frustum.r;
    const double b = frustum.b;
    const double t = frustum.t;
    const double n = frustum.n;
    const double f = frustum.f;
    const double s = f / n;
    Vec u;
    Vec v;
    Vec w;
    switch (side) {
    case Frustum::PlaneLeft:
        u = {l * s, b * s, -f};
        v = {l, t, -n};
        w = {l, b, -n};
        break;
    case Frustum::PlaneRight:
        u = {r * s, t * s, -f};
        v = {r, b, -n};
        w = {r, t, -n};
        break;
    case Frustum::PlaneTop:
        u = {l * s, t * s, -f};
        v = {r, t, -n};
        w = {l, t, -n};
        break;
    case Frustum::PlaneBottom:
        u = {r * s, b * s, -f};
        v = {l, b, -n};
        w = {r, b, -n};
        break;
    case Frustum::PlaneNear:
        u = {l, t, -n};
        v = {r, b, -n};
        w = {l, b, -n};
        break;
    default:
        u = {r * s, t * s, -f};
        v = {l * s, b * s, -f};
        w = {r * s, b * s, -f};
        break;
    }
    const char* const function = "Vuro::GL::BodyProto::isect";
    const Vec uw = homogeneous(frustum.toWorld, u, function);
    const Vec vw = homogeneous(frustum.toWorld, v, function);
    const Vec ww = homogeneous(frustum.toWorld, w, function);
    const Vec normal = (vw - ww).cross(uw - ww).normalized(eps);
    plane.normal = normal;
    plane.d = normal.dot(ww);
    frustum.dirty = static_cast<std::uint8_t>(frustum.dirty & ~bit);
    return plane;
}

bool insideFrustum(Frustum& frustum, const Vec& p) {
    struct Side {
        int index;
        std::uint8_t bit;
    };
    static constexpr Side sides[] = {
        {Frustum::PlaneLeft, Frustum::DirtyLeft}, {Frustum::PlaneRight, Frustum::DirtyRight},
        {Frustum::PlaneTop, Frustum::DirtyTop},   {Frustum::PlaneBottom, Frustum::DirtyBottom},
        {Frustum::PlaneNear, Frustum::DirtyNear}, {Frustum::PlaneFar, Frustum::DirtyFar}};
    for (const Side& side : sides) {
        if (framePlane(frustum, side.index, side.bit).signedDistance(p) > 0.0) {
            return false;
        }
    }
    return true;
}

// The nearest candidate so far, as a parameter along p0 -> p1 (not normalised).
struct Best {
    double param = std::numeric_limits<double>::infinity();
    Vec pos;
    Vec normal;
};

// Both faces count; the parameter is kept within the segment.
void hitTriangle(const Vec& p0, const Vec& dir, const Vec& a, const Vec& b, const Vec& c,
                 Best& best) {
    const Vec e1 = b - a;
    const Vec e2 = c - a;
    const Vec pvec = dir.cross(e2);
    const double det = e1.dot(pvec);
    // Relative to the sizes involved: a segment in the triangle's plane, or a triangle
    // collapsed to a line, has no single crossing.
    const double scale = dir.length() * e1.length() * e2.length();
    if (!(std::abs(det) > 1e-12 * scale)) {
        return;
    }
    const double inv = 1.0 / det;
    const Vec tvec = p0 - a;
    const double u = tvec.dot(pvec) * inv;
    if (u < -baryEps || u > 1.0 + baryEps) {
        return;
    }
    const Vec qvec = tvec.cross(e1);
    const double v = dir.dot(qvec) * inv;
    if (v < -baryEps || u + v > 1.0 + baryEps) {
        return;
    }
    const double t = e2.dot(qvec) * inv;
    if (t < 0.0 || t > 1.0 || t >= best.param) {
        return;
    }
    Vec normal = e1.cross(e2).normalized(0.0);
    if (normal.dot(dir) > 0.0) {
        normal = -normal;
    }
    best.param = t;
    best.pos = p0 + dir * t;
    best.normal = normal;
}

// A line or point counts when it is inside the view volume; its place in the order is
// its projection on the segment.
void hitPoint(Frustum& frustum, const Vec& p0, const Vec& dir, const Vec& p, Best& best) {
    const double len2 = dir.lengthSquared();
    const double t = len2 > eps * eps ? (p - p0).dot(dir) / len2 : 0.0;
    if (t >= best.param || !insideFrustum(frustum, p)) {
        return;
    }
    best.param = t;
    best.pos = p;
    best.normal = Vec();
}

// The point of edge a -> b closest to the line p0 + s dir, clamped to the edge.
Vec closestOnEdge(const Vec& p0, const Vec& dir, const Vec& a, const Vec& b) {
    const Vec e = b - a;
    const Vec w = a - p0;
    const double dd = dir.dot(dir);
    const double de = dir.dot(e);
    const double ee = e.dot(e);
    const double denom = dd * ee - de * de;
    double t = 0.0;
    if (ee > eps * eps && denom > 1e-12 * dd * ee) {
        t = (de * dir.dot(w) - dd * e.dot(w)) / denom;
    } else if (ee > eps * eps) {
        // Parallel to the pick line: every point is as close, so take the end met first.
        t = de < 0.0 ? 1.0 : 0.0;
    }
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    return a + e * t;
}

} // namespace

void clip(Tolu::Segment3T<double>& segment, Tolu::FrustumT<double>& frustum, const Vec& pos) {
    const Vec eye = homogeneous(frustum.toWorld.inverse(), pos, "Vuro::GL::clip");
    segment.p1 = pos;
    double depth = -eye.z;
    // A hit on the near plane would leave no volume; keep the far side just beyond it.
    if (!(depth > frustum.n)) {
        depth = frustum.n * (1.0 + 1e-9);
    }
    // Only the far plane moves: the side planes run through the eye.
    frustum.setFar(depth);
}

bool BodyProto::isect(Tolu::Segment3T<double>& segment, Tolu::FrustumT<double>& frustum,
                      const Tolu::Matrix4x4T<double>& bodyToWorld, Isect::Context& context,
                      Isect::Hit& hit) const {
    // The filter takes the prototype as the scene knows it, which is never const.
    if (context.filter && !context.filter(const_cast<BodyProto&>(*this))) {
        return false;
    }
    const Vec p0 = segment.p0;
    const Vec dir = segment.p1 - segment.p0;
    const auto world = [&](const Vertex& vertex) {
        return bodyToWorld.transformAffine(toDouble(vertex.pos));
    };
    Best best;
    for (unsigned s = 0; s < slotCount; ++s) {
        for (const GPrim& prim : tris[s]) {
            const std::vector<Vertex>& vertices = prim.getBuffer().vertices;
            const unsigned end = prim.getFirst() + prim.getCount();
            for (unsigned i = prim.getFirst(); i + 2 < end; i += 3) {
                hitTriangle(p0, dir, world(vertices[i]), world(vertices[i + 1]),
                            world(vertices[i + 2]), best);
            }
        }
        for (const GPrim& prim : lines[s]) {
            const std::vector<Vertex>& vertices = prim.getBuffer().vertices;
            const unsigned end = prim.getFirst() + prim.getCount();
            for (unsigned i = prim.getFirst(); i + 1 < end; i += 2) {
                hitPoint(frustum, p0, dir,
                         closestOnEdge(p0, dir, world(vertices[i]), world(vertices[i + 1])), best);
            }
        }
        for (const GPrim& prim : points[s]) {
            const std::vector<Vertex>& vertices = prim.getBuffer().vertices;
            const unsigned end = prim.getFirst() + prim.getCount();
            for (unsigned i = prim.getFirst(); i < end; ++i) {
                hitPoint(frustum, p0, dir, world(vertices[i]), best);
            }
        }
    }
    if (best.param == std::numeric_limits<double>::infinity()) {
        return false;
    }
    hit.pos = best.pos;
    hit.normal = best.normal;
    clip(segment, frustum, hit.pos);
    return true;
}

} // namespace Vuro::GL

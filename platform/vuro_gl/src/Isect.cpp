#include <tolu/math3d/Errors.h>
#include <tolu/math3d/FramePlane.h>
#include <tolu/math3d/PlaneT.h>
#include <vuro_gl/gl/BodyProto.h>
#include <vuro_gl/gl/Isect.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace Vuro::GL {

namespace {

using Vec = Tolu::Vector3T<double>;
using Frustum = Tolu::FrustumT<double>;

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

// A point counts when it lies on the inner side of every plane, by the planes' own rule
// (n . p - d <= 0). The planes come from the maths library, which the scene layer's picking
// uses as well: both read and write the frustum's cached planes interchangeably.
bool insideFrustum(Frustum& frustum, const Vec& p) {
    for (const int side : {Frustum::PlaneLeft, Frustum::PlaneRight, Frustum::PlaneTop,
                           Frustum::PlaneBottom, Frustum::PlaneNear, Frustum::PlaneFar}) {
        if (Tolu::framePlane(frustum, side).signedDistance(p) > 0.0) {
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

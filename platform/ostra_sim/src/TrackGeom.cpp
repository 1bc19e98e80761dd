#include "TrackGeom.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace Ostra::Sim::TrackGeom {

namespace {

using V3 = Tolu::Vector3T<double>;
using M4 = Tolu::Matrix4x4T<double>;

V3 bezierPoint(const Track::Seg& seg, double t) {
    const double u = 1 - t;
    return seg.ctrl1 * (3 * u * u * t) + seg.ctrl2 * (3 * u * t * t) + seg.end * (t * t * t);
}

V3 bezierDerivative(const Track::Seg& seg, double t) {
    const double u = 1 - t;
    return seg.ctrl1 * (3 * u * u) + (seg.ctrl2 - seg.ctrl1) * (6 * u * t) +
           (seg.end - seg.ctrl2) * (3 * t * t);
}

// Five-point Gauss-Legendre on [a, b]: exact to degree 9, and the speed of a cubic is
// smooth, so 32 intervals keep the table far below the required 1e-6 of the length.
double bezierLength(const Track::Seg& seg, double a, double b) {
    static constexpr std::array<double, 5> nodes{0.0, -0.5384693101056831, 0.5384693101056831,
                                                 -0.9061798459386640, 0.9061798459386640};
    static constexpr std::array<double, 5> weights{0.5688888888888889, 0.4786286704993665,
                                                   0.4786286704993665, 0.2369268850561891,
                                                   0.2369268850561891};
    const double half = 0.5 * (b - a);
    const double mid = 0.5 * (a + b);
    double sum = 0;
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        sum += weights[k] * bezierDerivative(seg, mid + half * nodes[k]).length();
    }
    return sum * half;
}

V3 bezierTangent(const Track::Seg& seg, double t) {
    V3 d = bezierDerivative(seg, t);
    if (d.lengthSquared() > 1e-24) {
        return d;
    }
    // A control point on an end point stops the curve there: the chord just beside it
    // still gives the direction it leaves or arrives in.
    constexpr double h = 1e-4;
    d = t < 0.5 ? bezierPoint(seg, t + h) - bezierPoint(seg, t)
                : bezierPoint(seg, t) - bezierPoint(seg, t - h);
    return d.lengthSquared() > 1e-24 ? d : V3(1, 0, 0);
}

// Orthonormal frame with x along `tangent` and z as close to the start frame's up as the
// tangent allows; a vertical tangent tips the old heading over to become up.
M4 frameAlong(const V3& origin, const V3& tangent) {
    const V3 x = tangent.normalized(0);
    V3 z = V3(0, 0, 1) - x * x.z;
    if (z.lengthSquared() < 1e-20) {
        z = V3(x.z > 0 ? -1.0 : 1.0, 0, 0);
    }
    z = z.normalized(0);
    const V3 y = z.cross(x);
    return {x.x, y.x, z.x, origin.x, x.y, y.y, z.y, origin.y, x.z, y.z, z.z, origin.z, 0, 0, 0, 1};
}

} // namespace

V3 localPos(const Track::Seg& seg, double t) {
    switch (seg.type) {
    case Track::SegStraight:
        return {seg.length * t, 0, 0};
    case Track::SegArc:
    case Track::SegHelix: {
        // Centre on the side the arc turns to; the angle's sign picks the side.
        const double phi = seg.radians * t;
        const double side = seg.radians < 0 ? -1.0 : 1.0;
        return {seg.radius * std::sin(std::abs(phi)), side * seg.radius * (1 - std::cos(phi)),
                seg.rise * t};
    }
    case Track::SegBezier:
        return bezierPoint(seg, t);
    }
    return {};
}

M4 localFrame(const Track::Seg& seg, double t) {
    switch (seg.type) {
    case Track::SegStraight:
        return M4::translation(localPos(seg, t));
    case Track::SegArc:
    case Track::SegHelix: {
        const double phi = seg.radians * t;
        const double speed = seg.radius * std::abs(seg.radians);
        V3 tangent(speed * std::cos(phi), speed * std::sin(phi), seg.rise);
        if (tangent.lengthSquared() < 1e-24) {
            tangent = V3(std::cos(phi), std::sin(phi), 0);
        }
        return frameAlong(localPos(seg, t), tangent);
    }
    case Track::SegBezier:
        return frameAlong(bezierPoint(seg, t), bezierTangent(seg, t));
    }
    return {};
}

void fillBezierTable(const Track::Seg& seg, double* out) {
    out[0] = 0;
    for (std::size_t k = 0; k < bezierIntervals; ++k) {
        const double a = double(k) / bezierIntervals;
        const double b = double(k + 1) / bezierIntervals;
        out[k + 1] = out[k] + bezierLength(seg, a, b);
    }
}

double bezierParamAt(const Track::Seg& seg, const double* table, double d) {
    const double* last = table + bezierIntervals;
    if (d <= 0 || *last <= 0) {
        return 0;
    }
    if (d >= *last) {
        return 1;
    }
    const std::size_t k = std::size_t(std::upper_bound(table, last, d) - table) - 1;
    const double t0 = double(k) / bezierIntervals;
    const double t1 = double(k + 1) / bezierIntervals;
    const double span = table[k + 1] - table[k];
    double t = span > 0 ? t0 + (d - table[k]) / span * (t1 - t0) : t0;
    // Newton on the length from t0: the table start is exact, the speed is the derivative.
    for (int iteration = 0; iteration < 4; ++iteration) {
        const double speed = bezierDerivative(seg, t).length();
        if (speed < 1e-12) {
            break;
        }
        const double error = table[k] + bezierLength(seg, t0, t) - d;
        t = std::clamp(t - error / speed, t0, t1);
    }
    return t;
}

} // namespace Ostra::Sim::TrackGeom

#include "TrackGeom.h"

#include <ostra_sim/Error.h>
#include <ostra_sim/Track.h>
#include <tolu/math3d/Errors.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace Ostra::Sim {

namespace {

using Tolu::formatMath3dValue;

// Distances and parameters a rounding step outside their range are taken as the end.
constexpr double tolerance = 1e-9;

bool isFinite(const Tolu::Vector3T<double>& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

Track::Track(SrcRef srcRef) : Body(std::move(srcRef)) {}
Track::~Track() = default;

void Track::addStraight(double length) {
    if (!std::isfinite(length) || length < 0) {
        throw Error(getSrcRef(), "Track::addStraight: bad length " + formatMath3dValue(length));
    }
    Seg seg;
    seg.type = SegStraight;
    seg.length = length;
    append(seg);
}

void Track::addArc(double radius, Tolu::DegreeT<double> angle) {
    appendCircular(SegArc, radius, angle, 0, "addArc");
}

void Track::addBezier(const Tolu::Vector3T<double>& ctrl1, const Tolu::Vector3T<double>& ctrl2,
                      const Tolu::Vector3T<double>& end) {
    if (!isFinite(ctrl1) || !isFinite(ctrl2) || !isFinite(end)) {
        throw Error(getSrcRef(), "Track::addBezier: control points must be finite");
    }
    Seg seg;
    seg.type = SegBezier;
    seg.ctrl1 = ctrl1;
    seg.ctrl2 = ctrl2;
    seg.end = end;
    seg.table = static_cast<std::uint32_t>(arcTable.size());
    arcTable.resize(arcTable.size() + TrackGeom::bezierIntervals + 1);
    TrackGeom::fillBezierTable(seg, arcTable.data() + seg.table);
    seg.length = arcTable.back();
    append(seg);
}

void Track::addHelix(double radius, Tolu::DegreeT<double> angle, double rise) {
    appendCircular(SegHelix, radius, angle, rise, "addHelix");
}

void Track::appendCircular(SegType type, double radius, Tolu::DegreeT<double> angle, double rise,
                           const char* function) {
    const std::string where = std::string("Track::") + function + ": ";
    if (!std::isfinite(radius) || radius <= 0) {
        throw Error(getSrcRef(), where + "bad radius " + formatMath3dValue(radius) +
                                     " (must be finite and positive)");
    }
    if (!std::isfinite(angle.value)) {
        throw Error(getSrcRef(), where + "bad angle " + formatMath3dValue(angle.value));
    }
    if (!std::isfinite(rise)) {
        throw Error(getSrcRef(), where + "bad rise " + formatMath3dValue(rise));
    }
    Seg seg;
    seg.type = type;
    seg.radius = radius;
    seg.angle = angle;
    seg.radians = angle.toRadians();
    seg.rise = rise;
    seg.length = std::hypot(radius * seg.radians, rise);
    append(seg);
}

void Track::clearSegs() {
    segs.clear();
    arcTable.clear();
    length = 0;
    touch();
}

void Track::append(Seg seg) {
    if (!segs.empty()) {
        const Seg& last = segs.back();
        seg.trackFromSeg = last.trackFromSeg * TrackGeom::localFrame(last, 1);
    }
    seg.startDist = length;
    segs.push_back(seg);
    length += seg.length;
    touch();
}

const Track::Seg& Track::at(std::size_t i, const char* function) const {
    if (i >= segs.size()) {
        throw Error(getSrcRef(), std::string("Track::") + function + ": segment index " +
                                     std::to_string(i) + " out of range (" +
                                     std::to_string(segs.size()) + " segments)");
    }
    return segs[i];
}

double Track::checkParam(double t, const char* function) const {
    if (!std::isfinite(t) || t < -tolerance || t > 1 + tolerance) {
        throw Error(getSrcRef(), std::string("Track::") + function + ": parameter " +
                                     formatMath3dValue(t) + " outside [0, 1]");
    }
    return std::clamp(t, 0.0, 1.0);
}

Tolu::Vector3T<double> Track::getPos(std::size_t i, double t) const {
    const Seg& seg = at(i, "getPos");
    return seg.trackFromSeg.transformAffine(TrackGeom::localPos(seg, checkParam(t, "getPos")));
}

Tolu::Matrix4x4T<double> Track::getTransform(std::size_t i, double t) const {
    const Seg& seg = at(i, "getTransform");
    return seg.trackFromSeg * TrackGeom::localFrame(seg, checkParam(t, "getTransform"));
}

const Track::Seg& Track::locate(double s, double& t, const char* function) const {
    if (segs.empty()) {
        throw Error(getSrcRef(), std::string("Track::") + function + ": the track has no segments");
    }
    // Long tracks sum many lengths: the tolerance scales with the length.
    const double slack = tolerance * std::max(1.0, length);
    if (!std::isfinite(s) || s < -slack || s > length + slack) {
        throw Error(getSrcRef(), std::string("Track::") + function + ": distance " +
                                     formatMath3dValue(s) + " outside [0, " +
                                     formatMath3dValue(length) + "]");
    }
    s = std::clamp(s, 0.0, length);
    // The last segment that starts at or before s.
    auto found = std::upper_bound(segs.begin(), segs.end(), s, [](double value, const Seg& seg) {
        return value < seg.startDist;
    });
    const Seg& seg = *(found == segs.begin() ? found : found - 1);
    const double d = std::clamp(s - seg.startDist, 0.0, seg.length);
    if (seg.type == SegBezier) {
        t = TrackGeom::bezierParamAt(seg, arcTable.data() + seg.table, d);
    } else {
        // Straights, arcs and helices run at constant speed in their parameter.
        t = seg.length > 0 ? d / seg.length : 0;
    }
    return seg;
}

Tolu::Vector3T<double> Track::getPos(double s) const {
    double t = 0;
    const Seg& seg = locate(s, t, "getPos");
    return seg.trackFromSeg.transformAffine(TrackGeom::localPos(seg, t));
}

Tolu::Matrix4x4T<double> Track::getTransformAt(double s) const {
    double t = 0;
    const Seg& seg = locate(s, t, "getTransformAt");
    return seg.trackFromSeg * TrackGeom::localFrame(seg, t);
}

} // namespace Ostra::Sim

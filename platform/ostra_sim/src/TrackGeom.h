#pragma once

#include <ostra_sim/Track.h>

#include <cstddef>

namespace Ostra::Sim::TrackGeom {

// Segment shapes in their own start frame (origin, heading +x, up +z).

/// Number of parameter intervals of a Bezier arc-length table (it has one more entry).
inline constexpr std::size_t bezierIntervals = 32;

Tolu::Vector3T<double> localPos(const Track::Seg& seg, double t);
Tolu::Matrix4x4T<double> localFrame(const Track::Seg& seg, double t);
/// Fills `out[0..bezierIntervals]` with the cumulative length at t = k / bezierIntervals.
void fillBezierTable(const Track::Seg& seg, double* out);
/// Curve parameter at distance `d` from the start of a Bezier segment.
double bezierParamAt(const Track::Seg& seg, const double* table, double d);

} // namespace Ostra::Sim::TrackGeom

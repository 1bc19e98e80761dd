#pragma once

// Geometric routines of picking and bounding spheres, all in double precision.

#include <tolu/math3d/BBoxT.h>
#include <tolu/math3d/BSphereT.h>
#include <tolu/math3d/FrustumT.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/PlaneT.h>
#include <tolu/math3d/Segment3T.h>
#include <tolu/math3d/Vector3T.h>

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
[[nodiscard]] Vector3T<double> transformPoint(const Matrix4x4T<double>& m, const Vector3T<double>& p,
                                              double tolerance = eps);
/// Affine image of `p` (rows 0 to 2 times (x, y, z, 1), no division).
[[nodiscard]] Vector3T<double> transformAffine(const Matrix4x4T<double>& m, const Vector3T<double>& p);
/// `v` scaled to length 1; throws `ErrorBadNullVector` below length `tolerance`.
[[nodiscard]] Vector3T<double> normalize(const Vector3T<double>& v, double tolerance = eps);

/// The world plane of one frustum side (index as `FrustumT::PlaneLeft` ...), recomputed
/// from l, r, b, t, n, f and `toWorld` when its dirty bit is set, which it clears.
const PlaneT<double>& framePlane(FrustumT<double>& frustum, int side);
/// True when `p` lies inside or on every plane (tested left, right, top, bottom, near, far).
[[nodiscard]] bool pointInFrustum(FrustumT<double>& frustum, const Vector3T<double>& p);
/// Clips the edge a→b to the frustum into c0→c1: 0 wholly outside, 1 clipped,
/// 2 wholly inside (planes left, top, right, bottom, near, far).
int clipToFrustum(FrustumT<double>& frustum, const Vector3T<double>& a, const Vector3T<double>& b,
                  Vector3T<double>& c0, Vector3T<double>& c1);
/// Parameter of the point of line p0→p1 nearest to `q`; 0 for a degenerate line
/// (|p1 − p0|² within ±tolerance²).
[[nodiscard]] double closestParam(const Vector3T<double>& q, const Vector3T<double>& p0,
                                  const Vector3T<double>& p1, double tolerance = eps);
/// True when the segment meets the sphere (its nearest point lies within the radius).
[[nodiscard]] bool segmentHitsSphere(const Segment3T<double>& segment, const BSphereT<double>& sphere);

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
[[nodiscard]] BSphereT<double> transformSphere(const Matrix4x4T<double>& m,
                                               const Vector3T<double>& centre, double radius);

} // namespace Ostra::Sim::GL::Geometry

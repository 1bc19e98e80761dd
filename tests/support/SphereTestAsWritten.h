#pragma once

#include "interaction/Geometry.h"

namespace Tolu::Test {

// The segment-sphere test of picking written out step by step, without the shortcuts
// of the picking walk (the segment's part worked out once, the box pre-test): what
// those shortcuts must answer exactly.
inline bool sphereTestAsWritten(const Vector3T<double>& p0, const Vector3T<double>& p1,
                                const Vector3T<double>& centre, double radius) {
    const double u = Ostra::Sim::GL::Geometry::closestParam(centre, p0, p1, 1e-10);
    const Vector3T<double> nearest = u < 0.0 ? p0 : u > 1.0 ? p1 : p0 * (1.0 - u) + p1 * u;
    return radius * radius >= (nearest - centre).lengthSquared();
}

} // namespace Tolu::Test

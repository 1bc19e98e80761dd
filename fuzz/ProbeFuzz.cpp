// The picking walk's segment probe against the sphere test as written: for any segment
// and sphere the probe must answer exactly as the plain test. Coordinates and radii are
// kept finite and within ±1e150, where no square overflows; a radius is never negative.

#include "FuzzInput.h"
#include "interaction/Geometry.h"
#include "support/SphereTestAsWritten.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using Ostra::Sim::GL::Geometry::SegmentProbe;
using Vec = Tolu::Vector3T<double>;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fuzz::Input in(data, size, 1e150);
    const unsigned mode = in.byte();
    const Vec p0 = in.vec();
    const Vec p1 = mode & 1 ? p0 + in.vec() * 1e-12 : in.vec(); // also near-degenerate
    const double radius = std::abs(in.number());
    Vec centre = in.vec();
    if (mode & 2) {
        // Near touching: from a point of the line (before, on or past the segment), a
        // radius away, give or take a few units of rounding.
        const double at = double(std::int8_t(in.byte())) / 64.0;
        const double factor = 1.0 + double(std::int8_t(in.byte())) * 0x1p-52;
        const double length = centre.length();
        const Vec side =
            length > 0 && std::isfinite(length) ? centre * (1.0 / length) : Vec(1, 0, 0);
        centre = p0 + (p1 - p0) * at + side * (radius * factor);
    }
    if (!(std::isfinite(centre.x) && std::isfinite(centre.y) && std::isfinite(centre.z))) {
        return 0;
    }
    const bool expected = Tolu::Test::sphereTestAsWritten(p0, p1, centre, radius);
    if (SegmentProbe(Tolu::Segment3T<double>(p0, p1)).hitsSphere(centre, radius) != expected) {
        std::fprintf(stderr, "probe and plain test disagree: expected %s\n",
                     expected ? "a hit" : "a miss");
        std::abort();
    }
    return 0;
}

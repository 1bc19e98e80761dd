// Bounding spheres grown by merging spheres and adding points, over any finite input:
// from one ulp apart to the ends of the double range. Nothing may throw, and after each
// step the sphere holds what it held before and what was added, up to a tolerance
// relative to the magnitudes involved (and an absolute 1e-150, below which squares
// underflow). While every input stays within ±1e307 the radius must stay finite too.
// Each merge must also give, bit for bit, what the merge that takes the root first gives:
// its containment tests without the root are shortcuts, not approximations.

#include "FuzzInput.h"
#include "interaction/Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>

namespace {

using Ostra::Sim::GL::Geometry::addPoint;
using Ostra::Sim::GL::Geometry::merge;
using Ostra::Sim::GL::Geometry::mergeApart;
using Sphere = Tolu::BSphereT<double>;
using Vec = Tolu::Vector3T<double>;

[[noreturn]] void fail(const char* what, const Sphere& s) {
    std::fprintf(stderr, "%s: sphere (%.17g, %.17g, %.17g) radius %.17g\n", what, s.centre.x,
                 s.centre.y, s.centre.z, s.radius);
    std::abort();
}

double magnitude(const Vec& v) {
    return std::max({std::abs(v.x), std::abs(v.y), std::abs(v.z)});
}

// True when `outer` holds the sphere (centre, radius). Worked out in long double, whose
// range holds every sum and square of doubles.
bool holds(const Sphere& outer, const Vec& centre, double radius) {
    if (std::isinf(outer.radius)) {
        return true;
    }
    using L = long double;
    const L dx = L(centre.x) - L(outer.centre.x);
    const L dy = L(centre.y) - L(outer.centre.y);
    const L dz = L(centre.z) - L(outer.centre.z);
    const L reach = std::sqrt(dx * dx + dy * dy + dz * dz) + L(radius);
    const L scale = L(magnitude(outer.centre)) + L(magnitude(centre)) + L(outer.radius) + L(radius);
    return reach <= L(outer.radius) + scale * 1e-12L + 1e-150L;
}

// A centre near `from`: a few ulps away, or a small absolute offset, or anywhere.
Vec place(Fuzz::Input& in, unsigned how, const Vec& from) {
    switch (how & 3u) {
    case 0: {
        const Vec step = in.vec();
        const double largest = magnitude(step);
        const double scale = largest > 0.0 ? magnitude(from) * 0x1p-50 / largest : 0.0;
        return from + step * (std::isfinite(scale) ? scale : 0.0);
    }
    case 1: {
        const Vec step = in.vec();
        const double largest = magnitude(step);
        return largest > 1e-9 ? from + step * (1e-9 / largest) : from + step;
    }
    default:
        return in.vec();
    }
}

// The merge as first written: the distance, then containment, then the other cases.
Sphere rootFirst(Sphere s, const Sphere& t) {
    if (!s.valid) {
        s.centre = t.centre;
        s.radius = t.radius;
        s.valid = t.radius >= 0.0;
    } else if (const double d = (s.centre - t.centre).length(); !(s.radius >= t.radius + d)) {
        mergeApart(s, t, d);
    }
    return s;
}

bool sameBits(const Sphere& a, const Sphere& b) {
    return a.valid == b.valid && std::memcmp(&a.centre, &b.centre, sizeof a.centre) == 0 &&
           std::memcmp(&a.radius, &b.radius, sizeof a.radius) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fuzz::Input in(data, size);
    Sphere s;
    Vec last;
    double largestInput = 0.0;
    while (!in.empty()) {
        const unsigned op = in.byte();
        const Vec centre = place(in, op >> 1, s.valid ? s.centre : last);
        double radius = (op & 1u) ? std::abs(in.number()) : 0.0;
        if ((op & 0x11u) == 0x11u && s.valid) {
            // Within a few ulps of touching the sphere from inside or outside: where a
            // containment test without the root could tell otherwise than the root.
            const double gap = std::abs(s.radius - (centre - s.centre).length());
            const double scaled = gap * (1.0 + double(std::int8_t(in.byte())) * 0x1p-52);
            radius = std::isfinite(scaled) ? scaled : radius;
        }
        largestInput = std::max({largestInput, magnitude(centre), radius});
        const Sphere before = s;
        try {
            if (op & 1u) {
                Sphere added;
                added.centre = centre;
                added.radius = radius;
                added.valid = true;
                const Sphere expected = rootFirst(s, added);
                merge(s, added);
                if (!sameBits(s, expected)) {
                    fail("differs from the merge that takes the root first", before);
                }
            } else {
                addPoint(s, centre);
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            fail("threw", before);
        }
        if (!s.valid || std::isnan(s.radius) || s.radius < 0.0 || !std::isfinite(s.centre.x) ||
            !std::isfinite(s.centre.y) || !std::isfinite(s.centre.z)) {
            fail("no sound sphere", s);
        }
        if (largestInput <= 1e307 && std::isinf(s.radius)) {
            fail("infinite radius for inputs within 1e307", s);
        }
        if (!holds(s, centre, radius)) {
            fail("does not hold what was added", s);
        }
        if (before.valid && !holds(s, before.centre, before.radius)) {
            fail("does not hold what it held", s);
        }
        last = centre;
    }
    return 0;
}

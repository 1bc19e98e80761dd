#pragma once

// A plain body's bounding sphere, inline: the project's walk over every body after a
// move computes it for each of them, and a call per body (with its sphere handed back
// through memory) cost as much as the arithmetic.

#include "interaction/Geometry.h"

#include <sim_gl/Body.h>
#include <sim_gl/BodyProto.h>
#include <sim_gl/Node.h>

#include <ostra_sim/Node.h>

#include <algorithm>
#include <cmath>

namespace Ostra::Sim::GL {

class BodySphere {
public:
    /// The body's geometry sphere in the world, made again when the body has moved.
    [[gnu::always_inline]] static const BSphereT<double>& placed(Body& body, const Sim::Node& sim) {
        const Sim::Stamp stamp = sim.getTransformStamp();
        if (body.placedStamp != stamp) {
            remake(body, sim, stamp);
        }
        return body.placedSphere;
    }

    /// What `Body::getBSphere` answers.
    [[gnu::always_inline]] static BSphereT<double> of(Body& body, unsigned mask, unsigned hlMask1,
                                                      unsigned hlMask0) {
        BSphereT<double> sphere;
        make(body, mask, hlMask1, hlMask0, sphere, nullptr);
        return sphere;
    }

    /// `of` into `sphere`, unless the body has to make its sphere afresh and whatever it
    /// would make lies clearly within `around`: then the body is left as it is and the
    /// answer is false. A walk merging into `around` would not change it by that sphere.
    [[gnu::always_inline]] static bool ofUnlessWithin(Body& body, unsigned mask, unsigned hlMask1,
                                                      unsigned hlMask0,
                                                      const BSphereT<double>& around,
                                                      BSphereT<double>& sphere) {
        return make(body, mask, hlMask1, hlMask0, sphere, &around);
    }

private:
    [[gnu::always_inline]] static bool make(Body& body, unsigned mask, unsigned hlMask1,
                                            unsigned hlMask0, BSphereT<double>& sphere,
                                            const BSphereT<double>* around) {
        const Sim::Node& sim = *body.simNode;
        const unsigned selected = (sim.isVisible() ? mask : 0u) |
                                  (body.isHighlighted(0) ? hlMask0 : 0u) |
                                  (body.isHighlighted(1) ? hlMask1 : 0u);
        const unsigned parts = selected & ((body.proto ? BodyGeo : 0u) | body.getFrameBit());
        sphere = BSphereT<double>();
        if (!parts) {
            return true;
        }
        // A body that stands still gives the same sphere for the same parts: the project
        // asks every body each frame, so the last answer is kept (and dropped when it moves).
        const Sim::Stamp stamp = sim.getTransformStamp();
        BSphereT<double> placed; // a copy, not read back from the body just written
        if (body.placedStamp == stamp) {
            if (parts == body.sphereParts) {
                sphere = body.partsSphere;
                return true;
            }
            placed = body.placedSphere;
        } else {
            if (around && around->valid && surelyWithin(*around, body, sim)) {
                return false;
            }
            placed = remake(body, sim, stamp);
        }
        if ((parts & BodyGeo) && placed.valid) {
            Geometry::merge(sphere, placed);
        }
        if (parts & ~BodyGeo) {
            Geometry::merge(sphere, Geometry::transformUnitSphere(sim.getTransform()));
        }
        body.partsSphere = sphere;
        body.sphereParts = parts;
        return true;
    }

    /// True when every sphere `make` could give the body, for any parts, lies clearly
    /// within `around`: so clearly that the merge's containment test holds whatever its
    /// roundings. The bound is cheap and loose: about the body's origin, twice the largest
    /// stretch of a row of the transform times what the geometry and the unit frame reach.
    /// No NaN hides from the maxima below: the model keeps transforms finite, and a
    /// geometry sphere with a NaN in its centre has a NaN or infinite radius. Sums that
    /// overflow make the reach infinite, and the test false.
    [[gnu::always_inline]] static bool surelyWithin(const BSphereT<double>& around,
                                                    const Body& body, const Sim::Node& sim) {
        const double* e = sim.getTransform().m;
        const Vector3T<double> origin(e[3], e[7], e[11]);
        const double stretch = std::max({std::abs(e[0]) + std::abs(e[1]) + std::abs(e[2]),
                                         std::abs(e[4]) + std::abs(e[5]) + std::abs(e[6]),
                                         std::abs(e[8]) + std::abs(e[9]) + std::abs(e[10])});
        double local = 1.0; // the frame's unit sphere
        if (const BodyProto* proto = body.proto.get(); proto && proto->localSphere.valid) {
            const BSphereT<double>& geometry = proto->localSphere;
            local += 2.0 * Geometry::largest(geometry.centre) + geometry.radius;
        }
        const double reach = 2.0 * stretch * local;
        // Far above every rounding of the spheres' making and of the merge's test.
        const double margin = 1e-9 * (around.radius + reach + Geometry::largest(around.centre) +
                                      Geometry::largest(origin));
        return Geometry::clearlyWithin((origin - around.centre).lengthSquared(),
                                       around.radius - reach - margin);
    }

    [[gnu::always_inline]] static BSphereT<double> remake(Body& body, const Sim::Node& sim,
                                                          Sim::Stamp stamp) {
        const BodyProto* proto = body.proto.get();
        BSphereT<double> sphere;
        if (proto && proto->localSphere.valid) {
            const BSphereT<double>& local = proto->localSphere;
            sphere = Geometry::transformSphere(sim.getTransform(), local.centre, local.radius);
        }
        body.placedSphere = sphere;
        body.placedStamp = stamp;
        body.sphereParts = 0;
        return sphere;
    }
};

} // namespace Ostra::Sim::GL

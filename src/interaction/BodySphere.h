#pragma once

// A plain body's bounding sphere, inline: the project's walk over every body after a
// move computes it for each of them, and a call per body (with its sphere handed back
// through memory) cost as much as the arithmetic.

#include "interaction/Geometry.h"

#include <sim_gl/Body.h>
#include <sim_gl/BodyProto.h>
#include <sim_gl/Node.h>

#include <ostra_sim/Node.h>

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
        const Sim::Node& sim = *body.simNode;
        const unsigned selected = (sim.isVisible() ? mask : 0u) |
                                  (body.isHighlighted(0) ? hlMask0 : 0u) |
                                  (body.isHighlighted(1) ? hlMask1 : 0u);
        const unsigned parts = selected & ((body.proto ? BodyGeo : 0u) | body.getFrameBit());
        BSphereT<double> sphere;
        if (!parts) {
            return sphere;
        }
        // A body that stands still gives the same sphere for the same parts: the project
        // asks every body each frame, so the last answer is kept (and dropped when it moves).
        const Sim::Stamp stamp = sim.getTransformStamp();
        BSphereT<double> placed; // a copy, not read back from the body just written
        if (body.placedStamp == stamp) {
            if (parts == body.sphereParts) {
                return body.partsSphere;
            }
            placed = body.placedSphere;
        } else {
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
        return sphere;
    }

private:
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

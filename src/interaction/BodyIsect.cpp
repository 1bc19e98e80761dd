#include "interaction/Geometry.h"
#include "interaction/IsectScope.h"
#include "render/ForcedHL.h"

#include <sim_gl/Body.h>
#include <sim_gl/BodyProto.h>
#include <sim_gl/Functions.h>

#include <ostra_sim/Body.h>
#include <vuro_gl/BodyProto.h>
#include <vuro_gl/gl/BodyProto.h>
#include <vuro_gl/gl/Isect.h>
#include <vuro_gl/gl/IsectContext.h>

namespace Ostra::Sim::GL {

// Picking and bounding spheres of bodies and their shared geometry.

void Body::isect(Segment3T<double>& segment, FrustumT<double>& frustum, Isect::Context& context,
                 Isect::Hit& hit) {
    const InheritedHLScope inherited(context, isHighlighted(context.mode));
    const Sim::Node& sim = *simNode;
    const bool qualifies = context.mode == Vuro::GL::allModes ? sim.isVisible() && sim.isPickable()
                                                              : context.inheritedHL;
    if (!qualifies) {
        return;
    }
    const Matrix4x4T<double>& world = sim.getTransform();
    if (context.classMask & getFrameBit()) {
        const Vector3T<double> origin = world.getTranslation();
        if (Geometry::pointInFrustum(frustum, origin)) {
            setPointHit(hit, origin, *this, context.mode);
            Vuro::GL::clip(segment, frustum, origin);
        }
    }
    if ((context.classMask & BodyGeo) && proto &&
        proto->isect(segment, frustum, world, context, hit)) {
        // The mesh test leaves position, normal and mode; the hit is the body's.
        hit.node.reset(this);
    }
}

BSphereT<double> Body::getBSphere(Context&, unsigned mask, unsigned hlMask1, unsigned hlMask0) {
    const Sim::Node& sim = *simNode;
    const unsigned selected = (sim.isVisible() ? mask : 0u) | (isHighlighted(0) ? hlMask0 : 0u) |
                              (isHighlighted(1) ? hlMask1 : 0u);
    BSphereT<double> sphere;
    const Matrix4x4T<double>& world = sim.getTransform();
    if ((selected & BodyGeo) && proto) {
        const Tolu::BBoxT<float>& box = proto->getBBox();
        if (box.valid) {
            BSphereT<double> local;
            Geometry::sphereOfBox(local, Tolu::BBoxT<double>(box));
            const BSphereT<double> placed =
                Geometry::transformSphere(world, local.centre, local.radius);
            if (placed.valid) {
                Geometry::merge(sphere, placed);
            }
        }
    }
    if (selected & getFrameBit()) {
        Geometry::merge(sphere, Geometry::transformSphere(world, {}, 1.0));
    }
    return sphere;
}

bool BodyProto::isect(Segment3T<double>& segment, FrustumT<double>& frustum,
                      const Matrix4x4T<double>& transform, Isect::Context& context,
                      Isect::Hit& hit) {
    const Vuro::BodyProto* model = glProto->get().get();
    if (!model || !model->getBBox().valid) {
        return false;
    }
    const Tolu::BBoxT<double> box(model->getBBox());
    const bool ordered = box.max.x >= box.min.x && box.max.y >= box.min.y && box.max.z >= box.min.z;
    if (!ordered) {
        return false;
    }
    // A cheap sphere test spares the mesh test for the many bodies far from the ray.
    BSphereT<double> local;
    Geometry::sphereOfBox(local, box);
    const BSphereT<double> sphere =
        Geometry::transformSphere(transform, local.centre, local.radius);
    if (!sphere.valid || !Geometry::segmentHitsSphere(segment, sphere)) {
        return false;
    }
    Vuro::GL::Isect::Hit meshHit;
    // The render library narrows segment and frustum itself on a hit.
    if (!glProto->isect(segment, frustum, transform, context, meshHit)) {
        return false;
    }
    hit.pos = meshHit.pos;
    hit.normal = meshHit.normal;
    hit.node.reset();
    hit.mode = context.mode;
    return true;
}

} // namespace Ostra::Sim::GL

#include "interaction/BodySphere.h"
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

#include <cstring>

namespace Ostra::Sim::GL {

// Picking and bounding spheres of bodies and their shared geometry.

namespace {

// Bit for bit, so that a box equal in value but not in sign of zero is made afresh.
bool sameBox(const Tolu::BBoxT<float>& a, const Tolu::BBoxT<float>& b) {
    return a.valid == b.valid && std::memcmp(&a.min, &b.min, sizeof a.min) == 0 &&
           std::memcmp(&a.max, &b.max, sizeof a.max) == 0;
}

} // namespace

bool BodyProto::isOrdered(const Tolu::BBoxT<double>& box) noexcept {
    return box.max.x >= box.min.x && box.max.y >= box.min.y && box.max.z >= box.min.z;
}

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
        proto->isectPlaced(segment, frustum, world, &getPlacedSphere(sim), context, hit)) {
        // The mesh test leaves position, normal and mode; the hit is the body's.
        hit.node.reset(this);
    }
}

BSphereT<double> Body::getBSphere(Context&, unsigned mask, unsigned hlMask1, unsigned hlMask0) {
    return BodySphere::of(*this, mask, hlMask1, hlMask0);
}

const BSphereT<double>& Body::getPlacedSphere(const Sim::Node& sim) {
    return BodySphere::placed(*this, sim);
}

const Tolu::BBoxT<float>& BodyProto::getPickBox() const {
    // Once the model geometry is gone (a body may keep this prototype after its model
    // prototype was exchanged), the copy made for drawing is what a person sees.
    const Vuro::BodyProto* model = glProto->get().get();
    return model ? model->getBBox() : glProto->getBBox();
}

BodyProto::SphereUse BodyProto::getSphereUse() const {
    const Tolu::BBoxT<float>& box = getPickBox();
    if (!box.valid) {
        return SphereUse::NeverHit;
    }
    if (!sameBox(box, glProto->getBBox())) {
        return SphereUse::TestDecides;
    }
    return boxOrdered ? SphereUse::SphereDecides : SphereUse::NeverHit;
}

bool BodyProto::isect(Segment3T<double>& segment, FrustumT<double>& frustum,
                      const Matrix4x4T<double>& transform, Isect::Context& context,
                      Isect::Hit& hit) {
    return isectPlaced(segment, frustum, transform, nullptr, context, hit);
}

bool BodyProto::isectPlaced(Segment3T<double>& segment, FrustumT<double>& frustum,
                            const Matrix4x4T<double>& transform, const BSphereT<double>* placed,
                            Isect::Context& context, Isect::Hit& hit) {
    // A cheap sphere test spares the mesh test for the many bodies far from the ray. The
    // body's ready sphere stands for the model's box only while that box is still the
    // one the render prototype copied (geometry added later changes the model's box).
    const SphereUse use = getSphereUse();
    if (use == SphereUse::NeverHit) {
        return false;
    }
    BSphereT<double> sphere;
    if (placed && use == SphereUse::SphereDecides) {
        sphere = *placed;
    } else {
        const Tolu::BBoxT<double> box(getPickBox());
        if (!isOrdered(box)) {
            return false;
        }
        BSphereT<double> local;
        Geometry::sphereOfBox(local, box);
        sphere = Geometry::transformSphere(transform, local.centre, local.radius);
    }
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

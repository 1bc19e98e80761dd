#include "interaction/BodySphere.h"
#include "interaction/Geometry.h"
#include "interaction/IsectScope.h"
#include "interaction/PickIndex.h"
#include "interaction/Prefetch.h"
#include "interaction/SphereCache.h"
#include "render/ForcedHL.h"
#include "scene/BusyScope.h"
#include "scene/ProjectImpl.h"

#include <sim_gl/Functions.h>
#include <sim_gl/JointTrack.h>
#include <sim_gl/Project.h>
#include <sim_gl/SensorTrack.h>
#include <sim_gl/Track.h>

#include <ostra_sim/Stamp.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/IsectContext.h>

#include <typeinfo>

namespace Ostra::Sim::GL {

namespace {

constexpr unsigned sensorParts = SensorGrips;
constexpr unsigned jointParts = JointLines | JointFrame;
constexpr unsigned bodyParts = TrackPath | BodyFrame | ProtoBodyFrame;
constexpr unsigned bodyBSphereParts = BodyGeo | bodyParts;

// Calls `isect` on every node of `list`, first to last. Tests change no list, so plain
// pointers walk it: a pick over thousands of bodies pays no reference counting.
template <class T>
void isectAll(const Sim::NodeListT<T, RefT<T>>& list, Segment3T<double>& segment,
              FrustumT<double>& frustum, Isect::Context& context, Isect::Hit& hit) {
    for (T* node = list.first.get(); node; node = node->getNext().get()) {
        node->isect(segment, frustum, context, hit);
    }
}

// The body list is almost all plain bodies: their test is called directly, so that it
// is inlined into the walk; tracks and any other kind go through the virtual call.
void isectBodies(const Sim::NodeListT<Body, RefT<Body>>& list, Segment3T<double>& segment,
                 FrustumT<double>& frustum, Isect::Context& context, Isect::Hit& hit) {
    for (Body* node = list.first.get(); node; node = node->getNext().get()) {
        if (typeid(*node) == typeid(Body)) {
            node->Body::isect(segment, frustum, context, hit);
        } else {
            node->isect(segment, frustum, context, hit);
        }
    }
}

// Merges the spheres of every node of `list`, first to last. `Own` names the kinds whose
// sphere reads only what a kept project sphere watches; the first of them is called
// directly (it is nearly every node); any other kind clears `known`.
template <class First, class... Own, class T>
void mergeOne(T* node, BSphereT<double>& sphere, Context& context, unsigned mask, unsigned hlMask1,
              unsigned hlMask0, bool& known) {
    const std::type_info& kind = typeid(*node);
    BSphereT<double> part;
    if (kind == typeid(First)) {
        part = node->First::getBSphere(context, mask, hlMask1, hlMask0);
    } else {
        known = known && ((kind == typeid(Own)) || ...);
        part = node->getBSphere(context, mask, hlMask1, hlMask0);
    }
    if (part.valid) {
        Geometry::merge(sphere, part);
    }
}

template <class First, class... Own, class T>
void mergeAll(const Sim::NodeListT<T, RefT<T>>& list, BSphereT<double>& sphere, Context& context,
              unsigned mask, unsigned hlMask1, unsigned hlMask0, bool& known) {
    for (T* node = list.first.get(); node; node = node->getNext().get()) {
        mergeOne<First, Own...>(node, sphere, context, mask, hlMask1, hlMask0, known);
    }
}

// The same walk over the flat copy of the body list: each body is fetched a few steps
// ahead, and its simulation node once the body has arrived. Each plain body's sphere is
// written to `record`, in list order; false when one cannot be kept.
bool mergeBodies(const std::vector<Body*>& order, BSphereT<double>& sphere, Context& context,
                 unsigned mask, unsigned hlMask1, unsigned hlMask0, bool& known,
                 SphereCache::BodySphere* record) {
    constexpr std::size_t ahead = 8;
    const std::size_t count = order.size();
    bool recorded = true;
    BSphereT<double> merged = sphere; // a local, whose address no call takes: in registers
    for (std::size_t i = 0; i < count; ++i) {
        if (i + 2 * ahead < count) {
            prefetchBytes(order[i + 2 * ahead], sizeof(Body));
        }
        if (i + ahead < count) {
            prefetchSimNode(order[i + ahead]->getSimNode().get());
        }
        Body* node = order[i];
        if (typeid(*node) != typeid(Body)) {
            record[i].radius = SphereCache::askNode;
            sphere = merged;
            mergeOne<Body, Track>(node, sphere, context, mask, hlMask1, hlMask0, known);
            merged = sphere;
            continue;
        }
        BSphereT<double> part;
        // After a move most bodies lie well inside the sphere so far: those make none.
        if (!BodySphere::ofUnlessWithin(*node, mask, hlMask1, hlMask0, merged, part)) {
            record[i].radius = SphereCache::later;
            continue;
        }
        if (part.valid) {
            Geometry::merge(merged, part);
            // A valid sphere has a radius of at least 0; anything else is not kept.
            recorded = recorded && part.radius >= 0.0;
            record[i] = {part.centre, part.radius};
        } else {
            record[i].radius = SphereCache::nothing;
        }
    }
    sphere = merged;
    return recorded;
}

// The walk again from the spheres it recorded: plain bodies merge their kept sphere (made
// and kept now if the recording walk did without it), the others are asked as before.
void mergeKeptBodies(const std::vector<Body*>& order, std::vector<SphereCache::BodySphere>& kept,
                     BSphereT<double>& sphere, Context& context, unsigned mask, unsigned hlMask1,
                     unsigned hlMask0, bool& known) {
    const std::size_t count = order.size();
    for (std::size_t i = 0; i < count; ++i) {
        SphereCache::BodySphere& entry = kept[i];
        if (entry.radius >= 0.0) {
            BSphereT<double> part; // field by field: the constructor checks the radius
            part.centre = entry.centre;
            part.radius = entry.radius;
            part.valid = true;
            Geometry::merge(sphere, part);
        } else if (entry.radius == SphereCache::askNode) {
            mergeOne<Body, Track>(order[i], sphere, context, mask, hlMask1, hlMask0, known);
        } else if (entry.radius == SphereCache::later) {
            // The body reads nothing the kept walk does not watch: its sphere holds as
            // long as the walk does.
            const BSphereT<double> part = BodySphere::of(*order[i], mask, hlMask1, hlMask0);
            if (part.valid) {
                Geometry::merge(sphere, part);
                entry = {part.centre, part.radius >= 0.0 ? part.radius : SphereCache::askNode};
            } else {
                entry.radius = SphereCache::nothing;
            }
        }
    }
}

} // namespace

void Project::isect(Segment3T<double>& segment, FrustumT<double>& frustum, Isect::Context& context,
                    Isect::Hit& hit) {
    const BusyScope busy(impl->busyWith, "Project::isect");
    // A project highlighted in mode 0 lends its highlight to every node in mode-0
    // queries and hides them from every other query.
    const InheritedHLScope inherited(context, isHighlighted(0));
    if (context.inheritedHL && context.mode != 0) {
        return;
    }
    const ClassMaskScope classMask(context);
    const unsigned mask = classMask.getSaved();
    context.classMask = mask & sensorParts;
    if (context.classMask) {
        isectAll(sensorList, segment, frustum, context, hit);
    }
    context.classMask = mask & jointParts;
    if (context.classMask) {
        isectAll(jointList, segment, frustum, context, hit);
    }
    // A pick for every visible node (the host's usual click) goes through the flat
    // index of the bodies; highlight-mode picks depend on flags it does not keep.
    const bool indexed = context.mode == Vuro::GL::allModes && impl->pickIndex->prepare(bodyList);
    bool checked = false;
    context.classMask = mask & bodyParts;
    if (context.classMask) {
        if (indexed) {
            checked = impl->pickIndex->framePass(bodyList, segment, frustum, context, hit);
        } else {
            isectBodies(bodyList, segment, frustum, context, hit);
        }
    }
    context.classMask = mask;
    // Meshes only when no frame, joint, path or grip was hit: those are drawn on top.
    if (hit.node) {
        return;
    }
    context.classMask = mask & BodyGeo;
    if (context.classMask) {
        if (indexed) {
            impl->pickIndex->meshPass(bodyList, segment, frustum, context, hit, checked);
        } else {
            isectBodies(bodyList, segment, frustum, context, hit);
        }
    }
}

BSphereT<double> Project::getBSphere(Context& context, unsigned mask, unsigned hlMask1,
                                     unsigned hlMask0) {
    // Frames ask again and again of a model that stands still: the last answers are kept.
    const auto state = [this] {
        return SphereCache::State{Sim::peekStamp(), impl->sceneChanges, bodyList.getChanges(),
                                  jointList.getChanges(), sensorList.getChanges()};
    };
    const SphereCache::State before = state();
    const SphereCache::Query query{mask, hlMask1, hlMask0,
                                   (context.passFlags & Context::PassForcedHL) != 0};
    if (const BSphereT<double>* kept = impl->sphereCache->find(before, query)) {
        return *kept;
    }
    const unsigned any = mask | hlMask1 | hlMask0;
    BSphereT<double> sphere;
    bool known = true;
    if (any & bodyBSphereParts) {
        SphereCache& cache = *impl->sphereCache;
        const std::vector<Body*>& order = cache.bodyOrder(bodyList);
        if (auto* kept = cache.bodySpheres(before, query)) {
            mergeKeptBodies(order, *kept, sphere, context, mask, hlMask1, hlMask0, known);
        } else {
            auto& record = cache.recordBodies(query);
            record.resize(order.size());
            if (mergeBodies(order, sphere, context, mask, hlMask1, hlMask0, known, record.data()) &&
                state() == before) {
                cache.keepBodies(before);
            }
        }
    }
    if (any & jointParts) {
        mergeAll<Joint, JointTrack>(jointList, sphere, context, mask, hlMask1, hlMask0, known);
    }
    if (any & sensorParts) {
        mergeAll<Sensor, SensorTrack>(sensorList, sphere, context, mask, hlMask1, hlMask0, known);
    }
    if (known && state() == before) {
        impl->sphereCache->store(before, query, sphere);
    }
    return sphere;
}

} // namespace Ostra::Sim::GL

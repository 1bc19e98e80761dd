#include "interaction/SphereCache.h"
#include "scene/BusyScope.h"
#include "scene/ProjectImpl.h"

#include <sim_gl/Functions.h>
#include <sim_gl/JointTrack.h>
#include <sim_gl/Project.h>
#include <sim_gl/SensorTrack.h>
#include <sim_gl/Track.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/JointTrack.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/Project.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Stamp.h>
#include <ostra_sim/Track.h>
#include <vuro_gl/gl/ClassMap.h>

#include <algorithm>
#include <iterator>
#include <typeinfo>

namespace Ostra::Sim::GL {

namespace {

// How many entries ahead of the walk their lines are asked for: far enough to cover a
// trip to memory, near enough that the lines are still there when needed.
constexpr std::size_t prefetchAhead = 16;

// What a kept node's refresh can do, recorded per node when the walk is recorded.
enum Idle : unsigned {
    IdleAlways = 0x1, // the refresh does nothing (a plain body, a sensor)
    // Nothing while neither the object nor what it reads has taken a stamp since the last
    // complete update (a plain joint: its stamps and its bodies' transform stamps).
    IdleUnstamped = 0x2,
};

// What differs between the three kinds: how the model list is walked, which objects
// get a node, how a kept node is refreshed and when that is idle, how a node is made,
// and where the walk reads a model object (to ask for it ahead).
struct BodyKind {
    static Sim::Body* first(Sim::Project& model) { return model.getBodyList().first.get(); }
    static Sim::Body* next(Sim::Body& body) { return body.getNext().get(); }
    static const void* walkedLine(const Sim::Node& body) {
        return &static_cast<const Sim::Body&>(body).getNext();
    }
    static bool isMirrored(const Sim::Body& body) { return body.getStatus() >= 2; }
    static bool unstamped(const Sim::Body&, Sim::Stamp) { return false; }
    static void refresh(Body& node) { node.update(); }
    // Exactly the classes whose refresh is known; a subclass may do anything.
    static unsigned idleness(const Body& node) {
        return typeid(node) == typeid(Body) ? IdleAlways : 0u;
    }
    static RefT<Body> create(Project& project, Sim::Body& body) {
        if (auto* track = dynamic_cast<Sim::Track*>(&body)) {
            return RefT<Body>(new Track(project, *track));
        }
        return RefT<Body>(new Body(project, body));
    }
};

struct JointKind {
    static Sim::Joint* first(Sim::Project& model) { return model.getJointList().first.get(); }
    static Sim::Joint* next(Sim::Joint& joint) { return joint.getNext().get(); }
    static const void* walkedLine(const Sim::Node& joint) {
        return &static_cast<const Sim::Joint&>(joint).getNext();
    }
    static bool isMirrored(const Sim::Joint& joint) { return joint.getStatus() >= 2; }
    // True if neither the joint nor its bodies' places took a stamp from `seen` on. A
    // live body node of the joint mirrors the joint's own body, since exchanging a body
    // stamps the joint; a body without a live node is not read by the refresh anyway.
    static bool unstamped(const Sim::Joint& joint, Sim::Stamp seen) {
        const auto before = [seen](const Sim::Body* body) {
            return !body || body->getTransformStamp() < seen;
        };
        return joint.getStamp() < seen && before(joint.getBody1().get()) &&
               before(joint.getBody2().get());
    }
    static void refresh(Joint& node) { (void)node.update(); }
    // A plain joint's refresh compares stamps only. A joint on a track also looks for
    // its track.
    static unsigned idleness(const Joint& node) {
        return typeid(node) == typeid(Joint) ? IdleUnstamped : 0u;
    }
    static RefT<Joint> create(Project& project, Sim::Joint& joint) {
        if (auto* onTrack = dynamic_cast<Sim::JointTrack*>(&joint)) {
            return RefT<Joint>(new JointTrack(project, *onTrack));
        }
        return RefT<Joint>(new Joint(project, joint));
    }
};

struct SensorKind {
    static Sim::Sensor* first(Sim::Project& model) { return model.getSensorList().first.get(); }
    static Sim::Sensor* next(Sim::Sensor& sensor) { return sensor.getNext().get(); }
    static const void* walkedLine(const Sim::Node& sensor) {
        return &static_cast<const Sim::Sensor&>(sensor).getNext();
    }
    static bool isMirrored(const Sim::Sensor& sensor) { return isMapped(sensor); }
    static bool unstamped(const Sim::Sensor&, Sim::Stamp) { return false; }
    static void refresh(Sensor&) {}
    static unsigned idleness(const Sensor&) { return IdleAlways; }
    static RefT<Sensor> create(Project& project, Sim::Sensor& sensor) {
        return newSensor(project, sensor);
    }
};

} // namespace

template <class Kind, class T>
void Project::Impl::sync(Project& project, Sim::NodeListT<T, RefT<T>>& list, Sim::Project* model,
                         UpdateResult& result, Walk& walk, Sim::Stamp seen) {
    auto* m = model ? Kind::first(*model) : nullptr;
    T* n = list.first.get();
    const bool recorded = walk.valid && walk.changes == list.getChanges();
    if (recorded && model && modelStill && walk.busy == 0) {
        // Nothing of the model changed and every node's refresh is idle: the walk below
        // would match each node to its object and refresh none, so a still scene's update
        // costs the same for any number of nodes.
        return;
    }

    if (recorded) {
        // The list is as the last update left it: the record stands for the nodes'
        // links and `simNode`s, and a node is visited only to be refreshed.
        // `skip`: left out unread. `IdleUnstamped` nodes of a model that changed are left
        // out when their stamps say so, and are not asked for ahead: most of them stay.
        const unsigned skip = modelStill ? (IdleAlways | IdleUnstamped) : IdleAlways;
        const WalkEntry* entry = walk.entries.data();
        const WalkEntry* const end = entry + walk.entries.size();
        bool refreshMoved = false;
        for (; m; m = Kind::next(*m)) {
            if (end - entry > std::ptrdiff_t(prefetchAhead)) {
                const WalkEntry& coming = entry[prefetchAhead];
                __builtin_prefetch(Kind::walkedLine(*coming.sim));
                if (!(coming.idle() & (skip | IdleUnstamped))) {
                    __builtin_prefetch(coming.node());
                    __builtin_prefetch(reinterpret_cast<const char*>(coming.node()) + 64);
                    __builtin_prefetch(reinterpret_cast<const char*>(coming.node()) + 128);
                }
            }
            if (!Kind::isMirrored(*m)) {
                continue;
            }
            if (entry == end || entry->sim != static_cast<Sim::Node*>(m)) {
                break; // the linked walk below takes over at this node
            }
            const WalkEntry& kept = *entry++;
            T& node = static_cast<T&>(*kept.node());
            const unsigned idle = kept.idle();
            if (!(idle & skip) && !((idle & IdleUnstamped) && Kind::unstamped(*m, seen))) {
                Kind::refresh(node);
                if (list.getChanges() != walk.changes) {
                    // The refresh changed the list: the record no longer holds.
                    n = node.getNext().get();
                    refreshMoved = true;
                    break;
                }
            }
        }
        if (refreshMoved) {
            m = Kind::next(*m);
        } else {
            n = entry == end ? nullptr : static_cast<T*>(entry->node());
        }
    }

    // Walk model and nodes in step: a node stays exactly when it mirrors the next
    // mirrored object; nodes in the way are retired.
    for (; m; m = Kind::next(*m)) {
        if (!Kind::isMirrored(*m)) {
            continue;
        }
        while (n && n->getSimNode().get() != static_cast<Sim::Node*>(m)) {
            n = retire(project, list, *n, result);
        }
        if (!n) {
            break; // `m` has no node yet: it and everything after it are created below
        }
        Kind::refresh(*n);
        n = n->getNext().get();
    }
    while (n) {
        n = retire(project, list, *n, result);
    }
    for (; m; m = Kind::next(*m)) {
        if (Kind::isMirrored(*m)) {
            RefT<T> made = Kind::create(project, *m);
            project.nodeMap.insert_or_assign(static_cast<const Sim::Node*>(m), made.get());
            result.second.emplace_back(std::move(made));
        }
    }
    if (!recorded || list.getChanges() != walk.changes) {
        walk.valid = false; // until recorded whole
        walk.entries.clear();
        walk.entries.reserve(list.getCount());
        walk.busy = 0;
        for (T* node = list.first.get(); node; node = node->getNext().get()) {
            const unsigned idle = Kind::idleness(*node);
            walk.entries.emplace_back(node->getSimNode().get(), node, idle);
            walk.busy += idle == 0 ? 1 : 0;
        }
        walk.changes = list.getChanges();
        walk.valid = true;
    }
}

template <class T>
T* Project::Impl::retire(Project& project, Sim::NodeListT<T, RefT<T>>& list, T& node,
                         UpdateResult& result) {
    RefT<T> held(&node);
    result.first.emplace_back(held);
    project.nodeMap.erase(node.getSimNode().get());
    return list.remove(held).get();
}

Project::UpdateResult Project::update() {
    Impl& book = *impl;
    const BusyScope busy(book.busyWith, "Project::update");
    // The shortcuts below trust the simulation model to take every stamp of every object
    // from its one process-wide counter (`Sim::peekStamp`), at the change it marks: an
    // unmoved counter then means an unchanged model, and a stamp below `seen` an
    // unchanged member. A model that stamped any other way would make them skip changes.
    const Sim::Stamp now = Sim::peekStamp();
    // Stamps below `seen` were all there when the last complete update began; none is
    // below 0 when there was none.
    const Sim::Stamp seen = book.stillKnown ? book.stillSince : 0;
    book.modelStill = book.stillKnown && now == book.stillSince;
    book.stillSince = now;
    book.stillKnown = false; // until this update completes
    struct StillEnds {
        bool& still;
        ~StillEnds() { still = false; } // only ever true inside an update
    } stillEnds{book.modelStill};
    // Refreshing nodes from a changed model changes what they read besides the model (a
    // track samples its path here): kept project spheres go, on every way out.
    struct ChangesScene {
        Project& project;
        bool still;
        ~ChangesScene() {
            if (!still) {
                project.sceneChanged();
                project.impl->sphereCache->updated();
            }
        }
    } changesScene{*this, book.modelStill};

    UpdateResult result;
    RefT<Sim::Project> model(simProject);
    if (model) {
        simStamp = model->getStamp();
    }
    book.sync<BodyKind>(*this, bodyList, model.get(), result, book.bodyWalk, seen);
    book.sync<JointKind>(*this, jointList, model.get(), result, book.jointWalk, seen);
    book.sync<SensorKind>(*this, sensorList, model.get(), result, book.sensorWalk, seen);
    Impl::updateDrivers(*this, model.get());
    // Model prototypes die with the bodies that showed them, on any thread; their GL
    // classes go here, on the thread that draws.
    classMap.releaseDead();
    book.stillKnown = true;
    return result;
}

void Project::Impl::updateDrivers(Project& project, Sim::Project* model) {
    project.uiDrvs.clear();
    std::vector<PtrT<Sim::PortDrvUI>> limited;
    bool all = false;
    if (model) {
        for (Sim::PortDrv* driver = model->getPortDrvs().first.get(); driver;
             driver = driver->getNext().get()) {
            auto* ui = dynamic_cast<Sim::PortDrvUI*>(driver);
            if (!ui || !ui->isEnabled()) {
                continue;
            }
            project.uiDrvs.emplace_back(ui);
            if (ui->canAll()) {
                all = true;
            } else {
                limited.emplace_back(ui);
            }
        }
    }
    // The draggable bodies follow the drivers, not the nodes: rebuilt only when the
    // drivers that produce them change.
    const bool same = project.dragAll == all && limited.size() == project.limitedUiDrvs.size() &&
                      std::equal(limited.begin(), limited.end(), project.limitedUiDrvs.begin(),
                                 [](const auto& a, const auto& b) { return a.get() == b.get(); });
    if (same) {
        return;
    }
    project.dragAll = all;
    project.limitedUiDrvs = std::move(limited);
    project.dragBodies.clear();
    if (all) {
        return;
    }
    std::vector<Body*> merged;
    std::vector<Body*> drivable;
    std::vector<Body*> joined;
    for (const auto& driver : project.limitedUiDrvs) {
        drivable.clear();
        for (const PtrT<Sim::Body>& listed : driver->getBodies()) {
            const Sim::Body* body = listed.get();
            if (!body || !body->getProto() || !body->isVisible() || !body->isPickable()) {
                continue;
            }
            const auto found = project.nodeMap.find(body);
            if (found != project.nodeMap.end() && found->second) {
                drivable.push_back(static_cast<Body*>(found->second));
            }
        }
        std::sort(drivable.begin(), drivable.end());
        drivable.erase(std::unique(drivable.begin(), drivable.end()), drivable.end());
        joined.clear();
        std::set_union(merged.begin(), merged.end(), drivable.begin(), drivable.end(),
                       std::back_inserter(joined));
        merged.swap(joined);
    }
    project.dragBodies.reserve(merged.size());
    for (Body* body : merged) {
        project.dragBodies.emplace_back(body);
    }
}

} // namespace Ostra::Sim::GL

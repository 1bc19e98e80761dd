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

#include <algorithm>
#include <iterator>

namespace Ostra::Sim::GL {

namespace {

const void* at(const void* object, std::ptrdiff_t offset) {
    return static_cast<const char*>(object) + offset;
}

// How many nodes ahead of the walk their lines are asked for: far enough to cover a
// trip to memory, near enough that the lines are still there when needed.
constexpr std::size_t prefetchNodes = 16;

// What differs between the three kinds: how the model list is walked, which objects
// get a node, how a kept node is refreshed, how a node is made, and which cache lines
// a refresh reads (to ask for them ahead).
struct BodyKind {
    static constexpr std::size_t lineCount = 3;
    // The node's first two lines (class header, `simNode`, `next`) and the line of the
    // simulation body's `next` and `status`.
    static void addLines(std::vector<const void*>& lines, Body& node) {
        lines.push_back(&node);
        lines.push_back(at(&node, 64));
        lines.push_back(&static_cast<Sim::Body&>(*node.getSimNode()).getNext());
    }
    static Sim::Body* first(Sim::Project& model) { return model.getBodyList().first.get(); }
    static Sim::Body* next(Sim::Body& body) { return body.getNext().get(); }
    static bool isMirrored(const Sim::Body& body) { return body.getStatus() >= 2; }
    static void refresh(Body& node) { node.update(); }
    static RefT<Body> create(Project& project, Sim::Body& body) {
        if (auto* track = dynamic_cast<Sim::Track*>(&body)) {
            return RefT<Body>(new Track(project, *track));
        }
        return RefT<Body>(new Body(project, body));
    }
};

struct JointKind {
    // Asking ahead for a joint's lines (its node, its simulation joint, both bodies)
    // measured slower than leaving them to the processor: none.
    static constexpr std::size_t lineCount = 0;
    static void addLines(std::vector<const void*>&, Joint&) {}
    static Sim::Joint* first(Sim::Project& model) { return model.getJointList().first.get(); }
    static Sim::Joint* next(Sim::Joint& joint) { return joint.getNext().get(); }
    static bool isMirrored(const Sim::Joint& joint) { return joint.getStatus() >= 2; }
    static void refresh(Joint& node) { (void)node.update(); }
    static RefT<Joint> create(Project& project, Sim::Joint& joint) {
        if (auto* onTrack = dynamic_cast<Sim::JointTrack*>(&joint)) {
            return RefT<Joint>(new JointTrack(project, *onTrack));
        }
        return RefT<Joint>(new Joint(project, joint));
    }
};

struct SensorKind {
    static constexpr std::size_t lineCount = 0;
    static void addLines(std::vector<const void*>&, Sensor&) {}
    static Sim::Sensor* first(Sim::Project& model) { return model.getSensorList().first.get(); }
    static Sim::Sensor* next(Sim::Sensor& sensor) { return sensor.getNext().get(); }
    static bool isMirrored(const Sim::Sensor& sensor) { return isMapped(sensor); }
    static void refresh(Sensor&) {}
    static RefT<Sensor> create(Project& project, Sim::Sensor& sensor) {
        return newSensor(project, sensor);
    }
};

} // namespace

template <class Kind, class T>
void Project::sync(Sim::NodeListT<T, RefT<T>>& list, Sim::Project* model, UpdateResult& result,
                   std::vector<const void*>& lines) {
    auto* m = model ? Kind::first(*model) : nullptr;
    T* n = list.first.get();
    const std::size_t removedBefore = result.first.size();
    const std::size_t createdBefore = result.second.size();
    // Lines of the node `prefetchNodes` places ahead, while the list is as last seen.
    std::size_t ahead = prefetchNodes * Kind::lineCount;

    // Walk model and nodes in step: a node stays exactly when it mirrors the next
    // mirrored object; nodes in the way are retired.
    for (; m; m = Kind::next(*m)) {
        if (!Kind::isMirrored(*m)) {
            continue;
        }
        while (n && n->getSimNode().get() != static_cast<Sim::Node*>(m)) {
            n = retire(list, *n, result);
        }
        if (!n) {
            break; // `m` has no node yet: it and everything after it are created below
        }
        if (ahead + Kind::lineCount <= lines.size()) {
            for (std::size_t k = 0; k < Kind::lineCount; ++k) {
                __builtin_prefetch(lines[ahead + k]);
            }
        }
        ahead += Kind::lineCount;
        Kind::refresh(*n);
        n = n->getNext().get();
    }
    while (n) {
        n = retire(list, *n, result);
    }
    for (; m; m = Kind::next(*m)) {
        if (Kind::isMirrored(*m)) {
            RefT<T> made = Kind::create(*this, *m);
            nodeMap.insert_or_assign(static_cast<const Sim::Node*>(m), made.get());
            result.second.emplace_back(std::move(made));
        }
    }
    if constexpr (Kind::lineCount > 0) {
        const bool changed = result.first.size() != removedBefore ||
                             result.second.size() != createdBefore ||
                             lines.size() != list.getCount() * Kind::lineCount;
        if (changed) {
            lines.clear();
            for (T* node = list.first.get(); node; node = node->getNext().get()) {
                Kind::addLines(lines, *node);
            }
        }
    }
}

template <class T>
T* Project::retire(Sim::NodeListT<T, RefT<T>>& list, T& node, UpdateResult& result) {
    RefT<T> held(&node);
    result.first.emplace_back(held);
    nodeMap.erase(node.getSimNode().get());
    return list.remove(held).get();
}

Project::UpdateResult Project::update() {
    const std::uint32_t now = Sim::peekStamp();
    modelStill = stillKnown && now == stillSince;
    stillSince = now;
    stillKnown = false; // until this update completes
    struct StillEnds {
        bool& still;
        ~StillEnds() { still = false; } // only ever true inside an update
    } stillEnds{modelStill};

    UpdateResult result;
    RefT<Sim::Project> model(simProject);
    if (model) {
        simStamp = model->getStamp();
    }
    sync<BodyKind>(bodyList, model.get(), result, bodyLines);
    std::vector<const void*> noLines;
    sync<JointKind>(jointList, model.get(), result, noLines);
    sync<SensorKind>(sensorList, model.get(), result, noLines);
    updateDrivers(model.get());
    stillKnown = true;
    return result;
}

void Project::updateDrivers(Sim::Project* model) {
    uiDrvs.clear();
    std::vector<PtrT<Sim::PortDrvUI>> limited;
    bool all = false;
    if (model) {
        for (Sim::PortDrv* driver = model->getPortDrvs().first.get(); driver;
             driver = driver->getNext().get()) {
            auto* ui = dynamic_cast<Sim::PortDrvUI*>(driver);
            if (!ui || !ui->isEnabled()) {
                continue;
            }
            uiDrvs.emplace_back(ui);
            if (ui->canAll()) {
                all = true;
            } else {
                limited.emplace_back(ui);
            }
        }
    }
    // The draggable bodies follow the drivers, not the nodes: rebuilt only when the
    // drivers that produce them change.
    const bool same = dragAll == all && limited.size() == limitedUiDrvs.size() &&
                      std::equal(limited.begin(), limited.end(), limitedUiDrvs.begin(),
                                 [](const auto& a, const auto& b) { return a.get() == b.get(); });
    if (same) {
        return;
    }
    dragAll = all;
    limitedUiDrvs = std::move(limited);
    dragBodies.clear();
    if (all) {
        return;
    }
    std::vector<Body*> merged;
    std::vector<Body*> drivable;
    std::vector<Body*> joined;
    for (const auto& driver : limitedUiDrvs) {
        drivable.clear();
        for (const PtrT<Sim::Body>& listed : driver->getBodies()) {
            const Sim::Body* body = listed.get();
            if (!body || !body->getProto() || !body->isVisible() || !body->isPickable()) {
                continue;
            }
            const auto found = nodeMap.find(body);
            if (found != nodeMap.end() && found->second) {
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
    dragBodies.reserve(merged.size());
    for (Body* body : merged) {
        dragBodies.emplace_back(body);
    }
}

} // namespace Ostra::Sim::GL

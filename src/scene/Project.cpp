#include "interaction/PickIndex.h"
#include "interaction/SphereCache.h"
#include "scene/BusyScope.h"
#include "scene/ProjectImpl.h"

#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/Project.h>
#include <vuro_gl/BodyProto.h>
#include <vuro_gl/gl/BodyProto.h>
#include <vuro_gl/gl/ClassMap.h>

namespace Ostra::Sim::GL {

Project::Impl::Impl()
    : pickIndex(std::make_unique<PickIndex>()), sphereCache(std::make_unique<SphereCache>()) {}

Project::Impl::~Impl() = default;

Project::Project(ClassMap& classMap) : classMap(classMap), impl(std::make_unique<Impl>()) {}

Project::~Project() {
    // Torn down explicitly so that the order is visible: the map first (node
    // destructors must not use find), the drag group, the node lists front to back,
    // then the prototypes.
    nodeMap.clear();
    dragTarget.reset();
    dragBodies.clear();
    limitedUiDrvs.clear();
    uiDrvs.clear();
    sensorList.clear();
    jointList.clear();
    bodyList.clear();
    // Prototypes still alive belong to bodies the host holds: they outlive the
    // project and must not reach back into it.
    for (BodyProto* proto = protoList.first.get(); proto; proto = proto->next.get()) {
        proto->project = nullptr;
    }
    protoList.clear();
    protoMap.clear();
    simProject.reset();
}

void Project::sceneChanged() noexcept {
    ++impl->sceneChanges;
}

void Project::set(const RefT<Sim::Project>& project) {
    const BusyScope busy(impl->busyWith, "Project::set");
    Sim::Project* current = simProject.get();
    if (current && current == project.get()) {
        return;
    }
    simStamp = 0;
    // Another model: that none of it changed since the last update says nothing.
    impl->stillKnown = false;
    nodeMap.clear();
    bodyList.clear();
    jointList.clear();
    sensorList.clear();
    simProject = project;
}

RefT<Node> Project::find(Sim::Node* simNode) const {
    const auto found = nodeMap.find(simNode);
    return found == nodeMap.end() ? RefT<Node>() : RefT<Node>(found->second);
}

bool Project::isDrag() const noexcept {
    // The simulation body may die on another thread: test without touching it.
    return static_cast<bool>(dragTarget);
}

RefT<BodyProto> Project::makeGLBodyProto(const RefT<Vuro::BodyProto>& proto) {
    if (!proto) {
        return {};
    }
    const PtrT<Vuro::BodyProto> key(proto);
    auto found = protoMap.lower_bound(key);
    const bool sameAddress = found != protoMap.end() && found->first.getKey() == key.getKey();
    if (sameAddress && found->first.get() == proto.get()) {
        return RefT<BodyProto>(found->second.get());
    }
    // Nothing is cached on a miss without GL geometry: the class map is asked again.
    const RefT<Vuro::GL::BodyProto> glProto(classMap.get(RefT<Vuro::DataClass>(proto)));
    if (!glProto) {
        return {};
    }
    if (sameAddress) {
        // The entry is of a dead model prototype whose address the allocator handed to
        // this one; its scene prototype may live on in a body but no longer answers here.
        found = protoMap.erase(found);
    }
    RefT<BodyProto> made(new BodyProto(*this, glProto));
    protoList.pushBack(PtrT<BodyProto>(made));
    protoMap.emplace_hint(found, key, PtrT<BodyProto>(made));
    return made;
}

} // namespace Ostra::Sim::GL

#include "interaction/PickIndex.h"
#include "render/ForcedHL.h"
#include "scene/BusyScope.h"
#include "scene/ProjectImpl.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Error.h>
#include <ostra_sim/ExprState.h>
#include <ostra_sim/PortDrvUI.h>
#include <tolu/util/Text.h>
#include <vuro_gl/gl/IsectContext.h>

#include <cmath>

namespace Ostra::Sim::GL {

namespace {

bool sameValue(bool a, bool b) noexcept {
    return a == b;
}

bool sameValue(const PtrT<Sim::Body>& a, const PtrT<Sim::Body>& b) noexcept {
    return a.get() == b.get();
}

// Stricter than ==: a zero that changes sign is still announced, and NaN never matches,
// so writing NaN always counts as a change.
bool sameComponent(double a, double b) noexcept {
    return a == b && std::signbit(a) == std::signbit(b);
}

bool sameValue(const Vector3T<double>& a, const Vector3T<double>& b) noexcept {
    return sameComponent(a.x, b.x) && sameComponent(a.y, b.y) && sameComponent(a.z, b.z);
}

// Writes one drag state of a driver. Listeners of the change signal see the new value
// and its step already in place, and the previous value in the signal data.
template <class P>
void setStateValue(StateT<P>& state, const Step& step, const typename P::Type& value) {
    if (isBoundToExpr(state) && !state.isOverridePermitted()) {
        const char* args[] = {state.getName().c_str()};
        throw Sim::Error(state.getOwnerSrcRef(),
                         Tolu::_compose(Tolu::getLocText("_ErrorState_1_BoundToExpr"), 1, args));
    }
    if (sameValue(state.getValue(), value)) {
        return;
    }
    typename StateT<P>::SigData data;
    data.previous = state.getValue();
    state.storeValue(value);
    state.setStep(step);
    state.getSignal().emit(data);
}

// Every write is marked as the user interface's, changed or not: the mark is what
// keeps the source from taking the state back.
template <class P>
void writeState(StateT<P>& state, const Step& step, const typename P::Type& value) {
    setStateValue(state, step, value);
    state.setOverride();
}

} // namespace

bool Project::startDrag(Segment3T<double>& segment, FrustumT<double>& frustum) {
    const BusyScope busy(impl->busyWith, "Project::startDrag");
    Isect::Context context(Vuro::GL::allModes, BodyGeo, Vuro::GL::Isect::FlagNone,
                           Vuro::GL::Isect::Context::Filter());
    Isect::Hit hit;
    // Bodies are tested one by one rather than through the project's own pick, so the
    // project's highlight plays no part. The walks hold strong references: a host's own
    // kind of body may run any code in its test.
    if (dragAll) {
        // The whole list in list order with the mesh bit alone is the pick's mesh pass:
        // the flat index gives the walk's answer unless the list holds kinds it does not
        // know. Through the index only the library's own tests run, with no filter, so it
        // needs no strong references. The set of draggable bodies has its own order,
        // which may break ties differently: it takes the walk.
        if (impl->pickIndex->prepare(bodyList)) {
            impl->pickIndex->meshPass(bodyList, segment, frustum, context, hit, false);
        } else {
            for (RefT<Body> node(bodyList.first.get()); node; node.reset(node->getNext().get())) {
                node->isect(segment, frustum, context, hit);
            }
        }
    } else {
        for (const PtrT<Body>& candidate : dragBodies) {
            // Nodes removed by an update since the set was built read as null.
            const RefT<Body> node(candidate);
            if (node) {
                node->isect(segment, frustum, context, hit);
            }
        }
    }

    const RefT<Sim::Body> target =
        hit.node ? RefT<Sim::Body>(hit.node->getSimNode()) : RefT<Sim::Body>();
    dragTarget.reset(target.get());
    touchPos = hit.pos;
    touchNormal = hit.normal;
    const bool grabbed = static_cast<bool>(target);
    const PtrT<Sim::Body> targetRef(target);

    // Each driver is held strongly while its states' listeners run model code.
    for (const PtrT<Sim::PortDrvUI>& weak : uiDrvs) {
        const RefT<Sim::PortDrvUI> driver(weak);
        if (!driver) {
            continue;
        }
        const bool applies = grabbed && (driver->canAll() || driver->hasBody(target.get()));
        writeState(driver->getDragActive(), driver->getStepActive(), applies);
        writeState(driver->getDragBody(), driver->getStepBody(),
                   applies ? targetRef : PtrT<Sim::Body>());
        if (applies) {
            writeState(driver->getDragTouchPos(), driver->getStepTouchPos(), touchPos);
            writeState(driver->getDragOffset(), driver->getStepOffset(), Vector3T<double>());
        }
    }
    return grabbed;
}

void Project::drag(const Vector3T<double>& offset) {
    const BusyScope busy(impl->busyWith, "Project::drag");
    if (!dragTarget) {
        return;
    }
    // The offset may be a reference into a state that a listener changes.
    const Vector3T<double> value = offset;
    for (const PtrT<Sim::PortDrvUI>& weak : uiDrvs) {
        const RefT<Sim::PortDrvUI> driver(weak);
        if (driver && driver->getDragActive().getValue()) {
            writeState(driver->getDragOffset(), driver->getStepOffset(), value);
        }
    }
}

void Project::stopDrag() {
    const BusyScope busy(impl->busyWith, "Project::stopDrag");
    dragTarget.reset();
    // Only the active flag goes back: the drivers may still want to know what was
    // dragged where.
    for (const PtrT<Sim::PortDrvUI>& weak : uiDrvs) {
        const RefT<Sim::PortDrvUI> driver(weak);
        if (driver && driver->getDragActive().getValue()) {
            writeState(driver->getDragActive(), driver->getStepActive(), false);
        }
    }
}

} // namespace Ostra::Sim::GL

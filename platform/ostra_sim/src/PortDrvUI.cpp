#include <ostra_sim/Error.h>
#include <ostra_sim/PortDrvUI.h>
#include <tolu/math3d/Errors.h>

#include <iterator>
#include <utility>

namespace Ostra::Sim {

PortDrvUI::PortDrvUI(SrcRef srcRef)
    : PortDrv(std::move(srcRef)), dragActive(Tolu::makeRef<FlagState>("dragActive", getSrcRef())),
      dragBody(Tolu::makeRef<BodyState>("dragBody", getSrcRef())),
      dragTouchPos(Tolu::makeRef<PointState>("dragTouchPos", getSrcRef())),
      dragOffset(Tolu::makeRef<PointState>("dragOffset", getSrcRef())) {
    // Writers that announce a change get the grab taken at that moment, before the body
    // moves on; applyDrag catches writers that only store.
    slotActive = dragActive->getSignal().connect([this](auto&) { grab(); });
    slotBody = dragBody->getSignal().connect([this](auto&) { grab(); });
    slotTouchPos = dragTouchPos->getSignal().connect([this](auto&) { grab(); });
}

PortDrvUI::~PortDrvUI() {
    // The states may outlive the driver in other hands: their slots must not call it.
    dragActive->getSignal().disconnect(slotActive);
    dragBody->getSignal().disconnect(slotBody);
    dragTouchPos->getSignal().disconnect(slotTouchPos);
}

void PortDrvUI::setEnabled(bool on) {
    enabled = on ? 1 : 0;
    touch();
}

void PortDrvUI::setCanAll(bool on) {
    all = on;
    touch();
}

void PortDrvUI::addBody(const Tolu::RefT<Body>& body) {
    if (!body) {
        throw Error(getSrcRef(), "PortDrvUI::addBody: null body");
    }
    // A dead entry keeps its old address as key; a new body born there would be taken
    // for it and never inserted.
    std::erase_if(bodies, [](const Tolu::PtrT<Body>& entry) { return !entry; });
    bodies.insert(Tolu::PtrT<Body>(body));
    touch();
}

void PortDrvUI::removeBody(const Tolu::RefT<Body>& body) {
    if (!body) {
        return;
    }
    const auto found = bodies.find(Tolu::PtrT<Body>(body));
    if (found != bodies.end() && found->get() == body.get()) {
        bodies.erase(found);
        touch();
    }
}

bool PortDrvUI::hasBody(const Body* body) const {
    if (!body) {
        return false;
    }
    const auto found = bodies.find(Tolu::PtrT<Body>(const_cast<Body*>(body)));
    return found != bodies.end() && found->get() == body;
}

void PortDrvUI::grab() {
    const Tolu::RefT<Body> body = dragBody->getValue().lock();
    grabbed = false;
    if (!dragActive->getValue() || !body) {
        return;
    }
    try {
        grabInBody = body->getTransform().inverse().transformAffine(dragTouchPos->getValue());
    } catch (const Tolu::ErrorBadMatrix&) {
        throw Error(body->getSrcRef(), "PortDrvUI: cannot drag a body with a singular transform");
    }
    grabBody = body;
    grabTouchPos = dragTouchPos->getValue();
    grabbed = true;
}

bool PortDrvUI::applyDrag() {
    const Tolu::RefT<Body> body = dragBody->getValue().lock();
    if (!enabled || !dragActive->getValue() || !body) {
        grabbed = false;
        return false;
    }
    if (!grabbed || grabBody.get() != body.get() || !(grabTouchPos == dragTouchPos->getValue())) {
        grab();
    }
    const Tolu::Vector3T<double> target = dragTouchPos->getValue() + dragOffset->getValue();
    const Tolu::Vector3T<double> delta = target - body->getTransform().transformAffine(grabInBody);
    if (delta == Tolu::Vector3T<double>()) {
        return false;
    }
    Tolu::Matrix4x4T<double> worldFromBody = body->getTransform();
    worldFromBody.setTranslation(worldFromBody.getTranslation() + delta);
    body->setTransform(worldFromBody);
    return true;
}

} // namespace Ostra::Sim

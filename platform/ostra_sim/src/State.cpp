#include <ostra_sim/Error.h>
#include <ostra_sim/State.h>

#include <utility>

namespace Ostra::Sim {

State::State(std::string name, SrcRef ownerSrcRef)
    : name(std::move(name)), ownerSrcRef(std::move(ownerSrcRef)) {}

State::~State() = default;

void State::bind(const Tolu::RefT<State>& newSource) {
    // A cycle of strong source references would never be freed and never settle.
    for (const State* state = newSource.get(); state; state = state->source.get()) {
        if (state == this) {
            throw Error(ownerSrcRef, "State::bind: binding '" + name + "' would make a cycle");
        }
    }
    source = newSource;
}

void State::setOverridePermitted(bool on) {
    overridePermitted = on;
}

void State::setStep(const Step& newStep) {
    step = &newStep;
    ++stepCount;
}

void State::setOverride() noexcept {
    overridden = true;
    ++overrideCount;
}

} // namespace Ostra::Sim

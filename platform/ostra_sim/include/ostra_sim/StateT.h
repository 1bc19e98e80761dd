#pragma once

#include <ostra_sim/State.h>
#include <ostra_sim/StateSigData.h>
#include <tolu/util/Signal.h>

#include <string>
#include <utility>

namespace Ostra::Sim {

/// A state holding a value of type `P::Type`, with a change signal. Writers store the value
/// and then decide themselves about steps and emitting the signal.
template <class P> class OSTRA_SIM_EXPORT StateT : public State {
public:
    /// The value type.
    using Value = typename P::Type;
    /// What the change signal carries.
    using SigData = StateSigData<Value>;

    /// A state named `name` of the object `ownerSrcRef` names, holding a default value.
    explicit StateT(std::string name, SrcRef ownerSrcRef = {})
        : State(std::move(name), std::move(ownerSrcRef)) {}

    /// Plain store: no stamp, no signal.
    void storeValue(const Value& newValue) { value = newValue; }

    /// The value.
    [[nodiscard]] const Value& getValue() const noexcept { return value; }
    /// Emitted by writers after a change, with the value before it.
    [[nodiscard]] Tolu::SignalT<SigData>& getSignal() noexcept { return signal; }

protected:
    ~StateT() override;

private:
    Value value{};
    Tolu::SignalT<SigData> signal;
};

template <class P> StateT<P>::~StateT() = default;

} // namespace Ostra::Sim

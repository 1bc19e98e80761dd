#pragma once

#include <ostra_sim/StateT.h>

#include <functional>
#include <string>
#include <utility>

namespace Ostra::Sim {

/// A state whose value is an expression; `S` is the `StateT` it extends. A state whose
/// source is an `ExprState` of its own value type is bound to an expression.
template <class S> class OSTRA_SIM_EXPORT ExprState : public S {
public:
    /// The value type.
    using Value = typename S::Value;

    /// A state named `name` of the object `ownerSrcRef` names, valued by `expression`.
    explicit ExprState(std::function<Value()> expression, std::string name = {},
                       SrcRef ownerSrcRef = {})
        : S(std::move(name), std::move(ownerSrcRef)), expression(std::move(expression)) {}

    /// Stores the expression's current result (no signal, like `storeValue`).
    void evaluate() {
        if (expression) {
            this->storeValue(expression());
        }
    }

protected:
    ~ExprState() override;

private:
    std::function<Value()> expression;
};

template <class S> ExprState<S>::~ExprState() = default;

/// True when `state` is bound to an expression of its own value type.
template <class P> [[nodiscard]] bool isBoundToExpr(const StateT<P>& state) noexcept {
    return dynamic_cast<const ExprState<StateT<P>>*>(state.getSource().get()) != nullptr;
}

} // namespace Ostra::Sim

#pragma once

#include <sim_gl/Node.h>

#include <vuro_gl/gl/Context.h>

#include <cstdint>

namespace Ostra::Sim::GL {

/// Saves the context's forced-highlight bit, sets it when `set` is true, and puts the
/// saved value back when the scope ends, also when an exception passes.
class ForcedHLScope {
public:
    ForcedHLScope(Vuro::GL::Context& context, bool set) noexcept
        : context(context), saved(context.passFlags & Vuro::GL::Context::PassForcedHL) {
        if (set) {
            context.passFlags |= Vuro::GL::Context::PassForcedHL;
        }
    }
    ~ForcedHLScope() {
        context.passFlags = static_cast<std::uint8_t>(
            (context.passFlags & ~Vuro::GL::Context::PassForcedHL) | saved);
    }
    ForcedHLScope(const ForcedHLScope&) = delete;
    ForcedHLScope& operator=(const ForcedHLScope&) = delete;

    /// The bit as it is now: set by this scope or inherited from the caller.
    [[nodiscard]] bool isForced() const noexcept {
        return (context.passFlags & Vuro::GL::Context::PassForcedHL) != 0;
    }
    /// The bit as the caller left it.
    [[nodiscard]] bool wasForced() const noexcept { return saved != 0; }

private:
    Vuro::GL::Context& context;
    std::uint8_t saved;
};

} // namespace Ostra::Sim::GL

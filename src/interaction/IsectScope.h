#pragma once

#include <sim_gl/Functions.h>
#include <sim_gl/Node.h>

#include <vuro_gl/gl/IsectContext.h>

namespace Ostra::Sim::GL {

/// Saves the picking context's inherited-highlight bit, ORs in `own`, and puts the
/// saved bit back when the scope ends, also when an exception passes.
class InheritedHLScope {
public:
    InheritedHLScope(Isect::Context& context, bool own) noexcept
        : context(context), saved(context.inheritedHL) {
        context.inheritedHL = saved || own;
    }
    ~InheritedHLScope() { context.inheritedHL = saved; }
    InheritedHLScope(const InheritedHLScope&) = delete;
    InheritedHLScope& operator=(const InheritedHLScope&) = delete;

private:
    Isect::Context& context;
    bool saved;
};

/// Saves the picking context's class mask and puts it back when the scope ends.
class ClassMaskScope {
public:
    explicit ClassMaskScope(Isect::Context& context) noexcept
        : context(context), saved(context.classMask) {}
    ~ClassMaskScope() { context.classMask = saved; }
    ClassMaskScope(const ClassMaskScope&) = delete;
    ClassMaskScope& operator=(const ClassMaskScope&) = delete;

    /// The mask as the caller left it.
    [[nodiscard]] unsigned getSaved() const noexcept { return saved; }

private:
    Isect::Context& context;
    unsigned saved;
};

/// Records a point or edge hit of `node`: these carry no normal.
inline void setPointHit(Isect::Hit& hit, const Vector3T<double>& pos, Node& node, HLMode mode) {
    hit.pos = pos;
    hit.normal = {};
    hit.node.reset(&node);
    hit.mode = mode;
}

} // namespace Ostra::Sim::GL

#pragma once

#include <sim_gl/Node.h>

namespace Ostra::Sim::GL {

/// Scene node of one rigid body of the simulation.
class OSTRA_SIM_GL_EXPORT Body : public Node {
public:
    /// Refreshes the node from its simulation body; nothing to do for a plain body.
    virtual void update();

    [[nodiscard]] const RefT<Body>& getNext() const noexcept { return next; }
    [[nodiscard]] const PtrT<Body>& getNextInProto() const noexcept { return nextInProto; }
    [[nodiscard]] const RefT<BodyProto>& getProto() const noexcept { return proto; }
    /// True if the body is highlighted in any mode.
    [[nodiscard]] bool isHighlighted() const noexcept { return hlFlags != 0; }
    /// True if the body is highlighted in `mode` (taken modulo 32).
    [[nodiscard]] bool isHighlighted(HLMode mode) const noexcept {
        return (hlFlags & Vuro::GL::hlBit(mode)) != 0;
    }

protected:
    /// Appends the node to the project's body list.
    Body(Project& project, Sim::Body& body);
    ~Body() override;

    template <class, class> friend class Ostra::Sim::NodeListT;
    friend class BodyProto;

    RefT<Body> next;
    PtrT<Body> prev;
    RefT<BodyProto> proto;
    std::uint32_t hlFlags = 0;
    PtrT<Body> nextInProto;
    PtrT<Body> prevInProto;
};

} // namespace Ostra::Sim::GL

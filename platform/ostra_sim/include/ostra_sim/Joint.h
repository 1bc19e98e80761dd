#pragma once

#include <ostra_sim/Body.h>
#include <ostra_sim/Node.h>
#include <ostra_sim/Stamp.h>

#include <cstdint>

namespace Ostra::Sim {

/// A joint between two bodies (either may be null), placed by its world frame.
/// Every setter raises the joint stamp as well as the finer stamp it names.
class OSTRA_SIM_EXPORT Joint : public Node {
public:
    /// A joint at the origin between no bodies.
    explicit Joint(SrcRef srcRef = {});

    /// Viewers mirror joints whose status is at least 2 (the default).
    void setStatus(std::int32_t value);
    /// World frame of the joint; its translation is the joint position. Raises the frame stamp.
    void setFrame(const Tolu::Matrix4x4T<double>& worldFromJoint);
    /// First body (may be null); raises the body-1 link stamp.
    void setBody1(const Tolu::RefT<Body>& body);
    /// Second body (may be null); raises the body-2 link stamp.
    void setBody2(const Tolu::RefT<Body>& body);

    /// The following joint of the owning list, or null.
    [[nodiscard]] const Tolu::RefT<Joint>& getNext() const noexcept { return next; }
    /// The preceding joint of the owning list, or null.
    [[nodiscard]] const Tolu::PtrT<Joint>& getPrev() const noexcept { return prev; }
    ///@{
    /// The values as set, and the stamps their setters raise.
    [[nodiscard]] std::int32_t getStatus() const noexcept { return status; }
    [[nodiscard]] const Tolu::Matrix4x4T<double>& getFrame() const noexcept { return frame; }
    [[nodiscard]] Stamp getFrameStamp() const noexcept { return frameStamp; }
    [[nodiscard]] const Tolu::PtrT<Body>& getBody1() const noexcept { return body1; }
    [[nodiscard]] const Tolu::PtrT<Body>& getBody2() const noexcept { return body2; }
    [[nodiscard]] Stamp getBody1LinkStamp() const noexcept { return body1LinkStamp; }
    [[nodiscard]] Stamp getBody2LinkStamp() const noexcept { return body2LinkStamp; }
    ///@}

protected:
    ~Joint() override;

private:
    template <class, class> friend class NodeListT;

    // What a viewer's walk reads of every joint comes first, together.
    Tolu::RefT<Joint> next;
    std::int32_t status = 2;
    Stamp frameStamp;
    Stamp body1LinkStamp;
    Stamp body2LinkStamp;
    Tolu::PtrT<Body> body1;
    Tolu::PtrT<Body> body2;
    Tolu::PtrT<Joint> prev;
    Tolu::Matrix4x4T<double> frame;
};

} // namespace Ostra::Sim

#pragma once

#include <ostra_sim/Body.h>
#include <ostra_sim/PortDrv.h>
#include <ostra_sim/StateT.h>
#include <ostra_sim/Step.h>
#include <ostra_sim/TypePrimT.h>

#include <set>

namespace Ostra::Sim {

/// The driver through which the user interface drags bodies: it may drive the bodies in
/// `getBodies()` (or all with `canAll()`), and its drag states say what is dragged where.
class OSTRA_SIM_EXPORT PortDrvUI : public PortDrv {
public:
    /// A state holding a flag.
    using FlagState = StateT<TypePrimT<0>>;
    /// A state holding a weak reference to a body.
    using BodyState = StateT<TypePrimT<23>>;
    /// A state holding a point.
    using PointState = StateT<TypePrimT<15>>;

    /// A disabled driver that may drive no body.
    explicit PortDrvUI(SrcRef srcRef = {});

    /// Only an enabled driver takes part in drags and moves bodies.
    void setEnabled(bool on);
    /// Lets the driver drive every body, not just those in `getBodies()`.
    void setCanAll(bool on);
    /// Adds a body the driver may drive, after dropping entries of bodies that died.
    /// Throws Error for a null body.
    void addBody(const Tolu::RefT<Body>& body);
    /// Removes `body` from the drivable bodies; does nothing when it is not there.
    void removeBody(const Tolu::RefT<Body>& body);
    /// Whether the live body at `body` is one the driver may drive (not counting `canAll`).
    [[nodiscard]] bool hasBody(const Body* body) const;

    /// Moves the dragged body (translation only) so that the point it was grabbed at lies
    /// at touch position + offset. Returns whether it moved. Does nothing unless enabled,
    /// active and the dragged body is alive.
    bool applyDrag();

    /// True when enabled.
    [[nodiscard]] bool isEnabled() const noexcept { return enabled != 0; }
    /// True when the driver may drive every body.
    [[nodiscard]] bool canAll() const noexcept { return all; }
    /// The drivable bodies, ordered by identity (stable when a body dies).
    [[nodiscard]] const std::set<Tolu::PtrT<Body>>& getBodies() const noexcept { return bodies; }

    ///@{
    /// Drag states: whether a drag is on, the dragged body, where it was grabbed, and the offset
    /// from there; written by the scene layer's drag.
    // Drag states and the steps that mark their changes
    [[nodiscard]] FlagState& getDragActive() noexcept { return *dragActive; }
    [[nodiscard]] BodyState& getDragBody() noexcept { return *dragBody; }
    [[nodiscard]] PointState& getDragTouchPos() noexcept { return *dragTouchPos; }
    [[nodiscard]] PointState& getDragOffset() noexcept { return *dragOffset; }
    [[nodiscard]] const FlagState& getDragActive() const noexcept { return *dragActive; }
    [[nodiscard]] const BodyState& getDragBody() const noexcept { return *dragBody; }
    [[nodiscard]] const PointState& getDragTouchPos() const noexcept { return *dragTouchPos; }
    [[nodiscard]] const PointState& getDragOffset() const noexcept { return *dragOffset; }
    ///@}
    ///@{
    /// The driver's steps that mark changes of the drag states, one per state.
    [[nodiscard]] const Step& getStepActive() const noexcept { return stepActive; }
    [[nodiscard]] const Step& getStepBody() const noexcept { return stepBody; }
    [[nodiscard]] const Step& getStepTouchPos() const noexcept { return stepTouchPos; }
    [[nodiscard]] const Step& getStepOffset() const noexcept { return stepOffset; }
    ///@}

protected:
    ~PortDrvUI() override;

private:
    /// Remembers where the touch point sits in the dragged body's frame.
    void grab();

    std::set<Tolu::PtrT<Body>> bodies;
    Tolu::RefT<FlagState> dragActive;
    Tolu::RefT<BodyState> dragBody;
    Tolu::RefT<PointState> dragTouchPos;
    Tolu::RefT<PointState> dragOffset;
    Step stepActive{"stepActive", 1};
    Step stepBody{"stepBody", 2};
    Step stepTouchPos{"stepTouchPos", 3};
    Step stepOffset{"stepOffset", 4};

    // The grab as last taken: which body, at which touch position, and that position in the
    // body's frame. A drag whose states differ from it is grabbed again.
    Tolu::PtrT<Body> grabBody;
    Tolu::Vector3T<double> grabTouchPos;
    Tolu::Vector3T<double> grabInBody;
    std::uint32_t slotActive = 0;
    std::uint32_t slotBody = 0;
    std::uint32_t slotTouchPos = 0;
    bool grabbed = false;
    bool all = false;
    std::uint8_t enabled = 1;
};

} // namespace Ostra::Sim

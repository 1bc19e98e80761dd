#pragma once

#include <sim_gl/Node.h>

namespace Ostra::Sim::GL {

/// Abstract scene node of a simulation sensor; sensors on tracks are `SensorTrack`.
class OSTRA_SIM_GL_EXPORT Sensor : public Node {
public:
    /// Sets bit `mode` (modulo 32) of the highlight flags; `propagate` is not used.
    void setHighlight(HLMode mode, bool on, bool propagate) override;
    /// Sensors own no OpenGL objects.
    void release() override;

    /// The following sensor of the project's list, or null.
    [[nodiscard]] const RefT<Sensor>& getNext() const noexcept { return next; }
    /// The preceding sensor of the project's list, or null.
    [[nodiscard]] const PtrT<Sensor>& getPrev() const noexcept { return prev; }
    /// True if the sensor is highlighted in any mode.
    [[nodiscard]] bool isHighlighted() const noexcept { return hlFlags != 0; }
    /// True if the sensor is highlighted in `mode` (taken modulo 32).
    [[nodiscard]] bool isHighlighted(HLMode mode) const noexcept {
        return (hlFlags & Vuro::GL::hlBit(mode)) != 0;
    }

protected:
    /// Appends the node to the project's sensor list as its last step.
    Sensor(Project& project, Sim::Sensor& sensor);
    ~Sensor() override;

    template <class, class> friend class Ostra::Sim::NodeListT;

    /// \cond INTERNAL
    RefT<Sensor> next;
    PtrT<Sensor> prev;
    std::uint32_t hlFlags = 0;
    /// \endcond
};

} // namespace Ostra::Sim::GL

#pragma once

#include <ostra_sim/Body.h>
#include <ostra_sim/Node.h>

namespace Ostra::Sim {

/// A sensor of the model, e.g. one measuring the speed of the body it watches.
class OSTRA_SIM_EXPORT Sensor : public Node {
public:
    /// A sensor watching no body.
    explicit Sensor(SrcRef srcRef = {});

    /// The body the sensor watches (weak; may be null).
    void setBody(const Tolu::RefT<Body>& value);

    /// The following sensor of the owning list, or null.
    [[nodiscard]] const Tolu::RefT<Sensor>& getNext() const noexcept { return next; }
    /// The preceding sensor of the owning list, or null.
    [[nodiscard]] const Tolu::PtrT<Sensor>& getPrev() const noexcept { return prev; }
    /// The watched body, or null.
    [[nodiscard]] const Tolu::PtrT<Body>& getBody() const noexcept { return body; }

protected:
    ~Sensor() override;

private:
    template <class, class> friend class NodeListT;

    Tolu::RefT<Sensor> next;
    Tolu::PtrT<Sensor> prev;
    Tolu::PtrT<Body> body;
};

} // namespace Ostra::Sim

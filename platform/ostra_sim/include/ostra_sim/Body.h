#pragma once

#include <ostra_sim/Node.h>
#include <vuro_gl/BodyProto.h>

#include <cstdint>

namespace Ostra::Sim {

/// A rigid body of the model, shown by its geometry prototype.
class OSTRA_SIM_EXPORT Body : public Node {
public:
    /// A body at the origin without geometry.
    explicit Body(SrcRef srcRef = {});

    /// Viewers mirror bodies whose status is at least 2 (the default).
    void setStatus(std::int32_t value);
    /// The geometry, in body coordinates (may be null).
    void setProto(const Tolu::RefT<Vuro::BodyProto>& value);
    /// Reference point in body coordinates.
    void setRefPoint(const Tolu::Vector3T<double>& point);

    /// The following body of the owning list, or null.
    [[nodiscard]] const Tolu::RefT<Body>& getNext() const noexcept { return next; }
    /// The preceding body of the owning list, or null.
    [[nodiscard]] const Tolu::PtrT<Body>& getPrev() const noexcept { return prev; }
    ///@{
    /// The values as set.
    [[nodiscard]] std::int32_t getStatus() const noexcept { return status; }
    [[nodiscard]] const Tolu::RefT<Vuro::BodyProto>& getProto() const noexcept { return proto; }
    [[nodiscard]] const Tolu::Vector3T<double>& getRefPoint() const noexcept { return refPoint; }
    ///@}

protected:
    ~Body() override;

private:
    template <class, class> friend class NodeListT;

    // `next` and `status` are what a viewer's walk reads of every body: kept together.
    Tolu::RefT<Body> next;
    std::int32_t status = 2;
    Tolu::PtrT<Body> prev;
    Tolu::RefT<Vuro::BodyProto> proto;
    Tolu::Vector3T<double> refPoint;
};

} // namespace Ostra::Sim

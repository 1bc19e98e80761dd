#include "Checks.h"

#include <ostra_sim/Body.h>

#include <utility>

namespace Ostra::Sim {

Body::Body(SrcRef srcRef) : Node(std::move(srcRef)) {}

Body::~Body() = default;

void Body::setStatus(std::int32_t value) {
    status = value;
    touch();
}

void Body::setProto(const Tolu::RefT<Vuro::BodyProto>& value) {
    proto = value;
    touch();
}

void Body::setRefPoint(const Tolu::Vector3T<double>& point) {
    checkFinite(getSrcRef(), "Body::setRefPoint", point);
    refPoint = point;
    touch();
}

} // namespace Ostra::Sim

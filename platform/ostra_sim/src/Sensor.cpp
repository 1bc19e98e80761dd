#include "Checks.h"

#include <ostra_sim/Sensor.h>
#include <ostra_sim/SensorTrack.h>

#include <utility>

namespace Ostra::Sim {

Sensor::Sensor(SrcRef srcRef) : Node(std::move(srcRef)) {}

Sensor::~Sensor() = default;

void Sensor::setBody(const Tolu::RefT<Body>& value) {
    body = value;
    touch();
}

SensorTrack::SensorTrack(SrcRef srcRef) : Sensor(std::move(srcRef)) {}

SensorTrack::~SensorTrack() = default;

void SensorTrack::setTrack(const Tolu::RefT<Body>& value) {
    track = value;
    touch();
}

void SensorTrack::setPos1(double distance) {
    checkFinite(getSrcRef(), "SensorTrack::setPos1", distance);
    pos1 = distance;
    touch();
}

void SensorTrack::setPos2(double distance) {
    checkFinite(getSrcRef(), "SensorTrack::setPos2", distance);
    pos2 = distance;
    touch();
}

} // namespace Ostra::Sim

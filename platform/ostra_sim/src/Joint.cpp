#include "Checks.h"

#include <ostra_sim/Joint.h>
#include <ostra_sim/JointTrack.h>

#include <utility>

namespace Ostra::Sim {

Joint::Joint(SrcRef srcRef)
    : Node(std::move(srcRef)), frameStamp(getStamp()), body1LinkStamp(getStamp()),
      body2LinkStamp(getStamp()) {}

Joint::~Joint() = default;

void Joint::setStatus(std::int32_t value) {
    status = value;
    touch();
}

void Joint::setFrame(const Tolu::Matrix4x4T<double>& worldFromJoint) {
    checkFinite(getSrcRef(), "Joint::setFrame", worldFromJoint);
    frame = worldFromJoint;
    touch();
    frameStamp = getStamp();
}

void Joint::setBody1(const Tolu::RefT<Body>& body) {
    body1 = body;
    touch();
    body1LinkStamp = getStamp();
}

void Joint::setBody2(const Tolu::RefT<Body>& body) {
    body2 = body;
    touch();
    body2LinkStamp = getStamp();
}

JointTrack::JointTrack(SrcRef srcRef) : Joint(std::move(srcRef)) {}

JointTrack::~JointTrack() = default;

void JointTrack::setInitialPos(double distance) {
    checkFinite(getSrcRef(), "JointTrack::setInitialPos", distance);
    initialPos = distance;
    touch();
}

void JointTrack::setCurrentPos(double distance) {
    checkFinite(getSrcRef(), "JointTrack::setCurrentPos", distance);
    currentPos = distance;
    touch();
}

} // namespace Ostra::Sim

#include "Checks.h"

#include <ostra_sim/Node.h>
#include <ostra_sim/Stamp.h>

#include <utility>

namespace Ostra::Sim {

Node::Node(SrcRef srcRef) : srcRef(std::move(srcRef)), stamp(nextStamp()), transformStamp(stamp) {}

Node::~Node() = default;

void Node::touch() noexcept {
    stamp = nextStamp();
}

void Node::setTransform(const Tolu::Matrix4x4T<double>& worldFromNode) {
    checkFinite(srcRef, "Node::setTransform", worldFromNode);
    transform = worldFromNode;
    touch();
    transformStamp = stamp;
}

void Node::setVisible(bool on) {
    visible = on ? 1 : 0;
    touch();
}

void Node::setPickable(bool on) {
    pickable = on ? 1 : 0;
    touch();
}

void Node::setUseColor(bool on) {
    useColor = on ? 1 : 0;
    touch();
}

void Node::setColor(const Tolu::Vector3T<float>& rgb) {
    checkFinite(srcRef, "Node::setColor", rgb);
    color = rgb;
    touch();
}

void Node::setColorMix(float mix) {
    checkFinite(srcRef, "Node::setColorMix", mix);
    colorMix = mix;
    touch();
}

void Node::setAlpha(float value) {
    checkFinite(srcRef, "Node::setAlpha", value);
    alpha = value;
    touch();
}

void Node::setVuroObject(const Tolu::RefT<Vuro::Object>& object) {
    vuroObject = object;
    touch();
}

} // namespace Ostra::Sim

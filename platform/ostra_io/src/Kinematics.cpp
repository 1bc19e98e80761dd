#include <tolu/util/Error.h>

#include <algorithm>
#include <cmath>
#include <ostra_io/Kinematics.h>
#include <string>

namespace Ostra::IO {

namespace {

using M4 = Tolu::Matrix4x4T<double>;

[[noreturn]] void fail(const char* function, const std::string& what) {
    throw Tolu::Error(std::string("Ostra::IO::Kinematics::") + function + ": " + what);
}

std::string quoted(std::string_view name) {
    return "\"" + std::string(name) + "\"";
}

} // namespace

std::size_t Kinematics::addLink(KinematicLink link) {
    if (findLink(link.name))
        fail("addLink", "link name " + quoted(link.name) + " is used twice");
    link.parentJoint.reset();
    linkList.push_back(std::move(link));
    return linkList.size() - 1;
}

std::size_t Kinematics::addJoint(KinematicJoint joint) {
    const auto name = quoted(joint.name);
    if (findJoint(joint.name))
        fail("addJoint", "joint name " + name + " is used twice");
    if (joint.parent >= linkList.size() || joint.child >= linkList.size())
        fail("addJoint", "joint " + name + " names a link index out of range");
    if (linkList[joint.child].parentJoint)
        fail("addJoint", "link " + quoted(linkList[joint.child].name) +
                             " already has a parent joint (joint " + name + ")");
    // A loop: the parent is the child itself or one of its descendants.
    for (std::size_t link = joint.parent;;) {
        if (link == joint.child)
            fail("addJoint", "joint " + name + " closes a loop");
        const auto up = linkList[link].parentJoint;
        if (!up)
            break;
        link = jointList[*up].parent;
    }
    const bool moving = joint.type == JointType::Revolute || joint.type == JointType::Continuous ||
                        joint.type == JointType::Prismatic;
    if (moving) {
        const double len = joint.axis.length();
        if (!(len > 1e-12) || !std::isfinite(len))
            fail("addJoint", "joint " + name + " has a zero or non-finite axis");
        joint.axis = joint.axis * (1.0 / len);
    }
    if (joint.type == JointType::Continuous || !moving)
        joint.limits.reset();
    if (joint.limits) {
        const auto [lo, hi] = *joint.limits;
        if (!std::isfinite(lo) || !std::isfinite(hi) || lo > hi)
            fail("addJoint", "joint " + name + " has limits that are not finite and ordered");
    }
    for (const double v : joint.origin.m)
        if (!std::isfinite(v))
            fail("addJoint", "joint " + name + " has a non-finite origin");
    jointList.reserve(jointList.size() + 1);
    positions.reserve(jointList.size() + 1);
    order.reserve(jointList.size() + 1);
    const std::size_t index = jointList.size();
    const std::size_t child = joint.child;
    jointList.push_back(std::move(joint));
    positions.push_back(0.0);
    linkList[child].parentJoint = index;
    if (jointList[index].limits) // zero may lie outside the limits
        positions[index] =
            std::clamp(0.0, jointList[index].limits->first, jointList[index].limits->second);
    // Joints are placed parents first: a joint goes before every joint below its child.
    auto below = [&](std::size_t j) {
        for (std::size_t link = jointList[j].parent;;) {
            if (link == child)
                return true;
            const auto up = linkList[link].parentJoint;
            if (!up)
                return false;
            link = jointList[*up].parent;
        }
    };
    auto at = std::find_if(order.begin(), order.end(), below);
    order.insert(at, index);
    return index;
}

std::optional<std::size_t> Kinematics::findLink(std::string_view name) const noexcept {
    for (std::size_t i = 0; i < linkList.size(); ++i)
        if (linkList[i].name == name)
            return i;
    return std::nullopt;
}

std::optional<std::size_t> Kinematics::findJoint(std::string_view name) const noexcept {
    for (std::size_t i = 0; i < jointList.size(); ++i)
        if (jointList[i].name == name)
            return i;
    return std::nullopt;
}

std::optional<std::size_t> Kinematics::findLinkOf(const Sim::Body* body) const noexcept {
    if (!body)
        return std::nullopt;
    for (std::size_t i = 0; i < linkList.size(); ++i)
        if (linkList[i].body.get() == body)
            return i;
    return std::nullopt;
}

bool Kinematics::isMoving(std::size_t joint) const {
    if (joint >= jointList.size())
        fail("isMoving", "joint index " + std::to_string(joint) + " out of range");
    const auto type = jointList[joint].type;
    return type == JointType::Revolute || type == JointType::Continuous ||
           type == JointType::Prismatic;
}

double Kinematics::getPosition(std::size_t joint) const {
    if (joint >= jointList.size())
        fail("getPosition", "joint index " + std::to_string(joint) + " out of range");
    return positions[joint];
}

double Kinematics::setPosition(std::size_t joint, double value) {
    if (joint >= jointList.size())
        fail("setPosition", "joint index " + std::to_string(joint) + " out of range");
    if (!std::isfinite(value))
        fail("setPosition", "joint " + quoted(jointList[joint].name) + " position " +
                                std::to_string(value) + " is not finite");
    if (const auto& limits = jointList[joint].limits)
        value = std::clamp(value, limits->first, limits->second);
    positions[joint] = isMoving(joint) ? value : 0.0;
    return positions[joint];
}

void Kinematics::setBasePose(const Tolu::Matrix4x4T<double>& worldFromBase) {
    for (const double v : worldFromBase.m)
        if (!std::isfinite(v))
            fail("setBasePose", "the pose is not finite");
    base = worldFromBase;
}

namespace {

// The world frame of joint `j` and the world pose of its child, given its parent's pose.
std::pair<M4, M4> jointAndChild(const KinematicJoint& joint, double q, const M4& parent) {
    const M4 frame = parent * joint.origin;
    switch (joint.type) {
    case JointType::Revolute:
    case JointType::Continuous:
        return {frame, frame * M4::rotation(joint.axis, q)};
    case JointType::Prismatic:
        return {frame, frame * M4::translation(joint.axis * q)};
    default:
        return {frame, frame};
    }
}

} // namespace

std::vector<Tolu::Matrix4x4T<double>> Kinematics::linkPoses() const {
    std::vector<M4> poses(linkList.size(), base);
    for (const std::size_t j : order)
        poses[jointList[j].child] =
            jointAndChild(jointList[j], positions[j], poses[jointList[j].parent]).second;
    return poses;
}

void Kinematics::place() const {
    const auto poses = linkPoses();
    for (std::size_t i = 0; i < linkList.size(); ++i)
        if (linkList[i].body)
            linkList[i].body->setTransform(poses[i]);
    for (std::size_t j = 0; j < jointList.size(); ++j)
        if (jointList[j].simJoint)
            jointList[j].simJoint->setFrame(
                jointAndChild(jointList[j], positions[j], poses[jointList[j].parent]).first);
}

} // namespace Ostra::IO

#include "Pose.h"

#include <tolu/math3d/DegreeT.h>

#include <algorithm>
#include <cmath>

namespace Ostra::IO {

namespace {

using V3 = Tolu::Vector3T<double>;

M4 fromParts(const V3& position, const V3& axis, double degrees) {
    return M4::translation(position) *
           M4::rotation(axis, Tolu::DegreeT<double>(degrees).toRadians());
}

// Axis and angle (degrees, 0 to 180) of the rotation part of `m`; false unless it looks
// like a rotation at all. The caller checks that they give `m` back.
bool toAxisAngle(const M4& m, V3& axis, double& degrees) {
    const double trace = m.m[0] + m.m[5] + m.m[10];
    const double c = std::clamp((trace - 1.0) / 2.0, -1.0, 1.0);
    const double radians = std::acos(c);
    V3 k{m.m[9] - m.m[6], m.m[2] - m.m[8], m.m[4] - m.m[1]};
    if (k.length() < 1e-6) {
        // Near a half turn the skew part vanishes; the diagonal gives the axis instead.
        k = {std::sqrt(std::max(0.0, (m.m[0] + 1) / 2)), std::sqrt(std::max(0.0, (m.m[5] + 1) / 2)),
             std::sqrt(std::max(0.0, (m.m[10] + 1) / 2))};
        if (m.m[1] + m.m[4] < 0) {
            k.y = -k.y;
        }
        if (m.m[2] + m.m[8] < 0) {
            k.z = -k.z;
        }
    }
    const double length = k.length();
    if (!(length > 0) || !std::isfinite(length)) {
        return false;
    }
    axis = k / length;
    degrees = Tolu::DegreeT<double>::fromRadians(radians).value;
    return true;
}

Json::Doc toJson(const V3& v) {
    return Json::Doc::array({v.x, v.y, v.z});
}

} // namespace

M4 readPose(const Json::Value& value) {
    Json::Object pose = value.object();
    if (auto matrix = pose.find("matrix")) {
        if (pose.has("position") || pose.has("rotation")) {
            value.fail("a pose is either a matrix or position and rotation, not both");
        }
        pose.finish();
        const auto elements = matrix->array(16);
        M4 m;
        for (std::size_t k = 0; k < 16; ++k) {
            m.m[k] = elements[k].number();
        }
        return m;
    }
    V3 position;
    V3 axis{0, 0, 1};
    double degrees = 0;
    if (auto p = pose.find("position")) {
        position = p->vector3();
    }
    if (auto r = pose.find("rotation")) {
        Json::Object rotation = r->object();
        const Json::Value axisValue = rotation.at("axis");
        axis = axisValue.vector3();
        if (!(axis.length() > 1e-12) || !std::isfinite(axis.length())) {
            axisValue.fail("rotation axis has no length");
        }
        degrees = rotation.at("angle").number(-1e6, 1e6);
        rotation.finish();
    }
    pose.finish();
    return degrees == 0 ? M4::translation(position) : fromParts(position, axis, degrees);
}

Json::Doc writePose(const M4& m) {
    const V3 position = m.getTranslation();
    Json::Doc pose = Json::Doc::object();
    if (m == M4::translation(position)) {
        pose["position"] = toJson(position);
        return pose;
    }
    V3 axis;
    double degrees = 0;
    if (toAxisAngle(m, axis, degrees) && degrees != 0 && fromParts(position, axis, degrees) == m) {
        pose["position"] = toJson(position);
        pose["rotation"] = {{"axis", toJson(axis)}, {"angle", degrees}};
        return pose;
    }
    Json::Doc elements = Json::Doc::array();
    for (const double e : m.m) {
        elements.push_back(e);
    }
    pose["matrix"] = elements;
    return pose;
}

} // namespace Ostra::IO

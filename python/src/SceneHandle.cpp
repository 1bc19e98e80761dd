#include "SceneHandle.h"

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/Project.h>
#include <tolu/util/Error.h>

#include <cmath>
#include <ostra_io/Urdf.h>

namespace SimGLPy {

namespace {

std::shared_ptr<SceneData> loadData(const std::filesystem::path& path) {
    auto data = std::make_shared<SceneData>();
    data->scene = Ostra::IO::loadModel(path);
    data->path = path;
    return data;
}

Ostra::Sim::Body* findBody(const SceneData& data, const char* function, const std::string& name) {
    for (auto* b = data.scene.model->getBodyList().getFirst().get(); b; b = b->getNext().get()) {
        if (b->getName() == name) {
            return b;
        }
    }
    throw Tolu::Error(std::string(function) + ": " + data.path.string() + " has no body named \"" +
                      name + "\"");
}

} // namespace

SceneHandle::SceneHandle(std::filesystem::path path) : data(loadData(path)) {}

void SceneHandle::reload() {
    data = loadData(data->path);
}

std::vector<std::string> SceneHandle::bodyNames() const {
    std::vector<std::string> names;
    for (auto* b = data->scene.model->getBodyList().getFirst().get(); b; b = b->getNext().get()) {
        names.push_back(b->getName());
    }
    return names;
}

std::vector<std::string> SceneHandle::jointNames() const {
    std::vector<std::string> names;
    for (auto* j = data->scene.model->getJointList().getFirst().get(); j; j = j->getNext().get()) {
        names.push_back(j->getName());
    }
    return names;
}

std::vector<std::string> SceneHandle::movingJointNames() const {
    std::vector<std::string> names;
    if (const auto& kinematics = data->scene.kinematics) {
        for (std::size_t i = 0; i < kinematics->joints().size(); ++i) {
            if (kinematics->isMoving(i)) {
                names.push_back(kinematics->joints()[i].name);
            }
        }
    }
    return names;
}

Tolu::Matrix4x4T<double> SceneHandle::getPose(const std::string& body) const {
    return findBody(*data, "pose", body)->getTransform();
}

void SceneHandle::setPose(const std::string& body, const Tolu::Matrix4x4T<double>& worldFromBody) {
    for (const double value : worldFromBody.m) {
        if (!std::isfinite(value)) {
            throw Tolu::Error("set_pose: the pose of \"" + body + "\" is not finite");
        }
    }
    findBody(*data, "set_pose", body)->setTransform(worldFromBody);
}

std::size_t SceneHandle::kinematicJoint(const char* function, const std::string& name) const {
    const auto& kinematics = data->scene.kinematics;
    if (!kinematics) {
        throw Tolu::Error(std::string(function) + ": " + data->path.string() +
                          " has no kinematic tree (only robot descriptions have one)");
    }
    const auto index = kinematics->findJoint(name);
    if (!index || !kinematics->isMoving(*index)) {
        throw Tolu::Error(std::string(function) + ": " + data->path.string() +
                          " has no moving joint named \"" + name + "\"");
    }
    return *index;
}

double SceneHandle::setJointPosition(const std::string& joint, double value) {
    const std::size_t index = kinematicJoint("set_joint_position", joint);
    return data->scene.kinematics->setPosition(index, value);
}

double SceneHandle::getJointPosition(const std::string& joint) const {
    return data->scene.kinematics->getPosition(kinematicJoint("joint_position", joint));
}

void SceneHandle::update() {
    if (data->scene.kinematics) {
        data->scene.kinematics->place();
    }
}

Tolu::Matrix4x4T<double> poseMatrix(const double xyz[3], const double wxyz[4]) {
    const double norm =
        std::sqrt(wxyz[0] * wxyz[0] + wxyz[1] * wxyz[1] + wxyz[2] * wxyz[2] + wxyz[3] * wxyz[3]);
    if (!std::isfinite(norm) || norm == 0 || !std::isfinite(xyz[0]) || !std::isfinite(xyz[1]) ||
        !std::isfinite(xyz[2])) {
        throw Tolu::Error("set_pose: the position and quaternion must be finite and the "
                          "quaternion not zero");
    }
    const double w = wxyz[0] / norm;
    const double x = wxyz[1] / norm;
    const double y = wxyz[2] / norm;
    const double z = wxyz[3] / norm;
    Tolu::Matrix4x4T<double> m;
    m(0, 0) = 1 - 2 * (y * y + z * z);
    m(0, 1) = 2 * (x * y - w * z);
    m(0, 2) = 2 * (x * z + w * y);
    m(1, 0) = 2 * (x * y + w * z);
    m(1, 1) = 1 - 2 * (x * x + z * z);
    m(1, 2) = 2 * (y * z - w * x);
    m(2, 0) = 2 * (x * z - w * y);
    m(2, 1) = 2 * (y * z + w * x);
    m(2, 2) = 1 - 2 * (x * x + y * y);
    m(0, 3) = xyz[0];
    m(1, 3) = xyz[1];
    m(2, 3) = xyz[2];
    return m;
}

} // namespace SimGLPy

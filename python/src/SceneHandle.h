#pragma once

#include <tolu/math3d/Matrix4x4T.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostra_io/Scene.h>
#include <string>
#include <vector>

namespace SimGLPy {

/// One loaded model file. Renderers, pick results and playbacks hold it by shared
/// pointer, so a reload never frees what they still use.
struct SceneData {
    Ostra::IO::Scene scene;
    std::filesystem::path path;
};

/// What `simgl.load` returns: the current model of a file, which `reload` replaces.
class SceneHandle {
public:
    /// Loads a scene file or a URDF robot description. Throws LoadError naming the file.
    explicit SceneHandle(std::filesystem::path path);

    /// Reads the file again; renderers show the new model from their next frame.
    void reload();
    [[nodiscard]] const std::shared_ptr<SceneData>& getData() const noexcept { return data; }

    [[nodiscard]] std::vector<std::string> bodyNames() const;
    [[nodiscard]] std::vector<std::string> jointNames() const;
    /// The joints of the kinematic tree that have a position to set; empty without one.
    [[nodiscard]] std::vector<std::string> movingJointNames() const;

    /// Throws Tolu::Error naming the body when there is none of that name.
    [[nodiscard]] Tolu::Matrix4x4T<double> getPose(const std::string& body) const;
    void setPose(const std::string& body, const Tolu::Matrix4x4T<double>& worldFromBody);

    /// Sets a kinematic joint's position, clamped into its limits, and returns the value
    /// kept; the model moves at `update`. Throws Tolu::Error for a scene without a
    /// kinematic tree, an unknown joint or a value that is not finite.
    double setJointPosition(const std::string& joint, double value);
    [[nodiscard]] double getJointPosition(const std::string& joint) const;
    /// Places the kinematic tree's links for the joint positions set.
    void update();

private:
    [[nodiscard]] std::size_t kinematicJoint(const char* function, const std::string& name) const;

    std::shared_ptr<SceneData> data;
};

/// A rotation and translation as a matrix; `wxyz` need not be of unit length. Throws
/// Tolu::Error for a zero or non-finite quaternion.
[[nodiscard]] Tolu::Matrix4x4T<double> poseMatrix(const double xyz[3], const double wxyz[4]);

} // namespace SimGLPy

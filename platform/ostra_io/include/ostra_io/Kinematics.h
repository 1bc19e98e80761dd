#pragma once

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/Vector3T.h>
#include <tolu/util/RefT.h>

#include <cstddef>
#include <optional>
#include <ostra_io/Export.h>
#include <string>
#include <string_view>
#include <vector>

namespace Ostra::IO {

/// How a kinematic joint lets its child link move against its parent.
enum class JointType { Fixed, Revolute, Continuous, Prismatic, Floating, Planar };

/// A link of a kinematic tree: the body that shows it and the joint that carries it.
struct KinematicLink {
    /// The link's name in the description.
    std::string name;
    Tolu::RefT<Sim::Body> body;             ///< may be null for a link without visuals
    std::optional<std::size_t> parentJoint; ///< none: a root, placed at the tree's base pose
};

/// A joint of a kinematic tree. `origin` places the joint frame in the parent link's frame
/// at position zero; the child link's frame is the joint frame moved by the position:
/// turned about `axis` (revolute, continuous) or shifted along it (prismatic). Floating and
/// planar joints keep their child at the origin.
struct KinematicJoint {
    /// The joint's name in the description.
    std::string name;
    /// How the child moves.
    JointType type = JointType::Fixed;
    std::size_t parent = 0; ///< link index
    std::size_t child = 0;  ///< link index
    /// Parent link from joint frame, at position zero.
    Tolu::Matrix4x4T<double> origin;
    Tolu::Vector3T<double> axis{1, 0, 0}; ///< unit length, in the joint frame
    /// Lower and upper position (radians or metres); positions are clamped into them.
    std::optional<std::pair<double, double>> limits;
    Tolu::RefT<Sim::Joint> simJoint; ///< may be null
};

/// A tree of links moved by joint positions, as robot descriptions give them. Placing
/// writes every link body's transform and every joint's frame into the model.
class OSTRA_IO_EXPORT Kinematics {
public:
    /// Adds a link and returns its index. Throws Tolu::Error for a name already used.
    std::size_t addLink(KinematicLink link);
    /// Adds a joint and returns its index; the child link becomes the joint's. Throws
    /// Tolu::Error for a name already used, a link index out of range, a child that already
    /// has a parent joint, a joint that would close a loop, a zero axis on a moving joint,
    /// or limits that are not finite and ordered.
    std::size_t addJoint(KinematicJoint joint);

    ///@{
    /// The links and joints, by index.
    [[nodiscard]] const std::vector<KinematicLink>& links() const noexcept { return linkList; }
    [[nodiscard]] const std::vector<KinematicJoint>& joints() const noexcept { return jointList; }
    ///@}
    ///@{
    /// The index of the link or joint named `name`, if any.
    [[nodiscard]] std::optional<std::size_t> findLink(std::string_view name) const noexcept;
    [[nodiscard]] std::optional<std::size_t> findJoint(std::string_view name) const noexcept;
    ///@}
    /// The link whose body is `body`, if any.
    [[nodiscard]] std::optional<std::size_t> findLinkOf(const Sim::Body* body) const noexcept;

    /// Whether the joint has a position to set (revolute, continuous, prismatic).
    [[nodiscard]] bool isMoving(std::size_t joint) const;
    /// The joint's position as kept. Throws Tolu::Error for an index out of range.
    [[nodiscard]] double getPosition(std::size_t joint) const;
    /// Sets a joint's position, clamped into its limits; returns the value kept. Throws
    /// Tolu::Error for an index out of range or a value that is not finite. Call `place`
    /// to move the model.
    double setPosition(std::size_t joint, double value);

    /// Where roots stand in the world.
    void setBasePose(const Tolu::Matrix4x4T<double>& worldFromBase);
    /// Where roots stand in the world.
    [[nodiscard]] const Tolu::Matrix4x4T<double>& getBasePose() const noexcept { return base; }

    /// World pose of every link for the current positions, by link index.
    [[nodiscard]] std::vector<Tolu::Matrix4x4T<double>> linkPoses() const;
    /// Writes `linkPoses()` into the link bodies and each joint's world frame into its
    /// model joint.
    void place() const;

private:
    std::vector<KinematicLink> linkList;
    std::vector<KinematicJoint> jointList;
    std::vector<double> positions;
    std::vector<std::size_t> order; ///< joints, parents before children
    Tolu::Matrix4x4T<double> base;
};

} // namespace Ostra::IO

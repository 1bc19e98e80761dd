#pragma once

#include <ostra_sim/Project.h>
#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>
#include <tolu/util/RefT.h>
#include <vuro_gl/BodyProto.h>

#include <filesystem>
#include <memory>
#include <ostra_io/Export.h>
#include <ostra_io/Kinematics.h>
#include <ostra_io/MeshImport.h>
#include <string>
#include <vector>

namespace Ostra::IO {

/// The shapes a prototype can be: the render library's ready-made shapes, or a mesh file.
enum class Shape { Box, Cylinder, Sphere, Cone, Arrow, Mesh };

/// How a prototype's geometry is made. Which fields count depends on `shape`: `size`
/// (box), `radius` (cylinder, sphere, cone, arrow), `length` (cylinder, arrow), `height`
/// (cone), `segments` (all but box and mesh), `mesh` and `meshOptions` (mesh). `color`
/// is the material of ready-made shapes (an alpha below 1 makes it transparent).
struct ProtoDesc {
    ///@{
    /// The shape and its parameters, as the description above says.
    Shape shape = Shape::Box;
    Tolu::Vector3T<float> size{1.0f, 1.0f, 1.0f};
    float radius = 0.5f;
    float length = 1.0f;
    float height = 1.0f;
    unsigned segments = 24;
    Tolu::Vector4T<float> color{0.8f, 0.8f, 0.8f, 1.0f};
    std::filesystem::path mesh; ///< absolute once read from a file
    MeshOptions meshOptions;
    ///@}

    /// Equal when every field is.
    friend bool operator==(const ProtoDesc&, const ProtoDesc&) = default;
};

/// A named prototype of a scene: how it is made and what it made.
struct Prototype {
    /// The name bodies refer to it by.
    std::string name;
    /// How it is made.
    ProtoDesc desc;
    /// What it made.
    Tolu::RefT<Vuro::BodyProto> proto;
};

/// A whole simulation project as a file holds it: the model, and the prototypes its
/// bodies show, which the model alone cannot describe.
struct OSTRA_IO_EXPORT Scene {
    /// The model.
    Tolu::RefT<Sim::Project> model;
    /// The prototypes, in file order.
    std::vector<Prototype> prototypes;
    /// The kinematic tree of a robot description, or null for a scene without one.
    std::shared_ptr<Kinematics> kinematics;

    /// The prototype entry that made `proto`, or null.
    [[nodiscard]] const Prototype* findPrototype(const Vuro::BodyProto* proto) const noexcept;
};

/// Makes the geometry `desc` describes; meshes come through `cache` when given. Throws
/// Tolu::Error for sizes the shape helpers reject and LoadError for unreadable meshes.
[[nodiscard]] OSTRA_IO_EXPORT Tolu::RefT<Vuro::BodyProto> makeProto(const ProtoDesc& desc,
                                                                    MeshCache* cache = nullptr);

} // namespace Ostra::IO

#pragma once

#include <tolu/math3d/BBoxT.h>
#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>
#include <vuro_gl/DataClass.h>

#include <string>
#include <vector>

namespace Vuro {

/// One vertex of body geometry: position and normal in body coordinates (24 bytes, the
/// layout of the vertex buffers). Lines and points carry a zero normal and are unlit.
struct Vertex {
    /// Position, in body coordinates.
    Tolu::Vector3T<float> pos;
    /// Unit normal of a triangle's surface; zero for lines and points.
    Tolu::Vector3T<float> normal;
};

/// Kinds of primitives.
enum class PrimType { Points, Lines, Triangles };

/// A group of primitives of one kind with one material.
struct PrimGroup {
    /// Kind of every primitive of the group.
    PrimType type = PrimType::Triangles;
    std::vector<Vertex> vertices; ///< 1 per point, 2 per line, 3 per triangle
    Tolu::Vector4T<float> color{0.8f, 0.8f, 0.8f, 1.0f}; ///< alpha below 1: transparent
    unsigned slot = 0; ///< vertex-buffer slot (0 to 7) that stores the group's vertices
};

/// Geometry of a body, shared by every body that shows it, in body coordinates: groups
/// of points, lines and triangles, each with its material, spread over up to eight
/// vertex-buffer slots (parts that a renderer may keep apart).
class VURO_GL_EXPORT BodyProto : public DataClass {
public:
    /// How many vertex-buffer slots a prototype has.
    static constexpr unsigned slotCount = 8;

    ///@{
    /// Empty geometry, unnamed or named `name` for messages.
    BodyProto() = default;
    explicit BodyProto(std::string name);
    ///@}

    /// Adds a group. Throws `Tolu::Error` for a slot past 7, a vertex count that does
    /// not fit the primitive kind, or a non-finite coordinate.
    void addGroup(PrimGroup group);

    /// The groups, in the order added.
    [[nodiscard]] const std::vector<PrimGroup>& getGroups() const noexcept { return groups; }
    /// Box around all vertices; not valid while the geometry is empty.
    [[nodiscard]] const Tolu::BBoxT<float>& getBBox() const noexcept { return bbox; }
    /// The name given at construction.
    [[nodiscard]] const std::string& getName() const noexcept { return name; }

protected:
    ~BodyProto() override;

private:
    std::string name;
    std::vector<PrimGroup> groups;
    Tolu::BBoxT<float> bbox;
};

} // namespace Vuro

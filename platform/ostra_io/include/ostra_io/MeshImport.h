#pragma once

#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>
#include <tolu/util/RefT.h>
#include <vuro_gl/BodyProto.h>

#include <filesystem>
#include <map>
#include <optional>
#include <ostra_io/Export.h>
#include <string>
#include <tuple>

namespace Ostra::IO {

/// Which axis of a mesh file points up; it is turned onto +z, the model's up.
enum class UpAxis { X, Y, Z };

/// How a mesh file becomes geometry: scaled per axis (file units to metres), turned so
/// that `up` becomes +z, and coloured by `color` instead of the file's materials when set.
struct MeshOptions {
    /// Factors per axis from file units to metres.
    Tolu::Vector3T<float> scale{1.0f, 1.0f, 1.0f};
    /// The file's up axis, turned onto +z.
    UpAxis up = UpAxis::Z;
    /// Replaces the file's materials when set.
    std::optional<Tolu::Vector4T<float>> color;

    /// Equal when every option is.
    friend bool operator==(const MeshOptions&, const MeshOptions&) = default;
};

/// Reads a mesh file (STL, OBJ with MTL, PLY, glTF 2.0 and GLB, COLLADA, and whatever
/// else the importer knows) into one triangle group per material or vertex colour, with
/// normals generated where the file has none. Throws LoadError naming the file when it
/// cannot be read, is not a mesh, or has no triangles.
[[nodiscard]] OSTRA_IO_EXPORT Tolu::RefT<Vuro::BodyProto>
importMesh(const std::filesystem::path& file, const MeshOptions& options = {});

/// Imports each mesh once: a file asked for again with the same options (by its
/// canonical path) gives the same geometry object.
class OSTRA_IO_EXPORT MeshCache {
public:
    /// The geometry of `file` with `options`, imported on first demand. Throws like
    /// `importMesh`.
    [[nodiscard]] Tolu::RefT<Vuro::BodyProto> get(const std::filesystem::path& file,
                                                  const MeshOptions& options = {});
    /// Forgets every mesh, so the next `get` reads the files again.
    void clear() noexcept { meshes.clear(); }
    /// How many meshes are kept.
    [[nodiscard]] std::size_t getCount() const noexcept { return meshes.size(); }

private:
    using Key = std::tuple<std::string, float, float, float, int, bool, float, float, float, float>;
    std::map<Key, Tolu::RefT<Vuro::BodyProto>> meshes;
};

} // namespace Ostra::IO

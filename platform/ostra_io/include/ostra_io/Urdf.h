#pragma once

#include <filesystem>
#include <ostra_io/Export.h>
#include <ostra_io/MeshImport.h>
#include <ostra_io/Scene.h>
#include <string_view>
#include <vector>

namespace Ostra::IO {

/// Where a robot description's meshes are looked for: `package://NAME/rest` is tried as
/// `DIR/NAME/rest` and `DIR/rest` for the file's folder and then each search folder, and a
/// relative path against the file's folder and then each search folder.
struct UrdfOptions {
    /// Folders to look for meshes in, after the file's own.
    std::vector<std::filesystem::path> searchPath;
};

/// Reads a URDF robot description into a new model: one body per link showing all its
/// visuals (box, cylinder, sphere, mesh, each at its origin in its material colour), one
/// joint per URDF joint between the parent's and the child's bodies, and the kinematic
/// tree (`Scene::kinematics`) with every joint at position zero (clamped into its limits)
/// and the links placed. Throws LoadError naming the file: the parser's message for a
/// malformed description, and every place looked in for a mesh that cannot be found.
[[nodiscard]] OSTRA_IO_EXPORT Scene loadUrdf(const std::filesystem::path& file,
                                             const UrdfOptions& options = {},
                                             MeshCache* cache = nullptr);
/// Like `loadUrdf`, from `text`; `file` names it in messages and its folder anchors
/// relative mesh paths.
[[nodiscard]] OSTRA_IO_EXPORT Scene readUrdf(std::string_view text,
                                             const std::filesystem::path& file,
                                             const UrdfOptions& options = {},
                                             MeshCache* cache = nullptr);

/// Opens a model file of any kind the library reads: a URDF robot description for a
/// `.urdf` file, otherwise a scene file.
[[nodiscard]] OSTRA_IO_EXPORT Scene loadModel(const std::filesystem::path& file,
                                              const UrdfOptions& options = {},
                                              MeshCache* cache = nullptr);

} // namespace Ostra::IO

#pragma once

#include <filesystem>
#include <ostra_io/Export.h>
#include <ostra_io/MeshImport.h>
#include <ostra_io/Scene.h>
#include <string>
#include <string_view>

namespace Ostra::IO {

/// The name and the version a scene file carries in its "format" and "version" keys.
inline constexpr std::string_view sceneFormatName = "ostra-scene";
inline constexpr int sceneFormatVersion = 1;

/// Reads a scene file into a new model; relative mesh paths are taken from the file's
/// folder, meshes come through `cache` when given. Nothing is handed out unless all of it
/// was read. Throws LoadError naming the file and the place in it.
[[nodiscard]] OSTRA_IO_EXPORT Scene loadScene(const std::filesystem::path& file,
                                              MeshCache* cache = nullptr);
/// Like `loadScene`, from `text`; `file` names it in messages and its folder anchors
/// relative mesh paths.
[[nodiscard]] OSTRA_IO_EXPORT Scene readScene(std::string_view text,
                                              const std::filesystem::path& file,
                                              MeshCache* cache = nullptr);

/// The scene as the text of a scene file whose mesh paths are relative to `folder`.
/// Throws Tolu::Error for what the format cannot hold: a body whose geometry is not one of
/// the scene's prototypes, nameless or twice-named objects, a joint on a track whose
/// first body is not a track.
[[nodiscard]] OSTRA_IO_EXPORT std::string writeScene(const Scene& scene,
                                                     const std::filesystem::path& folder);
/// Writes the scene file `file`. Throws like `writeScene`, and Tolu::Error naming the file
/// when it cannot be written.
OSTRA_IO_EXPORT void saveScene(const Scene& scene, const std::filesystem::path& file);

} // namespace Ostra::IO

#include <algorithm>
#include <cctype>
#include <ostra_io/SceneFile.h>
#include <ostra_io/Urdf.h>
#include <string>

namespace Ostra::IO {

Scene loadModel(const std::filesystem::path& file, const UrdfOptions& options, MeshCache* cache) {
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".urdf")
        return loadUrdf(file, options, cache);
    return loadScene(file, cache);
}

} // namespace Ostra::IO

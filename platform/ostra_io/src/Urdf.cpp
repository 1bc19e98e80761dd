#include <ostra_io/LoadError.h>
#include <ostra_io/Urdf.h>

namespace Ostra::IO {

// Robot descriptions are read through urdfdom; until that reader is in, say so plainly.
Scene readUrdf(std::string_view, const std::filesystem::path& file, const UrdfOptions&,
               MeshCache*) {
    throw LoadError(file.string(), "", "URDF files cannot be read by this build");
}

Scene loadUrdf(const std::filesystem::path& file, const UrdfOptions& options, MeshCache* cache) {
    return readUrdf({}, file, options, cache);
}

} // namespace Ostra::IO

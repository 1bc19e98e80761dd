// The one place that talks to the mesh importer: everything it gives is turned into the
// render library's model geometry here, and everything it reports into LoadError.

#include <algorithm>
#include <array>
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/mesh.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <cmath>
#include <map>
#include <ostra_io/LoadError.h>
#include <ostra_io/MeshImport.h>
#include <string_view>
#include <system_error>
#include <vector>

namespace Ostra::IO {

namespace {

using V3 = Tolu::Vector3T<float>;
using C4 = Tolu::Vector4T<float>;

// Past this many distinct vertex colours a mesh is drawn in their average instead: each
// colour costs a draw call.
constexpr std::size_t maxColourGroups = 64;

/// Turns a point of the file into body coordinates: scale, then the up axis onto +z.
struct Placement {
    V3 scale;
    UpAxis up;

    [[nodiscard]] V3 turn(const V3& v) const {
        switch (up) {
        case UpAxis::X: // x up: a quarter turn about y takes +x to +z
            return {-v.z, v.y, v.x};
        case UpAxis::Y: // y up: a quarter turn about x takes +y to +z
            return {v.x, -v.z, v.y};
        case UpAxis::Z:
            break;
        }
        return v;
    }
    [[nodiscard]] V3 point(const aiVector3D& p) const {
        return turn({p.x * scale.x, p.y * scale.y, p.z * scale.z});
    }
    // Normals take the inverse transpose of the scale, then the turn.
    [[nodiscard]] V3 normal(const aiVector3D& n) const {
        const V3 scaled = turn({n.x / scale.x, n.y / scale.y, n.z / scale.z});
        const float length = scaled.length();
        return length > 0 ? scaled / length : V3{0, 0, 1};
    }
};

// The colour of geometry whose file gives none: that of the ready-made shapes.
const C4 defaultColour{0.8f, 0.8f, 0.8f, 1.0f};

C4 materialColour(const aiMaterial& material) {
    aiString name;
    // The importer makes up a material of its own for files without one (STL, PLY).
    if (material.Get(AI_MATKEY_NAME, name) == AI_SUCCESS &&
        std::string_view(name.C_Str()) == AI_DEFAULT_MATERIAL_NAME) {
        return defaultColour;
    }
    aiColor4D colour(defaultColour.x, defaultColour.y, defaultColour.z, defaultColour.w);
    if (material.Get(AI_MATKEY_BASE_COLOR, colour) != AI_SUCCESS) {
        material.Get(AI_MATKEY_COLOR_DIFFUSE, colour);
    }
    float opacity = 1.0f;
    if (material.Get(AI_MATKEY_OPACITY, opacity) == AI_SUCCESS && opacity < 1.0f) {
        colour.a *= opacity;
    }
    return {colour.r, colour.g, colour.b, colour.a};
}

C4 toColour(const aiColor4D& c) {
    return {c.r, c.g, c.b, c.a};
}

std::uint32_t key(const aiColor4D& c) {
    const auto byte = [](float v) {
        return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
    };
    return byte(c.r) << 24 | byte(c.g) << 16 | byte(c.b) << 8 | byte(c.a);
}

Vuro::Vertex vertex(const aiMesh& mesh, unsigned index, const Placement& placement) {
    return {placement.point(mesh.mVertices[index]),
            mesh.HasNormals() ? placement.normal(mesh.mNormals[index]) : V3{0, 0, 1}};
}

/// Adds the triangles of `mesh` to `groups`, keyed by colour: the material's, or that of
/// each triangle's first vertex when the mesh has vertex colours.
void collect(const aiScene& scene, const aiMesh& mesh, const Placement& placement,
             const MeshOptions& options, std::map<std::uint32_t, Vuro::PrimGroup>& groups) {
    const bool vertexColours = !options.color && mesh.HasVertexColors(0);
    const C4 base = options.color ? *options.color
                    : mesh.mMaterialIndex < scene.mNumMaterials
                        ? materialColour(*scene.mMaterials[mesh.mMaterialIndex])
                        : defaultColour;
    const aiColor4D baseColour(base.x, base.y, base.z, base.w);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices != 3) {
            continue; // points and lines of a mixed file are not surfaces
        }
        const aiColor4D colour = vertexColours ? mesh.mColors[0][face.mIndices[0]] : baseColour;
        Vuro::PrimGroup& group = groups[key(colour)];
        if (group.vertices.empty()) {
            group.color = toColour(colour);
            group.vertices.reserve(vertexColours ? 3 : std::size_t(mesh.mNumFaces) * 3);
        }
        for (unsigned k = 0; k < 3; ++k) {
            group.vertices.push_back(vertex(mesh, face.mIndices[k], placement));
        }
    }
}

/// Folds groups that only differ by vertex colour into one of their average colour.
void limitGroups(std::map<std::uint32_t, Vuro::PrimGroup>& groups) {
    if (groups.size() <= maxColourGroups) {
        return;
    }
    Vuro::PrimGroup all;
    std::array<double, 4> sum{};
    double weight = 0;
    for (auto& [colourKey, group] : groups) {
        const double n = double(group.vertices.size());
        sum[0] += group.color.x * n;
        sum[1] += group.color.y * n;
        sum[2] += group.color.z * n;
        sum[3] += group.color.w * n;
        weight += n;
        all.vertices.insert(all.vertices.end(), group.vertices.begin(), group.vertices.end());
    }
    all.color = C4(float(sum[0] / weight), float(sum[1] / weight), float(sum[2] / weight),
                   float(sum[3] / weight));
    groups.clear();
    groups.emplace(0, std::move(all));
}

} // namespace

Tolu::RefT<Vuro::BodyProto> importMesh(const std::filesystem::path& file,
                                       const MeshOptions& options) {
    const std::string name = file.string();
    for (std::size_t i = 0; i < 3; ++i) {
        if (!(std::isfinite(options.scale[i]) && options.scale[i] > 0)) {
            throw LoadError(name, "",
                            "scale " + std::to_string(options.scale[i]) +
                                " is not a positive number");
        }
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        throw LoadError(name, "",
                        "no such mesh file (looked for " +
                            std::filesystem::absolute(file, error).string() + ")");
    }
    Assimp::Importer importer;
    // Every format keeps the file's own axes, so that the up-axis option means the same for
    // all of them (the COLLADA reader would otherwise turn z-up files to y-up).
    importer.SetPropertyBool(AI_CONFIG_IMPORT_COLLADA_IGNORE_UP_DIRECTION, true);
    // Faces come as triangles with normals (smooth where the file has none), each mesh
    // already placed by its node; lines and points are skipped below.
    const aiScene* scene =
        importer.ReadFile(name, aiProcess_Triangulate | aiProcess_SortByPType |
                                    aiProcess_GenSmoothNormals | aiProcess_PreTransformVertices);
    if (!scene) {
        const std::string why = importer.GetErrorString();
        // A file of points alone reads as no meshes at all.
        if (why.find("No output meshes") != std::string::npos ||
            why.find("No meshes") != std::string::npos) {
            throw LoadError(name, "", "mesh has no triangles (" + why + ")");
        }
        throw LoadError(name, "", "cannot read mesh: " + why);
    }
    const Placement placement{options.scale, options.up};
    std::map<std::uint32_t, Vuro::PrimGroup> groups;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        collect(*scene, *scene->mMeshes[m], placement, options, groups);
    }
    if (groups.empty()) {
        throw LoadError(name, "", "mesh has no triangles");
    }
    limitGroups(groups);
    auto proto = Tolu::makeRef<Vuro::BodyProto>(file.filename().string());
    for (auto& [colourKey, group] : groups) {
        try {
            proto->addGroup(std::move(group));
        } catch (const Tolu::Error& e) {
            throw LoadError(name, "", e.what());
        }
    }
    return proto;
}

Tolu::RefT<Vuro::BodyProto> MeshCache::get(const std::filesystem::path& file,
                                           const MeshOptions& options) {
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(file, error);
    if (error) {
        canonical = file;
    }
    const C4 colour = options.color.value_or(C4{});
    const Key k{canonical.string(),
                options.scale.x,
                options.scale.y,
                options.scale.z,
                static_cast<int>(options.up),
                options.color.has_value(),
                colour.x,
                colour.y,
                colour.z,
                colour.w};
    if (const auto found = meshes.find(k); found != meshes.end()) {
        return found->second;
    }
    auto proto = importMesh(file, options);
    meshes.emplace(k, proto);
    return proto;
}

} // namespace Ostra::IO

#pragma once

#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>

#include <filesystem>
#include <string>
#include <vector>

namespace Tolu::Test {

/// Writes small mesh files in the formats the importer reads, for tests to import.
namespace MeshFiles {

using V3 = Tolu::Vector3T<float>;
using C4 = Tolu::Vector4T<float>;

struct Tri {
    V3 a, b, c;
};

/// The twelve triangles of the box from `min` to `max`, counter-clockwise from outside.
[[nodiscard]] std::vector<Tri> box(const V3& min, const V3& max);

void writeStlAscii(const std::filesystem::path& file, const std::vector<Tri>& tris);
void writeStlBinary(const std::filesystem::path& file, const std::vector<Tri>& tris);
/// OBJ without normals, with an MTL beside it giving `colour`.
void writeObj(const std::filesystem::path& file, const std::vector<Tri>& tris, const C4& colour);
/// ASCII PLY with one colour per vertex: the first half of the triangles `colour`, the
/// rest `other`.
void writePly(const std::filesystem::path& file, const std::vector<Tri>& tris, const C4& colour,
              const C4& other);
/// glTF 2.0 (.gltf with an embedded buffer, or .glb): positions only, base colour `colour`.
void writeGltf(const std::filesystem::path& file, const std::vector<Tri>& tris, const C4& colour,
               bool binary);
/// COLLADA with positions only and a diffuse `colour`, z up.
void writeCollada(const std::filesystem::path& file, const std::vector<Tri>& tris,
                  const C4& colour);

/// Writes `text` into `file`.
void writeText(const std::filesystem::path& file, const std::string& text);

} // namespace MeshFiles

} // namespace Tolu::Test

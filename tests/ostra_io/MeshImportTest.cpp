#include "MeshFiles.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostra_io/LoadError.h>
#include <ostra_io/MeshImport.h>

// Mesh files of every format the tests can write, imported into model geometry.
namespace {

namespace IO = Ostra::IO;
namespace Files = Tolu::Test::MeshFiles;
using V3 = Tolu::Vector3T<float>;
using C4 = Tolu::Vector4T<float>;
using Tolu::Test::TempDir;

const C4 paint{0.9f, 0.2f, 0.1f, 1.0f};
const C4 other{0.1f, 0.3f, 0.9f, 1.0f};

struct Format {
    const char* name;
    const char* file;
    std::function<void(const std::filesystem::path&, const std::vector<Files::Tri>&)> write;
    std::vector<C4> colours; ///< the group colours the file gives, in any order
};

const Format formats[] = {
    {"StlAscii", "part.stl", Files::writeStlAscii, {{0.8f, 0.8f, 0.8f, 1.0f}}},
    {"StlBinary", "part.stl", Files::writeStlBinary, {{0.8f, 0.8f, 0.8f, 1.0f}}},
    {"ObjMtl", "part.obj", [](auto& f, auto& t) { Files::writeObj(f, t, paint); }, {paint}},
    {"PlyVertexColours",
     "part.ply",
     [](auto& f, auto& t) { Files::writePly(f, t, paint, other); },
     {paint, other}},
    {"Gltf", "part.gltf", [](auto& f, auto& t) { Files::writeGltf(f, t, paint, false); }, {paint}},
    {"Glb", "part.glb", [](auto& f, auto& t) { Files::writeGltf(f, t, paint, true); }, {paint}},
    {"Collada", "part.dae", [](auto& f, auto& t) { Files::writeCollada(f, t, paint); }, {paint}},
};

class MeshImportTest : public ::testing::TestWithParam<Format> {};

bool near(const C4& a, const C4& b) {
    return std::abs(a.x - b.x) < 0.01f && std::abs(a.y - b.y) < 0.01f &&
           std::abs(a.z - b.z) < 0.01f && std::abs(a.w - b.w) < 0.01f;
}

TEST_P(MeshImportTest, GivesEveryTriangleWithOutwardNormalsColoursAndTheScaledBox) {
    const TempDir dir;
    const auto file = dir / GetParam().file;
    GetParam().write(file, Files::box({0, 0, 0}, {1, 2, 3}));

    IO::MeshOptions options;
    options.scale = {2, 2, 2};
    const auto proto = IO::importMesh(file, options);
    std::size_t vertices = 0;
    std::vector<C4> colours;
    const V3 centre{1, 2, 3};
    for (const Vuro::PrimGroup& group : proto->getGroups()) {
        ASSERT_EQ(group.type, Vuro::PrimType::Triangles);
        colours.push_back(group.color);
        vertices += group.vertices.size();
        for (std::size_t v = 0; v < group.vertices.size(); v += 3) {
            const V3 middle =
                (group.vertices[v].pos + group.vertices[v + 1].pos + group.vertices[v + 2].pos) /
                3.0f;
            for (std::size_t k = 0; k < 3; ++k) {
                const V3& n = group.vertices[v + k].normal;
                EXPECT_NEAR(n.length(), 1.0f, 1e-4f);
                EXPECT_GT(n.dot(middle - centre), 0.0f) << "normal of triangle " << v / 3;
            }
        }
    }
    EXPECT_EQ(vertices, 36u);
    ASSERT_EQ(colours.size(), GetParam().colours.size());
    for (const C4& expected : GetParam().colours) {
        EXPECT_TRUE(std::any_of(colours.begin(), colours.end(),
                                [&](const C4& c) { return near(c, expected); }))
            << "no group of colour (" << expected.x << ", " << expected.y << ", " << expected.z
            << ")";
    }
    ASSERT_TRUE(proto->getBBox().valid);
    EXPECT_EQ(proto->getBBox().min, V3(0, 0, 0));
    EXPECT_EQ(proto->getBBox().max, V3(2, 4, 6));
}

INSTANTIATE_TEST_SUITE_P(Formats, MeshImportTest, ::testing::ValuesIn(formats),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MeshOptionsTest, UpAxisTurnsOntoZAndColourReplacesTheFilesAndTheCacheReadsOnce) {
    const TempDir dir;
    const auto file = dir / "part.obj";
    Files::writeObj(file, Files::box({0, 0, 0}, {1, 2, 3}), paint);
    IO::MeshOptions yUp;
    yUp.up = IO::UpAxis::Y;
    // y up: the file's y becomes z, its z becomes -y.
    const auto turned = IO::importMesh(file, yUp);
    EXPECT_EQ(turned->getBBox().min, V3(0, -3, 0));
    EXPECT_EQ(turned->getBBox().max, V3(1, 0, 2));
    IO::MeshOptions xUp;
    xUp.up = IO::UpAxis::X;
    xUp.color = other;
    const auto recoloured = IO::importMesh(file, xUp);
    EXPECT_EQ(recoloured->getBBox().min, V3(-3, 0, 0));
    EXPECT_EQ(recoloured->getBBox().max, V3(0, 2, 1));
    ASSERT_EQ(recoloured->getGroups().size(), 1u);
    EXPECT_EQ(recoloured->getGroups()[0].color, other);

    IO::MeshCache cache;
    const auto first = cache.get(file, yUp);
    EXPECT_EQ(cache.get(dir.path / "." / "part.obj", yUp).get(), first.get());
    EXPECT_NE(cache.get(file, xUp).get(), first.get());
    EXPECT_EQ(cache.getCount(), 2u);
}

} // namespace

#include "MeshFiles.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace Tolu::Test::MeshFiles {

namespace {

std::ofstream open(const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
    return out;
}

V3 normal(const Tri& t) {
    const V3 n = (t.b - t.a).cross(t.c - t.a);
    return n / n.length();
}

std::vector<float> positions(const std::vector<Tri>& tris) {
    std::vector<float> out;
    for (const Tri& t : tris) {
        for (const V3& p : {t.a, t.b, t.c}) {
            out.insert(out.end(), {p.x, p.y, p.z});
        }
    }
    return out;
}

std::string base64(const std::string& bytes) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const std::uint32_t v = std::uint8_t(bytes[i]) << 16 | std::uint8_t(bytes[i + 1]) << 8 |
                                std::uint8_t(bytes[i + 2]);
        out += {digits[v >> 18], digits[(v >> 12) & 63], digits[(v >> 6) & 63], digits[v & 63]};
    }
    if (i + 1 == bytes.size()) {
        const std::uint32_t v = std::uint8_t(bytes[i]) << 16;
        out += {digits[v >> 18], digits[(v >> 12) & 63], '=', '='};
    } else if (i + 2 == bytes.size()) {
        const std::uint32_t v = std::uint8_t(bytes[i]) << 16 | std::uint8_t(bytes[i + 1]) << 8;
        out += {digits[v >> 18], digits[(v >> 12) & 63], digits[(v >> 6) & 63], '='};
    }
    return out;
}

} // namespace

std::vector<Tri> box(const V3& lo, const V3& hi) {
    const auto p = [&](int x, int y, int z) {
        return V3{x ? hi.x : lo.x, y ? hi.y : lo.y, z ? hi.z : lo.z};
    };
    // Each face as four corners counter-clockwise seen from outside.
    const int faces[6][4][3] = {
        {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},
        {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}};
    std::vector<Tri> tris;
    for (const auto& f : faces) {
        const V3 c0 = p(f[0][0], f[0][1], f[0][2]);
        const V3 c1 = p(f[1][0], f[1][1], f[1][2]);
        const V3 c2 = p(f[2][0], f[2][1], f[2][2]);
        const V3 c3 = p(f[3][0], f[3][1], f[3][2]);
        tris.push_back({c0, c1, c2});
        tris.push_back({c0, c2, c3});
    }
    return tris;
}

void writeText(const std::filesystem::path& file, const std::string& text) {
    open(file) << text;
}

void writeStlAscii(const std::filesystem::path& file, const std::vector<Tri>& tris) {
    std::ofstream out = open(file);
    out << "solid test\n";
    for (const Tri& t : tris) {
        const V3 n = normal(t);
        out << " facet normal " << n.x << " " << n.y << " " << n.z << "\n  outer loop\n";
        for (const V3& p : {t.a, t.b, t.c}) {
            out << "   vertex " << p.x << " " << p.y << " " << p.z << "\n";
        }
        out << "  endloop\n endfacet\n";
    }
    out << "endsolid test\n";
}

void writeStlBinary(const std::filesystem::path& file, const std::vector<Tri>& tris) {
    std::ofstream out = open(file);
    const char header[80] = "binary test mesh";
    out.write(header, 80);
    const auto count = static_cast<std::uint32_t>(tris.size());
    out.write(reinterpret_cast<const char*>(&count), 4);
    for (const Tri& t : tris) {
        const V3 n = normal(t);
        const float values[12] = {n.x,   n.y,   n.z,   t.a.x, t.a.y, t.a.z,
                                  t.b.x, t.b.y, t.b.z, t.c.x, t.c.y, t.c.z};
        out.write(reinterpret_cast<const char*>(values), sizeof values);
        const std::uint16_t attributes = 0;
        out.write(reinterpret_cast<const char*>(&attributes), 2);
    }
}

void writeObj(const std::filesystem::path& file, const std::vector<Tri>& tris, const C4& colour) {
    const std::filesystem::path mtl = std::filesystem::path(file).replace_extension(".mtl");
    std::ofstream material = open(mtl);
    material << "newmtl paint\nKd " << colour.x << " " << colour.y << " " << colour.z << "\nd "
             << colour.w << "\n";
    std::ofstream out = open(file);
    out << "mtllib " << mtl.filename().string() << "\nusemtl paint\n";
    for (const Tri& t : tris) {
        for (const V3& p : {t.a, t.b, t.c}) {
            out << "v " << p.x << " " << p.y << " " << p.z << "\n";
        }
    }
    for (std::size_t i = 0; i < tris.size(); ++i) {
        out << "f " << 3 * i + 1 << " " << 3 * i + 2 << " " << 3 * i + 3 << "\n";
    }
}

void writePly(const std::filesystem::path& file, const std::vector<Tri>& tris, const C4& colour,
              const C4& other) {
    std::ofstream out = open(file);
    out << "ply\nformat ascii 1.0\nelement vertex " << 3 * tris.size()
        << "\nproperty float x\nproperty float y\nproperty float z\n"
           "property uchar red\nproperty uchar green\nproperty uchar blue\n"
           "element face "
        << tris.size() << "\nproperty list uchar int vertex_indices\nend_header\n";
    for (std::size_t i = 0; i < tris.size(); ++i) {
        const C4& c = i < tris.size() / 2 ? colour : other;
        for (const V3& p : {tris[i].a, tris[i].b, tris[i].c}) {
            out << p.x << " " << p.y << " " << p.z << " " << int(c.x * 255 + 0.5f) << " "
                << int(c.y * 255 + 0.5f) << " " << int(c.z * 255 + 0.5f) << "\n";
        }
    }
    for (std::size_t i = 0; i < tris.size(); ++i) {
        out << "3 " << 3 * i << " " << 3 * i + 1 << " " << 3 * i + 2 << "\n";
    }
}

void writeGltf(const std::filesystem::path& file, const std::vector<Tri>& tris, const C4& colour,
               bool binary) {
    const std::vector<float> data = positions(tris);
    std::string bytes(reinterpret_cast<const char*>(data.data()), data.size() * sizeof(float));
    V3 lo = tris[0].a;
    V3 hi = tris[0].a;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        for (std::size_t k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], data[i + k]);
            hi[k] = std::max(hi[k], data[i + k]);
        }
    }
    std::ostringstream json;
    json << R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)"
         << R"("nodes":[{"mesh":0}],"meshes":[{"primitives":[{"attributes":{"POSITION":0},)"
         << R"("material":0}]}],"materials":[{"pbrMetallicRoughness":{"baseColorFactor":[)"
         << colour.x << "," << colour.y << "," << colour.z << "," << colour.w << "]}}],"
         << R"("accessors":[{"bufferView":0,"componentType":5126,"count":)" << data.size() / 3
         << R"(,"type":"VEC3","min":[)" << lo.x << "," << lo.y << "," << lo.z << "],\"max\":["
         << hi.x << "," << hi.y << "," << hi.z << "]}],"
         << R"("bufferViews":[{"buffer":0,"byteLength":)" << bytes.size() << "}],"
         << R"("buffers":[{"byteLength":)" << bytes.size();
    if (!binary) {
        json << R"(,"uri":"data:application/octet-stream;base64,)" << base64(bytes) << "\"}]}";
        writeText(file, json.str());
        return;
    }
    json << "}]}";
    std::string text = json.str();
    text.append((4 - text.size() % 4) % 4, ' ');
    bytes.append((4 - bytes.size() % 4) % 4, '\0');
    std::ofstream out = open(file);
    const auto put = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    put(0x46546C67); // "glTF"
    put(2);
    put(static_cast<std::uint32_t>(12 + 8 + text.size() + 8 + bytes.size()));
    put(static_cast<std::uint32_t>(text.size()));
    put(0x4E4F534A); // "JSON"
    out.write(text.data(), std::streamsize(text.size()));
    put(static_cast<std::uint32_t>(bytes.size()));
    put(0x004E4942); // "BIN\0"
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

void writeCollada(const std::filesystem::path& file, const std::vector<Tri>& tris,
                  const C4& colour) {
    const std::vector<float> data = positions(tris);
    std::ofstream out = open(file);
    out << R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
<asset><unit name="meter" meter="1"/><up_axis>Z_UP</up_axis></asset>
<library_effects><effect id="paint-fx"><profile_COMMON><technique sid="common"><lambert>
<diffuse><color>)"
        << colour.x << " " << colour.y << " " << colour.z << " " << colour.w
        << R"(</color></diffuse>
</lambert></technique></profile_COMMON></effect></library_effects>
<library_materials><material id="paint"><instance_effect url="#paint-fx"/></material></library_materials>
<library_geometries><geometry id="mesh"><mesh>
<source id="pos"><float_array id="pos-array" count=")"
        << data.size() << "\">";
    for (const float v : data) {
        out << v << " ";
    }
    out << R"(</float_array><technique_common><accessor source="#pos-array" count=")"
        << data.size() / 3 << R"(" stride="3">
<param name="X" type="float"/><param name="Y" type="float"/><param name="Z" type="float"/>
</accessor></technique_common></source>
<vertices id="verts"><input semantic="POSITION" source="#pos"/></vertices>
<triangles material="paint" count=")"
        << tris.size() << R"("><input semantic="VERTEX" source="#verts" offset="0"/><p>)";
    for (std::size_t i = 0; i < data.size() / 3; ++i) {
        out << i << " ";
    }
    out << R"(</p></triangles></mesh></geometry></library_geometries>
<library_visual_scenes><visual_scene id="scene"><node id="part">
<instance_geometry url="#mesh"><bind_material><technique_common>
<instance_material symbol="paint" target="#paint"/></technique_common></bind_material>
</instance_geometry></node></visual_scene></library_visual_scenes>
<scene><instance_visual_scene url="#scene"/></scene>
</COLLADA>
)";
}

} // namespace Tolu::Test::MeshFiles

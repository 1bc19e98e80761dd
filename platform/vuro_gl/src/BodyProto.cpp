#include <tolu/math3d/Errors.h>
#include <tolu/util/Error.h>
#include <vuro_gl/BodyProto.h>

#include <cmath>
#include <string>
#include <utility>

namespace Vuro {

namespace {

unsigned verticesPerPrimitive(PrimType type) {
    switch (type) {
    case PrimType::Points:
        return 1;
    case PrimType::Lines:
        return 2;
    case PrimType::Triangles:
        return 3;
    }
    throw Tolu::Error("Vuro::BodyProto::addGroup: unknown primitive kind " +
                      std::to_string(static_cast<int>(type)));
}

bool isFinite(const Tolu::Vector3T<float>& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

std::string describe(const Tolu::Vector3T<float>& v) {
    return "(" + Tolu::formatMath3dValue(v.x) + ", " + Tolu::formatMath3dValue(v.y) + ", " +
           Tolu::formatMath3dValue(v.z) + ")";
}

} // namespace

BodyProto::BodyProto(std::string name) : name(std::move(name)) {}
BodyProto::~BodyProto() = default;

void BodyProto::addGroup(PrimGroup group) {
    if (group.slot >= slotCount) {
        throw Tolu::Error("Vuro::BodyProto::addGroup: slot " + std::to_string(group.slot) +
                          " is past " + std::to_string(slotCount - 1));
    }
    const unsigned per = verticesPerPrimitive(group.type);
    if (group.vertices.size() % per != 0) {
        throw Tolu::Error("Vuro::BodyProto::addGroup: " + std::to_string(group.vertices.size()) +
                          " vertices are not a multiple of " + std::to_string(per));
    }
    // Checked before anything is kept, so a rejected group leaves the box as it was.
    for (std::size_t i = 0; i < group.vertices.size(); ++i) {
        const Vertex& v = group.vertices[i];
        if (!isFinite(v.pos) || !isFinite(v.normal)) {
            throw Tolu::Error("Vuro::BodyProto::addGroup: vertex " + std::to_string(i) +
                              " is not finite: position " + describe(v.pos) + ", normal " +
                              describe(v.normal));
        }
    }
    for (const Vertex& v : group.vertices) {
        bbox.add(v.pos);
    }
    groups.push_back(std::move(group));
}

} // namespace Vuro

#include <tolu/gl/GL.h>
#include <tolu/util/Error.h>
#include <vuro_gl/gl/BodyProto.h>

#include <utility>

namespace Vuro::GL {

namespace {

// The box's lines are unlit: they carry no normal.
void addBoxEdges(const Tolu::BBoxT<float>& box, std::vector<Vertex>& out) {
    auto corner = [&](unsigned bits) {
        return Tolu::Vector3T<float>{(bits & 1u) ? box.max.x : box.min.x,
                                     (bits & 2u) ? box.max.y : box.min.y,
                                     (bits & 4u) ? box.max.z : box.min.z};
    };
    // Corners are numbered by which coordinates are at the maximum; an edge joins two
    // corners that differ in one coordinate.
    for (unsigned from = 0; from < 8; ++from) {
        for (unsigned axis = 1; axis < 8; axis <<= 1) {
            if ((from & axis) == 0) {
                out.push_back({corner(from), {}});
                out.push_back({corner(from | axis), {}});
            }
        }
    }
}

} // namespace

BodyProto::BodyProto(Vuro::BodyProto& model) : proto(&model), bbox(model.getBBox()) {
    for (const PrimGroup& group : model.getGroups()) {
        SlotBuffer& slot = slots[group.slot];
        const auto first = unsigned(slot.vertices.size());
        slot.vertices.insert(slot.vertices.end(), group.vertices.begin(), group.vertices.end());
        GPrim prim(slot, std::int32_t(group.slot), first, unsigned(group.vertices.size()),
                   Tolu::makeRef<GState>(group.color));
        GPrims& kind = group.type == PrimType::Points  ? points
                       : group.type == PrimType::Lines ? lines
                                                       : tris;
        kind[group.slot].push_back(std::move(prim));
    }
    if (bbox.valid) {
        addBoxEdges(bbox, boxSlot.vertices);
        boxPrim.emplace(boxSlot, -1, 0u, unsigned(boxSlot.vertices.size()),
                        Tolu::makeRef<GState>(Tolu::Vector4T<float>{1.0f, 1.0f, 1.0f, 1.0f}));
    }
}

BodyProto::~BodyProto() {
    // A prototype may outlive the OpenGL context; its names then died with it.
    if (Tolu::GL::isInited()) {
        releaseGL();
    }
}

void BodyProto::nameVBOs() {
    // Only slots still without a name: a retry after a failure leaks nothing.
    for (unsigned i = 0; i < slotCount; ++i) {
        if (vbos[i] == 0 && !slots[i].vertices.empty()) {
            Tolu::GL::glGenBuffers(1, &vbos[i]);
        }
    }
    vbosNamed = true;
}

unsigned BodyProto::getBBoxVBO() {
    if (boxVbo == 0 && boxPrim) {
        Tolu::GL::glGenBuffers(1, &boxVbo);
    }
    return boxVbo;
}

GPrim& BodyProto::getBBoxGPrim() {
    if (!boxPrim) {
        throw Tolu::Error("Vuro::GL::BodyProto::getBBoxGPrim: the box of \"" +
                          (proto ? proto->getName() : std::string()) + "\" is empty");
    }
    return *boxPrim;
}

void BodyProto::setHighlight(HLMode mode, bool on, bool /*propagate: nothing below*/) {
    hlFlags = (hlFlags & ~hlBit(mode)) | (on ? hlBit(mode) : 0u);
    for (GPrims* kind : {&points, &lines, &tris}) {
        for (std::vector<GPrim>& slot : *kind) {
            for (GPrim& prim : slot) {
                if (prim.getGLGState()) {
                    prim.getGLGState()->setHighlight(mode, on);
                }
            }
        }
    }
    if (boxPrim && boxPrim->getGLGState()) {
        boxPrim->getGLGState()->setHighlight(mode, on);
    }
}

void BodyProto::releaseGL() noexcept {
    for (SlotBuffer& slot : slots) {
        slot.releaseGL();
    }
    boxSlot.releaseGL();
    std::array<unsigned, slotCount + 1> names{};
    int named = 0;
    for (unsigned& vbo : vbos) {
        if (vbo != 0) {
            names[std::size_t(named++)] = std::exchange(vbo, 0u);
        }
    }
    if (boxVbo != 0) {
        names[std::size_t(named++)] = std::exchange(boxVbo, 0u);
    }
    vbosNamed = false;
    if (named != 0) {
        // Called from the destructor: a failing table cannot be reported, and the names
        // are forgotten either way.
        try {
            Tolu::GL::glDeleteBuffers(named, names.data());
        } catch (...) {
        }
    }
}

} // namespace Vuro::GL

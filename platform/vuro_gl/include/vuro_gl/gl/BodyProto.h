#pragma once

#include <tolu/math3d/BBoxT.h>
#include <tolu/math3d/FrustumT.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/Segment3T.h>
#include <tolu/util/PtrT.h>
#include <vuro_gl/BodyProto.h>
#include <vuro_gl/gl/DataClass.h>
#include <vuro_gl/gl/GPrim.h>
#include <vuro_gl/gl/HLMode.h>
#include <vuro_gl/gl/Isect.h>
#include <vuro_gl/gl/IsectContext.h>
#include <vuro_gl/gl/SlotBuffer.h>

#include <array>
#include <optional>
#include <vector>

namespace Vuro::GL {

/// GL prototype of a model body geometry, made once per model prototype by the
/// `ClassMap` and shared by every scene prototype that wraps it. Making it touches no
/// OpenGL; buffers are named and filled when first drawn.
class VURO_GL_EXPORT BodyProto : public DataClass {
public:
    /// How many vertex-buffer slots a prototype has.
    static constexpr unsigned slotCount = Vuro::BodyProto::slotCount;
    /// Primitive groups of one kind, per slot.
    using GPrims = std::array<std::vector<GPrim>, slotCount>;

    /// Lays out the groups of `proto` per slot; no OpenGL call is made.
    explicit BodyProto(Vuro::BodyProto& proto);

    /// One buffer name per slot, 0 for an empty slot. Names the buffers on first call,
    /// which needs the current OpenGL context.
    [[nodiscard]] const std::array<unsigned, slotCount>& getGLVBOs() {
        if (!vbosNamed) {
            nameVBOs(); // once; every draw of every body asks
        }
        return vbos;
    }
    ///@{
    /// The point, line and triangle groups of each slot.
    [[nodiscard]] GPrims& getGLPoints() noexcept { return points; }
    [[nodiscard]] GPrims& getGLLines() noexcept { return lines; }
    [[nodiscard]] GPrims& getGLTris() noexcept { return tris; }
    ///@}
    /// Buffer of the bounding box's twelve edges, 0 when the box is not valid. Named on
    /// first call.
    [[nodiscard]] unsigned getBBoxVBO();
    /// The box's line group (white); its `vboSlot` is -1, it draws from `getBBoxVBO()`.
    /// Throws `Tolu::Error` when the box is not valid.
    [[nodiscard]] GPrim& getBBoxGPrim();
    /// Box around all vertices, in body coordinates; not valid for empty geometry.
    [[nodiscard]] const Tolu::BBoxT<float>& getBBox() const noexcept { return bbox; }
    /// The model prototype this was made from.
    [[nodiscard]] const Tolu::PtrT<Vuro::BodyProto>& get() const noexcept { return proto; }

    /// Mesh test: the nearest triangle the segment crosses, or line or point inside the
    /// frustum, of the geometry placed by `bodyToWorld`. On a hit fills `hit`, narrows
    /// segment and frustum like `clip` and returns true. A prototype that the context's
    /// filter rejects is never hit.
    bool isect(Tolu::Segment3T<double>& segment, Tolu::FrustumT<double>& frustum,
               const Tolu::Matrix4x4T<double>& bodyToWorld, Isect::Context& context,
               Isect::Hit& hit) const;

    /// Sets or clears the highlight of every graphics state of the prototype in `mode`.
    virtual void setHighlight(HLMode mode, bool on, bool propagate);
    /// True if the prototype is highlighted in `mode` (taken modulo 32).
    [[nodiscard]] bool isHighlighted(HLMode mode) const noexcept {
        return (hlFlags & hlBit(mode)) != 0;
    }

    /// Deletes the buffers and vertex arrays and forgets their names; the next
    /// `getGLVBOs`/`getBBoxVBO` names buffers again and the next `updateGL` fills them.
    void releaseGL() noexcept;

    /// Number of scene prototypes that wrap this one.
    unsigned userCount = 0;

protected:
    /// Deletes the OpenGL objects when OpenGL is still loaded.
    ~BodyProto() override;

private:
    Tolu::PtrT<Vuro::BodyProto> proto;
    Tolu::BBoxT<float> bbox;
    std::array<SlotBuffer, slotCount> slots;
    std::array<unsigned, slotCount> vbos{};
    bool vbosNamed = false;

    void nameVBOs();
    GPrims points;
    GPrims lines;
    GPrims tris;
    SlotBuffer boxSlot;
    unsigned boxVbo = 0;
    std::optional<GPrim> boxPrim;
    std::uint32_t hlFlags = 0;
};

} // namespace Vuro::GL

#pragma once

#include <tolu/util/RefT.h>
#include <vuro_gl/Export.h>
#include <vuro_gl/gl/GState.h>

#include <cstdint>

namespace Vuro::GL {

class SlotBuffer;

/// A group of primitives in one vertex-buffer slot of a GL prototype: a vertex range
/// and its graphics state.
class VURO_GL_EXPORT GPrim {
public:
    /// The `count` vertices from `first` of slot `vboSlot` in `buffer`, drawn with `state`.
    GPrim(SlotBuffer& buffer, std::int32_t vboSlot, unsigned first, unsigned count,
          Tolu::RefT<GState> state);

    /// True when the group's material is transparent.
    [[nodiscard]] bool hasTransp() const noexcept { return state && state->isTransparent(); }
    /// The group's graphics state; may be null.
    [[nodiscard]] const Tolu::RefT<GState>& getGLGState() const noexcept { return state; }
    /// Binds the vertex array that reads buffer `vbo`, filling the buffer with the slot's
    /// vertices the first time it is met. Call before every draw.
    void updateGL(unsigned vbo);
    /// Draws the group's vertices as primitives of OpenGL `mode`; nothing for an empty group.
    void drawGL(unsigned mode) const;

    /// First vertex of the range.
    [[nodiscard]] unsigned getFirst() const noexcept { return first; }
    /// Number of vertices of the range.
    [[nodiscard]] unsigned getCount() const noexcept { return count; }
    /// The slot's vertices this group is a range of.
    [[nodiscard]] const SlotBuffer& getBuffer() const noexcept { return *buffer; }

    std::int32_t vboSlot; ///< slot (0 to 7) of the buffer the group draws from

private:
    SlotBuffer* buffer;
    unsigned first;
    unsigned count;
    Tolu::RefT<GState> state;
};

} // namespace Vuro::GL

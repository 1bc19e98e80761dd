#pragma once

#include <vuro_gl/BodyProto.h>
#include <vuro_gl/Export.h>

#include <vector>

namespace Vuro::GL {

/// The vertices of one slot of a GL prototype and the vertex array that reads them.
/// The buffer itself is named by the prototype; it is filled on first use.
class VURO_GL_EXPORT SlotBuffer {
public:
    SlotBuffer() = default;
    SlotBuffer(const SlotBuffer&) = delete;
    SlotBuffer& operator=(const SlotBuffer&) = delete;
    /// Deletes the vertex array when OpenGL is still loaded.
    ~SlotBuffer();

    /// Binds the vertex array for `vbo`, filling `vbo` and setting up the array when
    /// it is another buffer than last time (or the first); otherwise this is one
    /// `glBindVertexArray`. Does nothing without vertices. Leaves the array-buffer binding
    /// as it was. Throws `Tolu::Error` for buffer 0 when there are vertices.
    void bind(unsigned vbo);
    /// Deletes the vertex array; the next `bind` fills its buffer again.
    void releaseGL() noexcept;
    /// The vertex array's name, 0 before the first `bind` and after `releaseGL`.
    [[nodiscard]] unsigned getVAO() const noexcept { return vao; }

    /// The slot's vertices, as the buffer is filled from them.
    std::vector<Vertex> vertices;

private:
    unsigned vao = 0;
    unsigned filledVbo = 0;
};

} // namespace Vuro::GL

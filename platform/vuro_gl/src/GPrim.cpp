#include "RestoreSteps.h"

#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/util/Error.h>
#include <vuro_gl/gl/GPrim.h>
#include <vuro_gl/gl/SlotBuffer.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace Vuro::GL {

namespace {

using namespace Tolu::GL;

// The attribute layout below reads the vertices as they lie in memory.
static_assert(sizeof(Vertex) == 24, "a vertex is two packed float triples");
static_assert(offsetof(Vertex, normal) == 12, "the normal follows the position");

const void* byteOffset(std::uintptr_t offset) {
    return reinterpret_cast<const void*>(offset);
}

// Filling a buffer changes the array-buffer binding, which is not vertex-array state:
// it is put back on every way out. On a failure the caller's vertex array comes back too,
// since then nothing is set up for the caller to draw with. A failure of the restore
// reaches the caller, unless another one is already unwinding (see RestoreSteps).
class FillGuard {
public:
    FillGuard() {
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    }
    FillGuard(const FillGuard&) = delete;
    FillGuard& operator=(const FillGuard&) = delete;
    ~FillGuard() noexcept(false) {
        restore([&] { glBindBuffer(GL_ARRAY_BUFFER, GLuint(arrayBuffer)); });
        if (!done) {
            restore([&] { glBindVertexArray(GLuint(vertexArray)); });
        }
        restore.finish();
    }
    void commit() noexcept { done = true; }

private:
    RestoreSteps restore;
    GLint arrayBuffer = 0;
    GLint vertexArray = 0;
    bool done = false;
};

} // namespace

SlotBuffer::~SlotBuffer() {
    // Without OpenGL the vertex array died with its context.
    if (Tolu::GL::isInited()) {
        releaseGL();
    }
}

void SlotBuffer::bind(unsigned vbo) {
    if (vertices.empty()) {
        return;
    }
    if (vao != 0 && vbo == filledVbo) {
        glBindVertexArray(vao);
        return;
    }
    if (vbo == 0) {
        throw Tolu::Error("Vuro::GL::SlotBuffer::bind: buffer name 0 for " +
                          std::to_string(vertices.size()) + " vertices");
    }
    FillGuard guard;
    // Forgotten first: a failure half way must make the next bind fill again.
    filledVbo = 0;
    if (vao == 0) {
        glGenVertexArrays(1, &vao);
    }
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(Vertex)), vertices.data(),
                 GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          byteOffset(offsetof(Vertex, pos)));
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          byteOffset(offsetof(Vertex, normal)));
    glEnableVertexAttribArray(1);
    filledVbo = vbo;
    guard.commit();
}

void SlotBuffer::releaseGL() noexcept {
    const GLuint name = std::exchange(vao, 0u);
    filledVbo = 0;
    if (name != 0) {
        // Called from destructors: a failing table cannot be reported, and the name is
        // forgotten either way.
        try {
            glDeleteVertexArrays(1, &name);
        } catch (...) {
        }
    }
}

GPrim::GPrim(SlotBuffer& buffer, std::int32_t vboSlot, unsigned first, unsigned count,
             Tolu::RefT<GState> state)
    : vboSlot(vboSlot), buffer(&buffer), first(first), count(count), state(std::move(state)) {}

void GPrim::updateGL(unsigned vbo) {
    buffer->bind(vbo);
}

void GPrim::drawGL(unsigned mode) const {
    if (count != 0) {
        glDrawArrays(mode, GLint(first), GLsizei(count));
    }
}

} // namespace Vuro::GL

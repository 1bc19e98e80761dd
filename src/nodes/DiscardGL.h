#pragma once

#include <tolu/gl/GL.h>

#include <cstdint>

namespace Ostra::Sim::GL {

/// Deletes a node's vertex array and buffer after an upload failed half way, so that the
/// next pass makes and fills both from scratch, whatever step failed: a buffer without a
/// data store, a vertex array without its attributes or a buffer left mapped (deleting it
/// unmaps it) is never used again. Call it only while a failure is on its way to the
/// caller: a second failure here is dropped, and the names are forgotten either way.
inline void discardGL(std::uint32_t& vao, std::uint32_t& vbo) noexcept {
    try {
        if (vao != 0) {
            Tolu::GL::glDeleteVertexArrays(1, &vao);
        }
    } catch (...) {
    }
    try {
        if (vbo != 0) {
            Tolu::GL::glDeleteBuffers(1, &vbo);
        }
    } catch (...) {
    }
    vao = 0;
    vbo = 0;
}

} // namespace Ostra::Sim::GL

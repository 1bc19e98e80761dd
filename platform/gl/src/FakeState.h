#pragma once

#include <tolu/gl/Functions.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

namespace Tolu::GL::detail {

/// What the no-op and recording tables remember between calls.
struct FakeState {
    /// False for the no-op table: benchmarks measure dispatch, not bookkeeping.
    bool detailed = false;
    bool mapBufferFails = false;
    GLuint nextName = 1;
    std::vector<std::byte> scratch = std::vector<std::byte>(4096);
    std::set<GLenum> enabled;
    std::map<std::string, GLint, std::less<>> locations;

    void restart() {
        nextName = 1;
        enabled.clear();
        locations.clear();
    }
};

template <typename... Ts> constexpr void ignore(const Ts&...) {}

/// Zero of any return type, nothing for void.
template <typename R> constexpr R zero() {
    if constexpr (!std::is_void_v<R>)
        return R{};
}

/// How many values glGet* writes for `pname`, so the fakes never leave the
/// caller's storage uninitialised.
constexpr int valueCount(GLenum pname) {
    switch (pname) {
    case GL_VIEWPORT:
    case GL_SCISSOR_BOX:
    case GL_COLOR_CLEAR_VALUE:
    case GL_COLOR_WRITEMASK:
        return 4;
    case GL_DEPTH_RANGE:
    case GL_MAX_VIEWPORT_DIMS:
    case GL_POLYGON_MODE:
        return 2;
    default:
        return 1;
    }
}

constexpr std::size_t bytesPerPixel(GLenum format, GLenum type) {
    std::size_t components = 1;
    switch (format) {
    case GL_RGBA:
    case GL_BGRA:
        components = 4;
        break;
    case GL_RGB:
        components = 3;
        break;
    case GL_RG:
        components = 2;
        break;
    default:
        break;
    }
    switch (type) {
    case GL_UNSIGNED_BYTE:
    case GL_BYTE:
        return components;
    case GL_SHORT:
    case GL_UNSIGNED_SHORT:
    case GL_HALF_FLOAT:
        return components * 2;
    case GL_FLOAT_32_UNSIGNED_INT_24_8_REV:
        return 8;
    default:
        return components * 4;
    }
}

/// A table of fake entries reading their state through `state()`. Entries
/// without a special behaviour do nothing and return zero.
template <FakeState& (*state)()> Functions makeFakeTable() {
    Functions t;
#define TOLU_GL_FAKE(ret, name, params, args)                                                      \
    t.name = [] params -> ret {                                                                    \
        ignore args;                                                                               \
        return zero<ret>();                                                                        \
    };
    TOLU_GL_FUNCTIONS(TOLU_GL_FAKE)
#undef TOLU_GL_FAKE

    auto gen = [](GLsizei n, GLuint* names) {
        for (GLsizei i = 0; names && i < n; ++i)
            names[i] = state().nextName++;
    };
    t.glGenBuffers = gen;
    t.glGenVertexArrays = gen;
    t.glGenFramebuffers = gen;
    t.glGenRenderbuffers = gen;
    t.glGenTextures = gen;
    t.glCreateShader = [](GLenum) { return state().nextName++; };
    t.glCreateProgram = [] { return state().nextName++; };

    t.glBufferData = [](GLenum, GLsizeiptr size, const void*, GLenum) {
        auto& scratch = state().scratch;
        if (size > 0 && static_cast<std::size_t>(size) > scratch.size())
            scratch.resize(static_cast<std::size_t>(size));
    };
    t.glMapBuffer = [](GLenum, GLenum) -> void* {
        return state().mapBufferFails ? nullptr : state().scratch.data();
    };
    t.glMapBufferRange = [](GLenum, GLintptr offset, GLsizeiptr length, GLbitfield) -> void* {
        auto& s = state();
        if (s.mapBufferFails)
            return nullptr;
        const auto needed = static_cast<std::size_t>(std::max<GLintptr>(offset + length, 0));
        if (needed > s.scratch.size())
            s.scratch.resize(needed);
        return s.scratch.data() + offset;
    };
    t.glUnmapBuffer = [](GLenum) -> GLboolean { return GL_TRUE; };
    t.glCheckFramebufferStatus = [](GLenum) -> GLenum { return GL_FRAMEBUFFER_COMPLETE; };

    t.glEnable = [](GLenum cap) {
        if (state().detailed)
            state().enabled.insert(cap);
    };
    t.glDisable = [](GLenum cap) {
        if (state().detailed)
            state().enabled.erase(cap);
    };
    t.glIsEnabled = [](GLenum cap) -> GLboolean {
        return state().enabled.count(cap) ? GL_TRUE : GL_FALSE;
    };

    t.glGetBooleanv = [](GLenum pname, GLboolean* data) {
        std::fill_n(data, valueCount(pname), 0);
    };
    t.glGetIntegerv = [](GLenum pname, GLint* data) { std::fill_n(data, valueCount(pname), 0); };
    t.glGetFloatv = [](GLenum pname, GLfloat* data) { std::fill_n(data, valueCount(pname), 0.0f); };
    t.glGetDoublev = [](GLenum pname, GLdouble* data) {
        std::fill_n(data, valueCount(pname), 0.0);
    };
    // Statuses answer success so that shader set-up takes its normal path.
    t.glGetShaderiv = [](GLuint, GLenum pname, GLint* params) {
        *params = pname == GL_COMPILE_STATUS ? GL_TRUE : 0;
    };
    t.glGetProgramiv = [](GLuint, GLenum pname, GLint* params) {
        *params = pname == GL_LINK_STATUS || pname == GL_VALIDATE_STATUS ? GL_TRUE : 0;
    };
    auto infoLog = [](GLuint, GLsizei bufSize, GLsizei* length, GLchar* log) {
        if (length)
            *length = 0;
        if (log && bufSize > 0)
            log[0] = '\0';
    };
    t.glGetShaderInfoLog = infoLog;
    t.glGetProgramInfoLog = infoLog;
    t.glGetString = [](GLenum) { return reinterpret_cast<const GLubyte*>(""); };
    t.glGetStringi = [](GLenum, GLuint) { return reinterpret_cast<const GLubyte*>(""); };
    auto location = [](GLuint, const GLchar* name) -> GLint {
        auto& s = state();
        if (!s.detailed || !name)
            return 0;
        auto [it, added] = s.locations.try_emplace(name, static_cast<GLint>(s.locations.size()));
        return it->second;
    };
    t.glGetUniformLocation = location;
    t.glGetAttribLocation = location;
    t.glReadPixels = [](GLint, GLint, GLsizei width, GLsizei height, GLenum format, GLenum type,
                        void* pixels) {
        // Tightly packed: never more than the caller's buffer under any pack alignment.
        if (pixels && width > 0 && height > 0)
            std::memset(pixels, 0,
                        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                            bytesPerPixel(format, type));
    };
    return t;
}

} // namespace Tolu::GL::detail

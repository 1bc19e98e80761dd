// Host code may include the system OpenGL headers next to ours. Our GL_*
// macros must then be identical redefinitions (a differing value is a
// diagnostic, an error under -Werror) and our types the same types.
#include <tolu/gl/GL.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <type_traits>

namespace {

static_assert(std::is_same_v<Tolu::GL::GLenum, ::GLenum>);
static_assert(std::is_same_v<Tolu::GL::GLboolean, ::GLboolean>);
static_assert(std::is_same_v<Tolu::GL::GLint, ::GLint>);
static_assert(std::is_same_v<Tolu::GL::GLuint, ::GLuint>);
static_assert(std::is_same_v<Tolu::GL::GLsizei, ::GLsizei>);
static_assert(std::is_same_v<Tolu::GL::GLfloat, ::GLfloat>);
static_assert(std::is_same_v<Tolu::GL::GLdouble, ::GLdouble>);
static_assert(std::is_same_v<Tolu::GL::GLbitfield, ::GLbitfield>);
static_assert(std::is_same_v<Tolu::GL::GLchar, ::GLchar>);
static_assert(std::is_same_v<Tolu::GL::GLsizeiptr, ::GLsizeiptr>);
static_assert(std::is_same_v<Tolu::GL::GLintptr, ::GLintptr>);
static_assert(std::is_same_v<Tolu::GL::GLubyte, ::GLubyte>);

// The wrappers take pointers to the system prototypes' types unchanged.
static_assert(std::is_same_v<decltype(Tolu::GL::Functions::glShaderSource), PFNGLSHADERSOURCEPROC>);
static_assert(std::is_same_v<decltype(Tolu::GL::Functions::glVertexAttribPointer),
                             PFNGLVERTEXATTRIBPOINTERPROC>);
static_assert(
    std::is_same_v<decltype(Tolu::GL::Functions::glMapBufferRange), PFNGLMAPBUFFERRANGEPROC>);

// Host code that says `using namespace Tolu::GL` still names the types unambiguously.
using namespace Tolu::GL;
static_assert(std::is_same_v<GLenum, ::GLenum> && GL_DEPTH_TEST == 0x0B71);

} // namespace

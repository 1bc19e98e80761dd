#pragma once

#include <tolu/gl/GLEnums.h>

#include <cstddef>
#include <cstdint>

namespace Tolu::GL {

// The same underlying types as the Khronos headers on this platform, so that
// pointers and values pass unchanged between our wrappers and the driver.
using GLenum = unsigned int;
using GLboolean = unsigned char;
using GLbitfield = unsigned int;
using GLvoid = void;
using GLbyte = signed char;
using GLubyte = unsigned char;
using GLshort = short;
using GLushort = unsigned short;
using GLint = int;
using GLuint = unsigned int;
using GLsizei = int;
using GLfloat = float;
using GLclampf = float;
using GLdouble = double;
using GLclampd = double;
using GLchar = char;
using GLsizeiptr = std::intptr_t;
using GLintptr = std::intptr_t;
using GLint64 = std::int64_t;
using GLuint64 = std::uint64_t;

} // namespace Tolu::GL

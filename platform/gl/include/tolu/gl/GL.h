#pragma once

#include <tolu/gl/Functions.h>

namespace Tolu::GL {

// The OpenGL entry points under their own names, each one indirect call
// through the current table, so `Tolu::GL::glBindBuffer(...)` or
// `using namespace Tolu::GL;` reads like plain OpenGL.
#define TOLU_GL_WRAPPER(ret, name, params, args)                                                   \
    inline ret name params {                                                                       \
        return detail::currentFunctions->name args;                                                \
    }
TOLU_GL_FUNCTIONS(TOLU_GL_WRAPPER)
#undef TOLU_GL_WRAPPER

} // namespace Tolu::GL

#pragma once

#include <tolu/gl/Export.h>
#include <tolu/gl/GLFunctionList.h>
#include <tolu/gl/GLTypes.h>

#include <functional>

namespace Tolu::GL {

/// The dispatch table: one pointer per entry point of TOLU_GL_FUNCTIONS.
/// Every call the system makes to OpenGL goes through the current table.
struct Functions {
#define TOLU_GL_FIELD(ret, name, params, args) ret(*name) params = nullptr;
    TOLU_GL_FUNCTIONS(TOLU_GL_FIELD)
#undef TOLU_GL_FIELD
};

/// What a platform loader such as eglGetProcAddress returns for a name.
using ProcAddress = void (*)();
/// Resolves an entry point by name; returns null when it is unknown.
using ProcAddressResolver = std::function<ProcAddress(const char*)>;

namespace detail {
/// The current table; never null. Read through functions(), set through
/// load(), unload() and ScopedFunctions only.
extern TOLU_GL_EXPORT const Functions* currentFunctions;
} // namespace detail

/// The table the wrappers call now. Before load() and after unload() it is a
/// table whose every entry throws Error naming the entry point.
[[nodiscard]] inline const Functions& functions() {
    return *detail::currentFunctions;
}

/// Fills the process-wide table from `resolve` (called once per entry point)
/// and makes it current; the OpenGL context it resolves for must be current.
/// Throws Error naming the first entry point `resolve` returns null for; the
/// current table and isInited() are then left as they were.
TOLU_GL_EXPORT void load(const ProcAddressResolver& resolve);

/// Makes the throwing "not loaded" table current and isInited() false.
TOLU_GL_EXPORT void unload();

/// True once load() succeeded and until unload(); ScopedFunctions sets it for
/// the tables it installs (see there).
[[nodiscard]] TOLU_GL_EXPORT bool isInited();

/// The table load() filled, whether or not it is current; all null before.
[[nodiscard]] TOLU_GL_EXPORT const Functions& loadedFunctions();

} // namespace Tolu::GL

#pragma once

#include <tolu/gl/Export.h>
#include <tolu/gl/Functions.h>

namespace Tolu::GL {

/// Installs a dispatch table for its lifetime and puts the previous table and
/// isInited() answer back when it ends, also when an exception passes.
/// `inited` is what isInited() answers meanwhile: true lets code under test
/// take its "OpenGL is there" path with a no-op or recording table.
class TOLU_GL_EXPORT ScopedFunctions {
public:
    /// `table` must outlive the guard.
    explicit ScopedFunctions(const Functions& table, bool inited = true);
    ~ScopedFunctions();
    ScopedFunctions(const ScopedFunctions&) = delete;
    ScopedFunctions& operator=(const ScopedFunctions&) = delete;

private:
    const Functions* previous_;
    bool previousInited_;
};

} // namespace Tolu::GL

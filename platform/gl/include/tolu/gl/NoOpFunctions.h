#pragma once

#include <tolu/gl/Export.h>
#include <tolu/gl/Functions.h>

#include <memory>

namespace Tolu::GL {

namespace detail {
struct FakeState;
}

/// A dispatch table whose entries do nothing: queries answer zero (statuses
/// answer success, glCheckFramebufferStatus GL_FRAMEBUFFER_COMPLETE), glGen*,
/// glCreateShader and glCreateProgram hand out increasing fake names from 1, and
/// glMapBuffer(Range) returns scratch memory at least as large as the largest
/// glBufferData so far. For benchmarks and tests that need no pixels.
/// The table serves the most recently constructed live instance; destroy
/// instances in reverse order of construction.
class TOLU_GL_EXPORT NoOpFunctions {
public:
    NoOpFunctions();
    ~NoOpFunctions();
    NoOpFunctions(const NoOpFunctions&) = delete;
    NoOpFunctions& operator=(const NoOpFunctions&) = delete;

    /// Makes glMapBuffer and glMapBufferRange return null, to exercise error paths.
    void setMapBufferFails(bool fails);

    /// The table to install with ScopedFunctions; valid while this instance lives.
    [[nodiscard]] const Functions& getTable() const;

private:
    std::unique_ptr<detail::FakeState> state_;
    detail::FakeState* previous_;
};

} // namespace Tolu::GL

#pragma once

#include <tolu/gl/Export.h>
#include <tolu/gl/Functions.h>

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Tolu::GL {

namespace detail {
struct FakeState;
struct RecorderAccess;
} // namespace detail

/// A dispatch table that logs every call in order and otherwise behaves like
/// NoOpFunctions, except that glEnable/glDisable are remembered for glIsEnabled
/// and glGetUniformLocation/glGetAttribLocation give each new name the next
/// location from 0. Told to, it passes the calls on to another table instead
/// (a real context's), so that real drawing can be logged and made to fail.
/// It keeps a census of the objects made and deleted through it. The table
/// serves the most recently constructed live Recorder; destroy recorders in
/// reverse order of construction.
class TOLU_GL_EXPORT Recorder {
public:
    /// One logged call. Each argument is also kept as a number: integers and
    /// floats as their value, pointers as their address, names (const GLchar*) as 0.
    struct Call {
        /// The entry point's name, e.g. "glDrawArrays".
        std::string name;
        /// The arguments as numbers.
        std::vector<double> args;
        std::vector<std::string> text; ///< each argument as str() writes it

        /// Like "glBindBuffer(34962, 5)"; pointers in hex, names quoted.
        [[nodiscard]] std::string str() const;
    };

    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    /// The call with 1-based index `n` in calls() is logged and then throws
    /// Error; calls after it work again. 0 disarms.
    void throwAt(std::size_t n);
    /// Makes glMapBuffer and glMapBufferRange return null.
    void setMapBufferFails(bool fails);
    /// Passes every call, once logged and unless it is the one to throw, on to
    /// `table` instead of the fakes; null goes back to the fakes. `table` must
    /// outlive its use, and the fakes' settings do not apply to it.
    void forwardTo(const Functions* table);
    /// Forgets the log, the armed fault, the enabled capabilities and the census,
    /// and restarts fake names and locations.
    void reset();

    /// The table to install with ScopedFunctions; valid while this instance lives.
    [[nodiscard]] const Functions& getTable() const;
    /// The logged calls, in order.
    [[nodiscard]] const std::vector<Call>& calls() const { return calls_; }
    /// The names of the logged calls, in order.
    [[nodiscard]] std::vector<std::string> names() const;
    /// How many logged calls have this name.
    [[nodiscard]] std::size_t count(std::string_view name) const;
    /// The whole log, one Call::str() per line; handy in failure messages.
    [[nodiscard]] std::string str() const;
    /// The census: objects made through this table (glGen*, glCreateShader,
    /// glCreateProgram) and not deleted through it since, like "buffer 7", in
    /// order of kind and name. A call that throws made or deleted nothing.
    [[nodiscard]] std::vector<std::string> liveObjects() const;

private:
    friend struct detail::RecorderAccess;

    std::vector<Call> calls_;
    std::size_t throwAt_ = 0;
    const Functions* forward_ = nullptr;
    std::set<std::pair<std::string, GLuint>> live_;
    std::unique_ptr<detail::FakeState> state_;
    Recorder* previous_;
};

} // namespace Tolu::GL

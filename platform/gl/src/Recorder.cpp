#include "FakeState.h"

#include <tolu/gl/Error.h>
#include <tolu/gl/Recorder.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <type_traits>

namespace Tolu::GL {

namespace {

Recorder* active = nullptr;

Recorder& activeRecorder() {
    if (!active)
        throw Error("Tolu::GL::Recorder: table used after its last Recorder was destroyed");
    return *active;
}

std::string formatNumber(double value) {
    char text[32];
    // Integral values (names, enums, counts) print without a fraction.
    if (std::nearbyint(value) == value && std::fabs(value) < 1e15)
        std::snprintf(text, sizeof text, "%" PRId64, static_cast<std::int64_t>(value));
    else
        std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// Turns the arguments of one call into a Call record.
struct CallBuilder {
    const char* name;

    template <typename... Ts> Recorder::Call operator()(const Ts&... values) const {
        Recorder::Call call{name, {}, {}};
        (add(call, values), ...);
        return call;
    }

    static void add(Recorder::Call& call, const char* text) {
        call.args.push_back(0.0);
        call.text.push_back(text ? '"' + std::string(text) + '"' : std::string("0x0"));
    }
    template <typename T> static void add(Recorder::Call& call, T* pointer) {
        const auto address = reinterpret_cast<std::uintptr_t>(pointer);
        char text[32];
        std::snprintf(text, sizeof text, "0x%" PRIxPTR, address);
        call.args.push_back(static_cast<double>(address));
        call.text.emplace_back(text);
    }
    template <typename T>
    static void add(Recorder::Call& call, T value) requires std::is_arithmetic_v<T> {
        call.args.push_back(static_cast<double>(value));
        call.text.push_back(formatNumber(static_cast<double>(value)));
    }
};

} // namespace

struct detail::RecorderAccess {
    static detail::FakeState& state() { return *activeRecorder().state_; }

    static void record(Recorder::Call call) {
        Recorder& recorder = activeRecorder();
        recorder.calls_.push_back(std::move(call));
        if (recorder.throwAt_ != 0 && recorder.throwAt_ == recorder.calls_.size()) {
            recorder.throwAt_ = 0;
            throw Error("Tolu::GL::Recorder: injected failure at call " +
                        std::to_string(recorder.calls_.size()) + ", " +
                        recorder.calls_.back().name);
        }
    }

    static const Functions& fakeTable() {
        static const Functions table = makeFakeTable<&RecorderAccess::state>();
        return table;
    }

    // Where a logged call goes: the table the recorder forwards to, or the fakes.
    static const Functions& destination() {
        const Recorder& recorder = activeRecorder();
        return recorder.forward_ ? *recorder.forward_ : fakeTable();
    }

    static void made(const char* kind, GLsizei n, const GLuint* names) {
        for (GLsizei i = 0; names && i < n; ++i)
            if (names[i] != 0)
                activeRecorder().live_.emplace(kind, names[i]);
    }
    static void deleted(const char* kind, GLsizei n, const GLuint* names) {
        for (GLsizei i = 0; names && i < n; ++i)
            activeRecorder().live_.erase({kind, names[i]});
    }

    static Functions makeRecordingTable() {
        Functions t;
#define TOLU_GL_RECORD(ret, name, params, args)                                                    \
    t.name = [] params -> ret {                                                                    \
        record(CallBuilder{#name} args);                                                           \
        return destination().name args;                                                            \
    };
        TOLU_GL_FUNCTIONS(TOLU_GL_RECORD)
#undef TOLU_GL_RECORD

        // The census follows the calls that reached the target.
#define TOLU_GL_CENSUS(kind, gen, del)                                                             \
    t.gen = [](GLsizei n, GLuint* names) {                                                         \
        record(CallBuilder{#gen}(n, names));                                                       \
        destination().gen(n, names);                                                               \
        made(kind, n, names);                                                                      \
    };                                                                                             \
    t.del = [](GLsizei n, const GLuint* names) {                                                   \
        record(CallBuilder{#del}(n, names));                                                       \
        destination().del(n, names);                                                               \
        deleted(kind, n, names);                                                                   \
    };
        TOLU_GL_CENSUS("buffer", glGenBuffers, glDeleteBuffers)
        TOLU_GL_CENSUS("vertex array", glGenVertexArrays, glDeleteVertexArrays)
        TOLU_GL_CENSUS("framebuffer", glGenFramebuffers, glDeleteFramebuffers)
        TOLU_GL_CENSUS("renderbuffer", glGenRenderbuffers, glDeleteRenderbuffers)
        TOLU_GL_CENSUS("texture", glGenTextures, glDeleteTextures)
#undef TOLU_GL_CENSUS
        t.glCreateShader = [](GLenum type) -> GLuint {
            record(CallBuilder{"glCreateShader"}(type));
            const GLuint name = destination().glCreateShader(type);
            made("shader", 1, &name);
            return name;
        };
        t.glDeleteShader = [](GLuint name) {
            record(CallBuilder{"glDeleteShader"}(name));
            destination().glDeleteShader(name);
            deleted("shader", 1, &name);
        };
        t.glCreateProgram = []() -> GLuint {
            record(CallBuilder{"glCreateProgram"}());
            const GLuint name = destination().glCreateProgram();
            made("program", 1, &name);
            return name;
        };
        t.glDeleteProgram = [](GLuint name) {
            record(CallBuilder{"glDeleteProgram"}(name));
            destination().glDeleteProgram(name);
            deleted("program", 1, &name);
        };
        return t;
    }
};

std::string Recorder::Call::str() const {
    std::string out = name + '(';
    for (std::size_t i = 0; i < text.size(); ++i)
        out += (i ? ", " : "") + text[i];
    return out + ')';
}

Recorder::Recorder() : state_(std::make_unique<detail::FakeState>()), previous_(active) {
    state_->detailed = true;
    active = this;
}

Recorder::~Recorder() {
    active = previous_;
}

void Recorder::throwAt(std::size_t n) {
    throwAt_ = n;
}

void Recorder::setMapBufferFails(bool fails) {
    state_->mapBufferFails = fails;
}

void Recorder::forwardTo(const Functions* table) {
    forward_ = table;
}

void Recorder::reset() {
    calls_.clear();
    throwAt_ = 0;
    live_.clear();
    state_->restart();
}

const Functions& Recorder::getTable() const {
    static const Functions table = detail::RecorderAccess::makeRecordingTable();
    return table;
}

std::vector<std::string> Recorder::names() const {
    std::vector<std::string> out;
    out.reserve(calls_.size());
    for (const Call& call : calls_)
        out.push_back(call.name);
    return out;
}

std::size_t Recorder::count(std::string_view name) const {
    return static_cast<std::size_t>(
        std::count_if(calls_.begin(), calls_.end(), [&](const Call& c) { return c.name == name; }));
}

std::string Recorder::str() const {
    std::string out;
    for (const Call& call : calls_)
        out += call.str() + '\n';
    return out;
}

std::vector<std::string> Recorder::liveObjects() const {
    std::vector<std::string> out;
    out.reserve(live_.size());
    for (const auto& [kind, name] : live_)
        out.push_back(kind + ' ' + std::to_string(name));
    return out;
}

} // namespace Tolu::GL

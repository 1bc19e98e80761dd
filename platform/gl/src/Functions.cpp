#include <tolu/gl/Error.h>
#include <tolu/gl/Functions.h>
#include <tolu/gl/ScopedFunctions.h>

#include <string>

namespace Tolu::GL {

namespace {

template <typename... Ts> constexpr void ignore(const Ts&...) {}

[[noreturn]] void throwNotLoaded(const char* name) {
    throw Error(std::string("Tolu::GL::") + name + ": OpenGL is not loaded");
}

// constexpr so that the table is ready before any dynamic initialisation
// elsewhere could call through it.
constexpr Functions makeNotLoadedTable() {
    Functions t;
#define TOLU_GL_NOT_LOADED(ret, name, params, args)                                                \
    t.name = [] params -> ret {                                                                    \
        ignore args;                                                                               \
        throwNotLoaded(#name);                                                                     \
    };
    TOLU_GL_FUNCTIONS(TOLU_GL_NOT_LOADED)
#undef TOLU_GL_NOT_LOADED
    return t;
}

constexpr Functions notLoaded = makeNotLoadedTable();
Functions loaded;
bool inited = false;

} // namespace

const Functions* detail::currentFunctions = &notLoaded;

void load(const ProcAddressResolver& resolve) {
    if (!resolve)
        throw Error("Tolu::GL::load: no resolver given");
    // Filled aside so that a missing entry point leaves the current table intact.
    Functions table;
#define TOLU_GL_RESOLVE(ret, name, params, args)                                                   \
    if (ProcAddress address = resolve(#name))                                                      \
        table.name = reinterpret_cast<decltype(table.name)>(address);                              \
    else                                                                                           \
        throw Error("Tolu::GL::load: entry point " #name " cannot be resolved");
    TOLU_GL_FUNCTIONS(TOLU_GL_RESOLVE)
#undef TOLU_GL_RESOLVE
    loaded = table;
    detail::currentFunctions = &loaded;
    inited = true;
}

void unload() {
    detail::currentFunctions = &notLoaded;
    inited = false;
}

bool isInited() {
    return inited;
}

const Functions& loadedFunctions() {
    return loaded;
}

ScopedFunctions::ScopedFunctions(const Functions& table, bool initedWhileInstalled)
    : previous_(detail::currentFunctions), previousInited_(inited) {
    detail::currentFunctions = &table;
    inited = initedWhileInstalled;
}

ScopedFunctions::~ScopedFunctions() {
    detail::currentFunctions = previous_;
    inited = previousInited_;
}

} // namespace Tolu::GL

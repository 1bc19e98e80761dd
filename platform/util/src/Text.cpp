#include <tolu/util/Text.h>

#include <cstring>
#include <string_view>

namespace Tolu {

namespace {

struct TextEntry {
    const char* key;
    const char* text;
};

// The system's own text table, sorted by key for the binary search below.
constexpr TextEntry textTable[] = {
    {"_ErrorState_1_BoundToExpr",
     "The state \"%1\" is bound to an expression and cannot be overridden."},
};

} // namespace

const char* getLocText(const char* key) {
    if (!key) {
        return "";
    }
    const std::string_view wanted(key);
    for (const TextEntry& entry : textTable) {
        if (wanted == entry.key) {
            return entry.text;
        }
    }
    return key;
}

std::string _compose(const char* format, unsigned count, const char* const* args) {
    std::string out;
    if (!format) {
        return out;
    }
    out.reserve(std::strlen(format) + 16);
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        const char next = p[1];
        if (next == '%') {
            out += '%';
            ++p;
        } else if (next >= '1' && next <= '9' && unsigned(next - '1') < count && args &&
                   args[next - '1']) {
            out += args[next - '1'];
            ++p;
        } else {
            out += '%';
        }
    }
    return out;
}

} // namespace Tolu

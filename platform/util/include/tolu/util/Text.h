#pragma once

#include <tolu/util/Export.h>

#include <string>

namespace Tolu {

/// Localised text for a text key; an unknown key is returned as it stands.
/// The returned text lives as long as the process.
[[nodiscard]] TOLU_UTIL_EXPORT const char* getLocText(const char* key);

/// Builds a message from `format`, replacing `%1` .. `%9` by `args[0]` .. `args[8]`
/// and `%%` by `%`. A placeholder without an argument (index >= `count`) stays as written.
[[nodiscard]] TOLU_UTIL_EXPORT std::string _compose(const char* format, unsigned count,
                                                    const char* const* args);

} // namespace Tolu

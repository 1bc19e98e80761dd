#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace Ostra::IO {

/// The whole of `file`, for the readers that parse text. Throws LoadError naming the file:
/// "cannot open the WHAT" or "cannot read the WHAT".
[[nodiscard]] std::string readFileText(const std::filesystem::path& file,
                                       std::string_view what = "file");

} // namespace Ostra::IO

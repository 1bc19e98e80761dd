#include "FileText.h"

#include <fstream>
#include <iterator>
#include <ostra_io/LoadError.h>

namespace Ostra::IO {

std::string readFileText(const std::filesystem::path& file, std::string_view what) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw LoadError(file.string(), "", "cannot open the " + std::string(what));
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        throw LoadError(file.string(), "", "cannot read the " + std::string(what));
    }
    return text;
}

} // namespace Ostra::IO

#include <ostra_io/LoadError.h>
#include <utility>

namespace Ostra::IO {

namespace {

std::string compose(const std::string& file, const std::string& where, const std::string& text) {
    if (where.empty()) {
        return file + ": " + text;
    }
    // A pointer starts with '/'; anything else is "line:column" and joins the file name.
    return where.front() == '/' ? file + ": " + where + ": " + text
                                : file + ":" + where + ": " + text;
}

} // namespace

LoadError::LoadError(std::string file, std::string where, std::string text)
    : Tolu::Error(compose(file, where, text)), file(std::move(file)), where(std::move(where)),
      text(std::move(text)) {}

LoadError::~LoadError() = default;

} // namespace Ostra::IO

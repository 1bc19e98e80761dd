#pragma once

#include <tolu/util/Error.h>

#include <ostra_io/Export.h>
#include <string>

namespace Ostra::IO {

/// What the file readers throw: the file, where in it (a JSON pointer such as
/// "/bodies/3/pose", "line:column", or empty for the whole file) and what is wrong.
/// `what()` reads like a compiler's message: "file:line:column: text" for a place given
/// by line and column, "file: /pointer: text" for a pointer, "file: text" otherwise.
class OSTRA_IO_EXPORT LoadError : public Tolu::Error {
public:
    /// An error about `file`, at `where` (empty: the whole file), saying `text`.
    LoadError(std::string file, std::string where, std::string text);
    ~LoadError() override;

    /// The file the message is about.
    [[nodiscard]] const std::string& getFile() const noexcept { return file; }
    /// The JSON pointer or "line:column"; empty when the message is about the whole file.
    [[nodiscard]] const std::string& getWhere() const noexcept { return where; }
    /// The message without file and place.
    [[nodiscard]] const std::string& getText() const noexcept { return text; }

private:
    std::string file;
    std::string where;
    std::string text;
};

} // namespace Ostra::IO

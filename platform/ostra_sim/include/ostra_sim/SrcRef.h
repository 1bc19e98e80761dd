#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace Ostra::Sim {

/// Where a model object comes from, for messages: its name, and the file and line that
/// defined it when it was read from one (empty file and line 0 when unknown).
struct SrcRef {
    SrcRef() = default;
    /// An object named `name`, defined at `file`:`line` when known.
    explicit SrcRef(std::string name, std::string file = {}, std::int32_t line = 0)
        : name(std::move(name)), file(std::move(file)), line(line) {}

    /// The object's name.
    std::string name;
    /// The file that defined it, or empty.
    std::string file;
    /// The line that defined it, or 0.
    std::int32_t line = 0;
};

} // namespace Ostra::Sim

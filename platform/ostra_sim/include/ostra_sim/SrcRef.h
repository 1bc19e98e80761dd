#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace Ostra::Sim {

/// Where a model object comes from, for messages: its name, and the file and line that
/// defined it when it was read from one (empty file and line 0 when unknown).
struct SrcRef {
    SrcRef() = default;
    explicit SrcRef(std::string name, std::string file = {}, std::int32_t line = 0)
        : name(std::move(name)), file(std::move(file)), line(line) {}

    std::string name;
    std::string file;
    std::int32_t line = 0;
};

} // namespace Ostra::Sim

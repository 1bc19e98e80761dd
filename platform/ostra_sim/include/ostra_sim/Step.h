#pragma once

#include <ostra_sim/Export.h>

#include <cstdint>
#include <string>
#include <utility>

namespace Ostra::Sim {

/// An evaluation step of a driver: states changed by the driver are marked with the step
/// they belong to. Identified by address, so it is neither copied nor moved.
class OSTRA_SIM_EXPORT Step {
public:
    /// A step named `name` with the driver's number `id`.
    Step(std::string name, std::uint32_t id) : name(std::move(name)), id(id) {}
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

    /// The name given.
    [[nodiscard]] const std::string& getName() const noexcept { return name; }
    /// The number given.
    [[nodiscard]] std::uint32_t getId() const noexcept { return id; }

private:
    std::string name;
    std::uint32_t id;
};

} // namespace Ostra::Sim

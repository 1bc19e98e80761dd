#pragma once

#include <ostra_sim/Export.h>
#include <ostra_sim/SrcRef.h>
#include <tolu/util/Error.h>

#include <string>

namespace Ostra::Sim {

/// Exception of the simulation model: names the object it concerns.
/// `what()` is "<object name>: <text>", or just the text when the object has no name.
class OSTRA_SIM_EXPORT Error : public Tolu::Error {
public:
    /// An error about the object `srcRef` names.
    Error(const SrcRef& srcRef, const std::string& text);
    ~Error() override;

    /// The object the message is about.
    [[nodiscard]] const SrcRef& getSrcRef() const noexcept { return srcRef; }
    /// The message without the object name.
    [[nodiscard]] const std::string& getText() const noexcept { return text; }

private:
    SrcRef srcRef;
    std::string text;
};

} // namespace Ostra::Sim

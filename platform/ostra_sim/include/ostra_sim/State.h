#pragma once

#include <ostra_sim/Export.h>
#include <ostra_sim/Fwd.h>
#include <ostra_sim/SrcRef.h>
#include <tolu/util/Class.h>
#include <tolu/util/RefT.h>

#include <cstdint>
#include <string>

namespace Ostra::Sim {

/// A named value of a model object that may be bound to another state (its source) and
/// overridden by the user interface. The value itself lives in `StateT`.
class OSTRA_SIM_EXPORT State : public Tolu::Class {
public:
    /// Binds the state to `source` (null unbinds). Throws Error when the binding would
    /// make the state its own source.
    void bind(const Tolu::RefT<State>& source);
    /// Whether the user interface may override the value.
    void setOverridePermitted(bool on);
    /// Remembers the evaluation step of the latest change (the step must outlive the state's
    /// use of it) and counts the calls.
    void setStep(const Step& step);
    /// Marks the value as set by the user interface, over the source, and counts the calls.
    /// Never throws: writers check `isOverridePermitted()` before they write.
    void setOverride() noexcept;
    /// Hands the value back to the source.
    void clearOverride() noexcept { overridden = false; }

    /// The state's name within its object.
    [[nodiscard]] const std::string& getName() const noexcept { return name; }
    /// Where the owning object comes from.
    [[nodiscard]] const SrcRef& getOwnerSrcRef() const noexcept { return ownerSrcRef; }
    /// The state this one is bound to, or null.
    [[nodiscard]] const Tolu::RefT<State>& getSource() const noexcept { return source; }
    ///@{
    /// The override flags.
    [[nodiscard]] bool isOverridePermitted() const noexcept { return overridePermitted; }
    [[nodiscard]] bool isOverridden() const noexcept { return overridden; }
    ///@}
    /// The step of the latest `setStep`, or null.
    [[nodiscard]] const Step* getStep() const noexcept { return step; }
    ///@{
    /// How often `setStep` and `setOverride` were called.
    [[nodiscard]] std::uint64_t getStepCount() const noexcept { return stepCount; }
    [[nodiscard]] std::uint64_t getOverrideCount() const noexcept { return overrideCount; }
    ///@}

protected:
    /// A state named `name` of the object `ownerSrcRef` names.
    State(std::string name, SrcRef ownerSrcRef);
    ~State() override;

private:
    std::string name;
    SrcRef ownerSrcRef;
    Tolu::RefT<State> source;
    const Step* step = nullptr;
    std::uint64_t stepCount = 0;
    std::uint64_t overrideCount = 0;
    bool overridePermitted = true;
    bool overridden = false;
};

} // namespace Ostra::Sim

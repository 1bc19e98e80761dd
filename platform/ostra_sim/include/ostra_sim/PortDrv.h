#pragma once

#include <ostra_sim/Export.h>
#include <ostra_sim/Fwd.h>
#include <ostra_sim/SrcRef.h>
#include <ostra_sim/Stamp.h>
#include <tolu/util/Class.h>
#include <tolu/util/PtrT.h>
#include <tolu/util/RefT.h>

#include <cstdint>
#include <string>

namespace Ostra::Sim {

/// A port driver: something outside the model that feeds values into it.
class OSTRA_SIM_EXPORT PortDrv : public Tolu::Class {
public:
    /// A driver named by `srcRef`.
    explicit PortDrv(SrcRef srcRef = {});

    /// The name given at construction.
    [[nodiscard]] const std::string& getName() const noexcept { return srcRef.name; }
    /// Where the driver comes from, for messages.
    [[nodiscard]] const SrcRef& getSrcRef() const noexcept { return srcRef; }
    /// Raised by every setter of the driver.
    [[nodiscard]] Stamp getStamp() const noexcept { return stamp; }
    /// The following driver of the owning list, or null.
    [[nodiscard]] const Tolu::RefT<PortDrv>& getNext() const noexcept { return next; }
    /// The preceding driver of the owning list, or null.
    [[nodiscard]] const Tolu::PtrT<PortDrv>& getPrev() const noexcept { return prev; }
    /// The project the driver belongs to, or null.
    [[nodiscard]] const Tolu::PtrT<Project>& getProject() const noexcept { return project; }

protected:
    ~PortDrv() override;

    /// Raises the stamp; derived setters call it after each write.
    void touch() noexcept;

private:
    template <class, class> friend class NodeListT;
    friend class Project;

    SrcRef srcRef;
    Tolu::RefT<PortDrv> next;
    Tolu::PtrT<PortDrv> prev;
    Tolu::PtrT<Project> project;
    Stamp stamp;
};

} // namespace Ostra::Sim

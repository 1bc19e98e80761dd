#include <ostra_sim/PortDrv.h>
#include <ostra_sim/Stamp.h>

#include <utility>

namespace Ostra::Sim {

PortDrv::PortDrv(SrcRef srcRef) : srcRef(std::move(srcRef)), stamp(nextStamp()) {}

PortDrv::~PortDrv() = default;

void PortDrv::touch() noexcept {
    stamp = nextStamp();
}

} // namespace Ostra::Sim

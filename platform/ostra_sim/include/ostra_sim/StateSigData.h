#pragma once

#include <tolu/util/Signal.h>

namespace Ostra::Sim {

/// Data of a state's change signal: the value before the change.
template <class V> struct StateSigData : Tolu::SigVoidData { V previous{}; };

/// \var StateSigData::previous
/// The value before the change.

} // namespace Ostra::Sim

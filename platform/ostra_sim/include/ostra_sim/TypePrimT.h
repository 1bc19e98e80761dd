#pragma once

#include <ostra_sim/Fwd.h>
#include <tolu/math3d/Vector3T.h>
#include <tolu/util/PtrT.h>

namespace Ostra::Sim {

/// Value-type traits of states, by type number.
template <int N> struct TypePrimT;

/// A flag.
template <> struct TypePrimT<0> { using Type = bool; };
/// A point or vector.
template <> struct TypePrimT<15> { using Type = Tolu::Vector3T<double>; };
/// A weak reference to a body.
template <> struct TypePrimT<23> { using Type = Tolu::PtrT<Body>; };

/// \typedef TypePrimT<0>::Type
/// The value type of a flag state.
/// \typedef TypePrimT<15>::Type
/// The value type of a point state.
/// \typedef TypePrimT<23>::Type
/// The value type of a body state.

} // namespace Ostra::Sim

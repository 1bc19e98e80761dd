#pragma once

#include <sim_gl/Fwd.h>

#include <ostra_sim/NodeListT.h>
#include <tolu/util/RefT.h>

namespace Ostra::Sim::GL {

/// Takes a node whose constructor fails out of the list it joined earlier in that
/// constructor. The list held strong references to it; one extra reference, never given
/// back, keeps the removal from destroying the node, so that the delete of the
/// unwinding `new` stays the only one. Call it only from a failing constructor.
template <class T> void unlinkUnfinished(Sim::NodeListT<T, RefT<T>>& list, T& node) noexcept {
    node.addRef();
    list.remove(RefT<T>(&node));
}

} // namespace Ostra::Sim::GL

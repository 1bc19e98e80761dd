#pragma once

#include <sim_gl/Body.h>
#include <sim_gl/Fwd.h>

#include <ostra_sim/NodeListT.h>
#include <ostra_sim/Stamp.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Ostra::Sim::GL {

/// The project's last spheres, one per set of masks asked for, kept while everything the
/// walk read is as it was: the model (its one stamp counter has not moved), the node lists
/// (their change counts) and the scene state besides (the project's count of its changes).
/// A kept sphere is the walk's own result, so it is the walk's answer bit for bit.
class SphereCache {
public:
    struct State {
        Sim::Stamp model = 0;
        std::uint64_t scene = 0;
        std::uint64_t bodies = 0;
        std::uint64_t joints = 0;
        std::uint64_t sensors = 0;
        bool operator==(const State&) const = default;
    };
    struct Query {
        unsigned mask = 0;
        unsigned hlMask1 = 0;
        unsigned hlMask0 = 0;
        bool forcedHL = false; // a forced highlight counts for track paths
        bool operator==(const Query&) const = default;
    };

    /// The sphere kept for `query` in `state`, or null.
    [[nodiscard]] const BSphereT<double>* find(const State& state, const Query& query) const {
        if (!(state == kept)) {
            return nullptr;
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (entries[i].query == query) {
                return &entries[i].sphere;
            }
        }
        return nullptr;
    }
    /// Keeps `sphere` for `query`; the spheres of an older state go.
    void store(const State& state, const Query& query, const BSphereT<double>& sphere) {
        if (!(state == kept)) {
            kept = state;
            count = 0;
            next = 0;
        }
        entries[next] = {query, sphere};
        next = (next + 1) % entries.size();
        count = count < entries.size() ? count + 1 : count;
    }

    /// The members of `list` in order, as a flat array kept while the list has not
    /// changed: the walk then fetches bodies ahead instead of following the chain.
    [[nodiscard]] const std::vector<Body*>&
    bodyOrder(const Sim::NodeListT<Body, RefT<Body>>& list) {
        if (!orderMade || orderChanges != list.getChanges()) {
            order.clear();
            order.reserve(std::size_t(list.getCount()));
            for (Body* node = list.first.get(); node; node = node->getNext().get()) {
                order.push_back(node);
            }
            orderChanges = list.getChanges();
            orderMade = true;
        }
        return order;
    }

private:
    struct Entry {
        Query query;
        BSphereT<double> sphere;
    };
    // A frame asks with a few sets of masks (shadow fit, solid and highlight passes).
    std::array<Entry, 4> entries{};
    State kept;
    std::size_t count = 0;
    std::size_t next = 0;
    std::vector<Body*> order;
    std::uint64_t orderChanges = 0;
    bool orderMade = false;
};

} // namespace Ostra::Sim::GL

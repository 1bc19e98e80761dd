#pragma once

#include <sim_gl/Body.h>
#include <sim_gl/Fwd.h>

#include <ostra_sim/NodeListT.h>
#include <ostra_sim/Stamp.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
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

    /// One body's part of a kept body walk: a plain body's sphere, or what to do
    /// instead (its radius is then `nothing`, `askNode` or `later`).
    struct BodySphere {
        Vector3T<double> centre;
        double radius;
    };
    static constexpr double nothing = std::numeric_limits<double>::quiet_NaN();
    static constexpr double askNode = -std::numeric_limits<double>::infinity();
    /// A plain body whose sphere the walk did not need: the next walk makes and keeps it.
    static constexpr double later = -1.0;

    /// Each body's sphere for `query`, in list order, kept while the model, the body
    /// list, the project's updates and (when the query has highlight masks) the bodies'
    /// highlights are as they were when the walk was recorded. A plain body reads nothing
    /// else, so a walk after any other change (a joint's highlight, a path's upload, a
    /// body highlighted in a mode not asked for) only merges the kept spheres. Null when
    /// none is kept for `query` in `state`.
    [[nodiscard]] std::vector<BodySphere>* bodySpheres(const State& state, const Query& query) {
        for (BodyWalk& walk : bodyWalks) {
            if (walk.kept && walk.query == query && walk.state.model == state.model &&
                walk.state.bodies == state.bodies && walk.updates == updates &&
                (!readsHighlights(query) || walk.highlights == highlights)) {
                walk.used = ++uses;
                return &walk.spheres;
            }
        }
        return nullptr;
    }
    /// The array to record a walk for `query` into (sized by the caller): the slot used
    /// least recently. Not kept until `keepBodies`.
    [[nodiscard]] std::vector<BodySphere>& recordBodies(const Query& query) {
        const auto same = std::find_if(bodyWalks.begin(), bodyWalks.end(),
                                       [&](const BodyWalk& walk) { return walk.query == query; });
        recording = same != bodyWalks.end()
                        ? &*same
                        : &*std::min_element(
                              bodyWalks.begin(), bodyWalks.end(),
                              [](const BodyWalk& a, const BodyWalk& b) { return a.used < b.used; });
        recording->kept = false;
        recording->query = query;
        recording->used = ++uses;
        return recording->spheres;
    }
    /// The walk just recorded holds for `state`.
    void keepBodies(const State& state) {
        recording->state = state;
        recording->updates = updates;
        recording->highlights = highlights;
        recording->kept = true;
    }
    /// An update refreshed nodes: what a body's sphere reads besides the model (its
    /// prototype) may have changed with it.
    void updated() noexcept { ++updates; }
    /// A body's highlight changed.
    void bodyHighlighted() noexcept { ++highlights; }

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
    static bool readsHighlights(const Query& query) {
        return query.hlMask1 != 0 || query.hlMask0 != 0;
    }
    struct BodyWalk {
        std::vector<BodySphere> spheres;
        Query query;
        State state;
        std::uint64_t updates = 0;
        std::uint64_t highlights = 0;
        std::uint64_t used = 0; // when last recorded or used
        bool kept = false;
    };
    // Two, so that a host asking two sets of masks in turn does not record every time.
    std::array<BodyWalk, 2> bodyWalks{};
    BodyWalk* recording = nullptr;
    std::uint64_t uses = 0;
    std::uint64_t updates = 0;
    std::uint64_t highlights = 0;
};

} // namespace Ostra::Sim::GL

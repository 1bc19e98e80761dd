#pragma once

#include <sim_gl/Node.h>
#include <sim_gl/Project.h>

#include <ostra_sim/NodeListT.h>
#include <ostra_sim/Stamp.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace Ostra::Sim::GL {

class PickIndex;
class SphereCache;

/// The project's bookkeeping that hosts never see: the record of the last update's walk,
/// the pick index, the kept spheres and the operation under way. Members are declared in
/// the reverse of the order in which they are torn down, as the project's own.
struct Project::Impl {
    /// What the last update left in one list, in order: each node with its simulation
    /// object and what its refresh can do. Valid while the list has not changed since, so
    /// that walking an unchanged list need not visit nodes whose refresh is idle. Sixteen
    /// bytes: what the refresh can do sits in the low bits of the node's address.
    class WalkEntry {
    public:
        static constexpr std::uintptr_t idleMask = 0x3;
        static_assert(alignof(Node) > idleMask, "the bits fit below a node's address");
        WalkEntry(const Sim::Node* sim, Node* node, unsigned idle) noexcept
            : sim(sim), nodeBits(reinterpret_cast<std::uintptr_t>(node) | (idle & idleMask)) {}
        [[nodiscard]] Node* node() const noexcept {
            return reinterpret_cast<Node*>(nodeBits & ~idleMask);
        }
        [[nodiscard]] unsigned idle() const noexcept { return unsigned(nodeBits & idleMask); }

        const Sim::Node* sim;

    private:
        std::uintptr_t nodeBits;
    };
    struct Walk {
        std::vector<WalkEntry> entries;
        std::uint64_t changes = 0; // the list's change count when recorded
        std::size_t busy = 0;      // entries refreshed even while the model stands still
        bool valid = false;
    };

    Impl();
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    /// Brings one of the project's node lists into line with the model's list of that kind.
    template <class Kind, class T>
    void sync(Project& project, Sim::NodeListT<T, RefT<T>>& list, Sim::Project* model,
              UpdateResult& result, Walk& walk, Sim::Stamp seen);
    /// Removes `node` from `list` and the node map, reports it and returns its successor.
    template <class T>
    static T* retire(Project& project, Sim::NodeListT<T, RefT<T>>& list, T& node,
                     UpdateResult& result);
    /// Collects the enabled UI port drivers and, when they changed, the draggable bodies.
    static void updateDrivers(Project& project, Sim::Project* model);

    // The simulation's next stamp when the last complete update began. While update
    // runs, `modelStill` says that no stamp has been taken since: nothing of the model
    // has changed since that update, so what it recorded still holds.
    Sim::Stamp stillSince = 0;
    bool stillKnown = false;
    bool modelStill = false;
    Walk bodyWalk;
    Walk jointWalk;
    Walk sensorWalk;
    // The body list laid out for picking; rebuilt when found out of step with the list.
    std::unique_ptr<PickIndex> pickIndex;
    // The last project spheres, kept while neither the model, the lists nor the scene
    // state they read has changed; `sceneChanges` counts the changes of the latter.
    std::unique_ptr<SphereCache> sphereCache;
    std::uint64_t sceneChanges = 0;
    // The update, set, pick or drag under way, or null: hosts' callbacks may not start another.
    const char* busyWith = nullptr;
};

} // namespace Ostra::Sim::GL

#pragma once

// A simple, independent account of what a project update must do: which model objects
// get nodes, in which order, and what one update removes and creates. Shared by the
// randomized update test and the update fuzzer.

#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/Project.h>
#include <ostra_sim/Sensor.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <set>
#include <utility>
#include <vector>

namespace Tolu::Test {

using Objects = std::vector<const Ostra::Sim::Node*>;
// What an update removed and created, as the model objects of the nodes.
using Change = std::pair<Objects, Objects>;
// Bodies, joints, sensors.
using Kinds = std::array<Objects, 3>;

inline Objects simNodesOf(const std::vector<RefT<Ostra::Sim::GL::Node>>& nodes) {
    Objects out;
    for (const auto& node : nodes) {
        out.push_back(node->getSimNode().get());
    }
    return out;
}

template <class T> Objects simNodesOf(const Ostra::Sim::NodeListT<T, RefT<T>>& list) {
    Objects out;
    for (T* node = list.first.get(); node; node = node->getNext().get()) {
        out.push_back(node->getSimNode().get());
    }
    return out;
}

inline Change changeOf(const Ostra::Sim::GL::Project::UpdateResult& result) {
    return {simNodesOf(result.first), simNodesOf(result.second)};
}

// The model objects of the project's nodes, kind by kind.
inline Kinds listedIn(Ostra::Sim::GL::Project& project) {
    return {simNodesOf(project.getBodyList()), simNodesOf(project.getJointList()),
            simNodesOf(project.getSensorList())};
}

template <class T, class Pred>
Objects mirroredOf(const Ostra::Sim::NodeListT<T, RefT<T>>& list, Pred pred) {
    Objects out;
    for (T* object = list.first.get(); object; object = object->getNext().get()) {
        if (pred(*object)) {
            out.push_back(object);
        }
    }
    return out;
}

// The model objects that must have nodes, kind by kind, in model order.
inline Kinds mirroredIn(Ostra::Sim::Project& model) {
    using namespace Ostra::Sim;
    return {mirroredOf(model.getBodyList(), [](const Body& b) { return b.getStatus() >= 2; }),
            mirroredOf(model.getJointList(), [](const Joint& j) { return j.getStatus() >= 2; }),
            mirroredOf(model.getSensorList(), [](const Sensor& s) { return GL::isMapped(s); })};
}

// One kind: the longest prefix of `mirrored` that is a subsequence of `old` (whose
// elements are distinct) stays, everything else of `old` is removed, and the rest of
// `mirrored` is created.
inline Change expectedChange(const Objects& old, const Objects& mirrored) {
    auto at = old.begin();
    std::size_t kept = 0;
    for (; kept < mirrored.size(); ++kept, ++at) {
        at = std::find(at, old.end(), mirrored[kept]);
        if (at == old.end()) {
            break;
        }
    }
    const std::set<const Ostra::Sim::Node*> keep(mirrored.begin(), mirrored.begin() + long(kept));
    Objects removed;
    std::copy_if(old.begin(), old.end(), std::back_inserter(removed),
                 [&](const Ostra::Sim::Node* object) { return !keep.contains(object); });
    return {removed, Objects(mirrored.begin() + long(kept), mirrored.end())};
}

// All kinds, in the order update reports them.
inline Change expectedChange(const Kinds& old, const Kinds& mirrored) {
    Change change;
    for (std::size_t kind = 0; kind < old.size(); ++kind) {
        auto [removed, created] = expectedChange(old[kind], mirrored[kind]);
        change.first.insert(change.first.end(), removed.begin(), removed.end());
        change.second.insert(change.second.end(), created.begin(), created.end());
    }
    return change;
}

} // namespace Tolu::Test

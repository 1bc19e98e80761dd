#pragma once

#include <tolu/util/PtrT.h>
#include <tolu/util/RefT.h>

#include <cstdint>
#include <utility>

namespace Ostra::Sim {

/// Intrusive doubly linked list of nodes that carry their own `next` and `prev` links.
/// `R` is `RefT<T>` (the list and every node own their successor; `prev` is weak) or
/// `PtrT<T>` (every link is weak and the list keeps nothing alive). Node classes give
/// the list access to their links with `template <class, class> friend class NodeListT;`.
template <class T, class R> class NodeListT {
public:
    NodeListT() noexcept = default;
    NodeListT(const NodeListT&) = delete;
    NodeListT& operator=(const NodeListT&) = delete;
    /// Removes every node from the front.
    ~NodeListT() { clear(); }

    /// Appends `node` as the new last node. The node must be in no list.
    void pushBack(R node) {
        if (last) {
            node->prev = Tolu::PtrT<T>(last.get());
            last->next = node;
            last = node;
        } else {
            first = node;
            last = first;
        }
        ++count;
        ++changes;
    }

    /// Inserts `node` in front of `before`, a member of this list; at the end when
    /// `before` is null. The node must be in no list.
    void insertBefore(R node, const Tolu::RefT<T>& before) {
        if (!before) {
            pushBack(std::move(node));
            return;
        }
        Tolu::PtrT<T> predecessor(before->prev);
        node->prev = predecessor;
        node->next = R(before.get());
        if (first == before) {
            first = node;
        } else {
            predecessor->next = node;
        }
        before->prev = Tolu::PtrT<T>(node.get());
        ++count;
        ++changes;
    }

    /// Unlinks `node`, which must be a member of this list, and returns its former
    /// successor. The argument keeps the node alive through the call.
    R remove(Tolu::RefT<T> node) {
        R successor(node->next.get());
        Tolu::PtrT<T> predecessor(node->prev);
        if (first == node) {
            first = successor;
        } else {
            predecessor->next = successor;
        }
        if (last == node) {
            last = R(predecessor.get());
        } else {
            successor->prev = predecessor;
        }
        node->prev = nullptr;
        node->next = nullptr;
        --count;
        ++changes;
        return successor;
    }

    /// Removes every node, front to back. Each node dies as soon as the local
    /// reference to it goes, unless someone else holds it.
    void clear() {
        Tolu::RefT<T> node(first.get());
        while (node) {
            R successor = remove(node);
            node.reset(successor.get());
        }
    }

    /// How many members the list has.
    [[nodiscard]] std::uint64_t getCount() const noexcept { return count; }
    /// The first member, or null.
    [[nodiscard]] const R& getFirst() const noexcept { return first; }
    /// The last member, or null.
    [[nodiscard]] const R& getLast() const noexcept { return last; }
    /// True without members.
    [[nodiscard]] bool isEmpty() const noexcept { return count == 0; }
    /// Raised by every insertion and removal: equal values mean the same members in the
    /// same order, so a walker can keep what it learned of the list until it moves.
    [[nodiscard]] std::uint64_t getChanges() const noexcept { return changes; }

    /// \cond INTERNAL
    std::uint64_t count = 0;
    std::uint64_t changes = 0;
    R first;
    R last;
    /// \endcond
};

} // namespace Ostra::Sim

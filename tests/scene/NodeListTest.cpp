#include <ostra_sim/NodeListT.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Ostra::Sim::NodeListT;
using Tolu::PtrT;
using Tolu::RefT;

// Nodes of both list kinds, recording the order in which they die.
template <class Self, template <class> class Link> struct ListNode : Tolu::Class {
    ListNode(std::string name, std::vector<std::string>* deaths)
        : name(std::move(name)), deaths(deaths) {}
    template <class, class> friend class Ostra::Sim::NodeListT;
    std::string name;
    std::vector<std::string>* deaths;
    Link<Self> next;
    PtrT<Self> prev;

protected:
    ~ListNode() override {
        if (deaths) {
            deaths->push_back(name);
        }
    }
};

struct Owned : ListNode<Owned, RefT> {
    using ListNode::ListNode;
};
struct Observed : ListNode<Observed, PtrT> {
    using ListNode::ListNode;
};
using OwningList = NodeListT<Owned, RefT<Owned>>;
using WeakList = NodeListT<Observed, PtrT<Observed>>;

std::vector<std::string> names(const OwningList& list) {
    std::vector<std::string> out;
    for (Owned* node = list.first.get(); node; node = node->next.get()) {
        out.push_back(node->name);
    }
    return out;
}

class NodeList : public ::testing::Test {
protected:
    RefT<Owned> make(const char* name) { return Tolu::makeRef<Owned>(name, &deaths); }
    std::vector<std::string> deaths;
};

TEST_F(NodeList, AppendingToAnEmptyListSetsBothEnds) {
    OwningList list;
    RefT<Owned> a = make("a");
    list.pushBack(a);
    EXPECT_EQ(list.count, 1u);
    EXPECT_EQ(list.first.get(), a.get());
    EXPECT_EQ(list.last.get(), a.get());
    EXPECT_FALSE(a->prev);
    EXPECT_FALSE(a->next);
}

TEST_F(NodeList, RemovingTheOnlyNodeEmptiesTheList) {
    OwningList list;
    RefT<Owned> a = make("a");
    list.pushBack(a);
    EXPECT_FALSE(list.remove(a));
    EXPECT_EQ(list.count, 0u);
    EXPECT_FALSE(list.first);
    EXPECT_FALSE(list.last);
}

TEST_F(NodeList, RemovingFirstMiddleAndLastRelinksTheNeighbours) {
    OwningList list;
    RefT<Owned> nodes[5] = {make("a"), make("b"), make("c"), make("d"), make("e")};
    for (auto& node : nodes) {
        list.pushBack(node);
    }
    EXPECT_EQ(list.remove(nodes[0]).get(), nodes[1].get());
    EXPECT_EQ(list.first.get(), nodes[1].get());
    EXPECT_FALSE(nodes[1]->prev);

    EXPECT_FALSE(list.remove(nodes[4]));
    EXPECT_EQ(list.last.get(), nodes[3].get());
    EXPECT_FALSE(nodes[3]->next);

    EXPECT_EQ(list.remove(nodes[2]).get(), nodes[3].get());
    EXPECT_EQ(nodes[1]->next.get(), nodes[3].get());
    EXPECT_EQ(nodes[3]->prev.get(), nodes[1].get());
    EXPECT_EQ(names(list), (std::vector<std::string>{"b", "d"}));
    EXPECT_EQ(list.count, 2u);
    for (int removed : {0, 2, 4}) {
        EXPECT_FALSE(nodes[removed]->next);
        EXPECT_FALSE(nodes[removed]->prev);
    }
}

TEST_F(NodeList, InsertBeforeKeepsTheOrder) {
    OwningList list;
    RefT<Owned> a = make("a"), b = make("b"), c = make("c"), d = make("d");
    list.pushBack(b);
    list.insertBefore(a, b);  // new first
    list.insertBefore(d, {}); // at the end
    list.insertBefore(c, d);  // in the middle
    EXPECT_EQ(names(list), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(list.count, 4u);
    EXPECT_EQ(d->prev.get(), c.get());
    EXPECT_EQ(list.last.get(), d.get());
}

TEST_F(NodeList, RemovedNodeDiesWhenTheCallersReferenceGoes) {
    OwningList list;
    list.pushBack(make("a"));
    list.pushBack(make("b"));
    list.pushBack(make("c"));
    {
        RefT<Owned> middle(list.first->next.get());
        list.remove(middle);
        EXPECT_TRUE(deaths.empty()); // the argument still holds it
    }
    EXPECT_EQ(deaths, (std::vector<std::string>{"b"}));
}

TEST_F(NodeList, EmptyingReleasesNodesFrontToBackUnlessHeldElsewhere) {
    RefT<Owned> kept;
    {
        OwningList list;
        for (const char* name : {"a", "b", "c", "d"}) {
            list.pushBack(make(name));
        }
        kept.reset(list.last->prev.get()); // "c"
    }
    EXPECT_EQ(deaths, (std::vector<std::string>{"a", "b", "d"}));
    EXPECT_FALSE(kept->next);
    EXPECT_FALSE(kept->prev);
}

TEST(WeakNodeList, KeepsNothingAlive) {
    std::vector<std::string> deaths;
    WeakList list;
    RefT<Observed> a = Tolu::makeRef<Observed>("a", &deaths);
    RefT<Observed> b = Tolu::makeRef<Observed>("b", &deaths);
    list.pushBack(PtrT<Observed>(a));
    list.pushBack(PtrT<Observed>(b));
    // A member unlinks itself before it goes, as prototypes do in their destructor.
    list.remove(a);
    a = nullptr;
    EXPECT_EQ(deaths, (std::vector<std::string>{"a"}));
    EXPECT_EQ(list.first.get(), b.get());
    // Even while still linked, the list does not hold it.
    b = nullptr;
    EXPECT_EQ(deaths, (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(list.first);
    EXPECT_FALSE(list.last);
}

} // namespace

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

TEST_F(NodeList, InsertAndRemoveKeepTheOrderTheEndsAndTheLinks) {
    OwningList list;
    RefT<Owned> a = make("a"), b = make("b"), c = make("c"), d = make("d"), e = make("e");
    list.pushBack(c);
    list.insertBefore(a, c);  // new first
    list.insertBefore(e, {}); // at the end
    list.insertBefore(b, c);  // in the middle
    list.insertBefore(d, e);
    EXPECT_EQ(names(list), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(list.count, 5u);

    // Removing returns the next node and unlinks the removed one.
    EXPECT_EQ(list.remove(a).get(), b.get());
    EXPECT_EQ(list.first.get(), b.get());
    EXPECT_FALSE(b->prev);
    EXPECT_FALSE(list.remove(e));
    EXPECT_EQ(list.last.get(), d.get());
    EXPECT_FALSE(d->next);
    EXPECT_EQ(list.remove(c).get(), d.get());
    EXPECT_EQ(b->next.get(), d.get());
    EXPECT_EQ(d->prev.get(), b.get());
    EXPECT_EQ(names(list), (std::vector<std::string>{"b", "d"}));
    for (const auto& removed : {a, c, e}) {
        EXPECT_FALSE(removed->next);
        EXPECT_FALSE(removed->prev);
    }
    list.remove(b);
    list.remove(d);
    EXPECT_EQ(list.count, 0u);
    EXPECT_FALSE(list.first);
    EXPECT_FALSE(list.last);
}

TEST_F(NodeList, NodesDieWhenRemovedAndReleasedOrFrontToBackWhenTheListGoes) {
    RefT<Owned> kept;
    {
        OwningList list;
        for (const char* name : {"a", "b", "c", "d", "e"}) {
            list.pushBack(make(name));
        }
        {
            RefT<Owned> removed(list.first->next.get()); // "b"
            list.remove(removed);
            EXPECT_TRUE(deaths.empty()); // the caller still holds it
        }
        EXPECT_EQ(deaths, (std::vector<std::string>{"b"}));
        kept.reset(list.last->prev.get()); // "d"
    }
    EXPECT_EQ(deaths, (std::vector<std::string>{"b", "a", "c", "e"}));
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

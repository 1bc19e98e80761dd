#include <tolu/util/PtrT.h>
#include <tolu/util/RefT.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

using Tolu::Class;
using Tolu::PtrT;
using Tolu::RefT;

// Counts destructions so tests can see exactly when an object dies.
struct Probe : Class {
    explicit Probe(int* deaths = nullptr) : deaths(deaths) {}
    int* deaths;

protected:
    ~Probe() override {
        if (deaths) {
            ++*deaths;
        }
    }
};

struct Derived : Probe {
    using Probe::Probe;
};
struct Other : Class {};

// Takes strong and weak references to itself while it is destroyed, as list
// members do when they unlink themselves.
struct SelfReferencing : Class {
    PtrT<SelfReferencing> self;
    std::pair<bool, bool>* seen = nullptr; // weak still reads it, lock fails

protected:
    ~SelfReferencing() override {
        RefT<SelfReferencing> temporary(this);
        *seen = {self.get() == this, !self.lock()};
    }
};

TEST(RefT, ObjectDiesWithTheLastStrongReferenceNotWhenItIsReassignedToItself) {
    int deaths = 0;
    const auto before = Class::getLiveCount();
    RefT<Probe> a = Tolu::makeRef<Probe>(&deaths);
    EXPECT_EQ(Class::getLiveCount(), before + 1);
    // The only reference to the object is the one being reassigned.
    a.reset(a.get());
    const RefT<Probe>& same = a; // not `a = a`, which compilers rightly question
    a = same;
    RefT<Probe> b = a;
    a = nullptr;
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(b->getRefCount(), 1u);
    b.reset();
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(Class::getLiveCount(), before);
}

TEST(RefT, ConversionToAnotherClassIsARunTimeDowncast) {
    RefT<Class> base = Tolu::makeRef<Derived>();
    RefT<Derived> down(base);
    RefT<Other> wrong(base);
    EXPECT_TRUE(down);
    EXPECT_FALSE(wrong);
    EXPECT_EQ(base->getRefCount(), 2u); // the failed cast took no reference

    PtrT<Class> weakBase(base);
    PtrT<Derived> weakDown(weakBase);
    PtrT<Other> weakWrong(weakBase);
    EXPECT_EQ(weakDown.get(), down.get());
    EXPECT_FALSE(weakWrong);
    EXPECT_EQ(base->getRefCount(), 2u);
}

TEST(PtrT, ReadsNullOnceTheTargetIsDestroyedAndKeepsNothingAlive) {
    int deaths = 0;
    RefT<Probe> strong = Tolu::makeRef<Probe>(&deaths);
    PtrT<Probe> weak(strong);
    PtrT<Probe> copy = weak;
    PtrT<Probe> assigned;
    assigned = copy;
    std::vector<PtrT<Probe>> observers(5, weak);
    observers.erase(observers.begin() + 2); // unlinks one from the middle
    EXPECT_EQ(weak.get(), strong.get());
    EXPECT_EQ(RefT<Probe>(weak).get(), strong.get());

    strong = nullptr;
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(weak);
    EXPECT_FALSE(copy);
    EXPECT_FALSE(assigned);
    for (const auto& observer : observers) {
        EXPECT_FALSE(observer);
    }
    EXPECT_FALSE(weak.lock());
}

TEST(PtrT, OrderedSetKeepsItsOrderWhenMembersDie) {
    std::vector<RefT<Probe>> objects;
    std::set<PtrT<Probe>> set;
    for (int i = 0; i < 8; ++i) {
        objects.push_back(Tolu::makeRef<Probe>());
        set.insert(PtrT<Probe>(objects.back()));
    }
    objects[3] = nullptr;
    objects[6] = nullptr;
    // Every live member is still found by identity, and the order is intact.
    for (const auto& object : objects) {
        if (object) {
            EXPECT_EQ(set.count(PtrT<Probe>(object)), 1u);
        }
    }
    EXPECT_TRUE(std::is_sorted(set.begin(), set.end()));
    EXPECT_EQ(std::count_if(set.begin(), set.end(), [](const auto& member) { return !member; }), 2);
}

TEST(Class, DestructorMayTakeTemporaryReferencesToItself) {
    std::pair<bool, bool> seen{false, false};
    const auto before = Class::getLiveCount();
    {
        RefT<SelfReferencing> object = Tolu::makeRef<SelfReferencing>();
        object->self.reset(object.get());
        object->seen = &seen;
    }
    // Weak references still read the object inside its destructor, but cannot
    // make it live again; and the temporary strong reference destroys nothing twice.
    EXPECT_TRUE(seen.first);
    EXPECT_TRUE(seen.second);
    EXPECT_EQ(Class::getLiveCount(), before);
}

} // namespace

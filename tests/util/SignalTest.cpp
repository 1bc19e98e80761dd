#include <tolu/util/Signal.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

using Tolu::Class;
using Tolu::PtrT;
using Tolu::RefT;
using Tolu::SignalT;
using Tolu::SigVoidData;

struct Tag : Class {};

TEST(SignalT, CallsSlotsInAscendingConnectionOrderWithTheirReferences) {
    SignalT<> signal;
    std::vector<int> order;
    RefT<Tag> weakTarget = Tolu::makeRef<Tag>();
    RefT<Tag> strongTarget = Tolu::makeRef<Tag>();
    const auto first = signal.connect([&](SigVoidData&) { order.push_back(1); });
    const auto second = signal.connect(
        [&](SigVoidData& data) {
            order.push_back(2);
            EXPECT_EQ(data.ptr.get(), weakTarget.get());
            EXPECT_EQ(data.ref.get(), strongTarget.get());
        },
        PtrT<Class>(weakTarget), RefT<Class>(strongTarget));
    EXPECT_LT(first, second);
    EXPECT_TRUE(signal.isConnected(second));

    SigVoidData data;
    signal.emit(data);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(SignalT, SlotMayDisconnectItselfAndOthersDuringEmission) {
    SignalT<> signal;
    std::vector<int> order;
    std::uint32_t self = 0, next = 0;
    self = signal.connect([&](SigVoidData&) {
        order.push_back(1);
        signal.disconnect(self);
        signal.disconnect(next);
    });
    next = signal.connect([&](SigVoidData&) { order.push_back(2); });
    signal.connect([&](SigVoidData&) { order.push_back(3); });

    SigVoidData data;
    signal.emit(data);
    EXPECT_EQ(order, (std::vector<int>{1, 3}));
    EXPECT_FALSE(signal.isConnected(self));
    EXPECT_FALSE(signal.isConnected(next));
    EXPECT_EQ(signal.getSlotCount(), 1u);
}

TEST(SignalT, CarriesDerivedDataAndDropsSlotReferencesWithTheSignal) {
    struct Changed : SigVoidData {
        int previous = 0;
    };
    RefT<Tag> held = Tolu::makeRef<Tag>();
    int seen = -1;
    {
        SignalT<Changed> signal;
        signal.connect([&](Changed& data) { seen = data.previous; }, {}, RefT<Class>(held));
        EXPECT_EQ(held->getRefCount(), 2u);
        Changed data;
        data.previous = 7;
        signal.emit(data);
    }
    EXPECT_EQ(seen, 7);
    EXPECT_EQ(held->getRefCount(), 1u);
}

} // namespace

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

TEST(SignalT, CallsSlotsInConnectionOrderWithTheirReferencesAndDropsThemWithTheSignal) {
    struct Changed : SigVoidData {
        int previous = 0;
    };
    RefT<Tag> weakTarget = Tolu::makeRef<Tag>();
    RefT<Tag> strongTarget = Tolu::makeRef<Tag>();
    std::vector<int> seen;
    {
        SignalT<Changed> signal;
        signal.connect([&](Changed& data) { seen.push_back(data.previous); });
        signal.connect(
            [&](Changed& data) {
                seen.push_back(2);
                EXPECT_EQ(data.ptr.get(), weakTarget.get());
                EXPECT_EQ(data.ref.get(), strongTarget.get());
            },
            PtrT<Class>(weakTarget), RefT<Class>(strongTarget));
        EXPECT_EQ(strongTarget->getRefCount(), 2u);
        Changed data;
        data.previous = 7;
        signal.emit(data);
    }
    EXPECT_EQ(seen, (std::vector<int>{7, 2}));
    EXPECT_EQ(strongTarget->getRefCount(), 1u);
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
    const auto last = signal.connect([&](SigVoidData&) { order.push_back(3); });

    SigVoidData data;
    signal.emit(data);
    EXPECT_EQ(order, (std::vector<int>{1, 3}));
    EXPECT_FALSE(signal.isConnected(self));
    EXPECT_FALSE(signal.isConnected(next));
    EXPECT_TRUE(signal.isConnected(last));
}

TEST(SignalT, SlotConnectedDuringEmissionWaitsForTheNextOneWhenTheCursorHasPassedIt) {
    SignalT<> signal;
    std::vector<int> order;
    signal.connect([&](SigVoidData&) { order.push_back(1); });
    signal.connect([&](SigVoidData&) {
        order.push_back(2);
        if (signal.getSlotCount() == 2) {
            signal.connect([&](SigVoidData&) { order.push_back(3); });
        }
    });

    SigVoidData data;
    signal.emit(data);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    signal.emit(data);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 1, 2, 3}));
}

} // namespace

#include <tolu/util/PtrT.h>
#include <tolu/util/RefT.h>

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <compare>
#include <thread>
#include <vector>

namespace {

using Tolu::Class;
using Tolu::PtrT;
using Tolu::RefT;

struct Target : Class {
    explicit Target(int value) : value(value) {}
    int value;
};

// Several threads copy, reset and read weak references to one target while one of
// them drops the last strong reference. Run under ThreadSanitizer in CI.
TEST(WeakReferenceStress, CopyResetAndReadWhileTheTargetDies) {
    constexpr int threadCount = 4;
    constexpr int rounds = 1500;
    constexpr int opsPerRound = 60;
    const auto liveBefore = Class::getLiveCount();

    RefT<Target> owner;  // written by the main thread between rounds
    PtrT<Target> shared; // read by every worker during a round
    std::atomic<long> operations{0};
    std::atomic<long> readsAfterDeath{0};
    std::barrier sync(threadCount + 1);

    auto worker = [&](int index) {
        std::vector<PtrT<Target>> kept; // outlive the target, unlinked after it died
        for (int round = 0; round < rounds; ++round) {
            sync.arrive_and_wait(); // round starts
            long ops = 0;
            for (int op = 0; op < opsPerRound; ++op) {
                PtrT<Target> copy(shared);
                if (RefT<Target> strong = copy.lock()) {
                    EXPECT_EQ(strong->value, round);
                    PtrT<Target> fromStrong(strong);
                    kept.push_back(fromStrong);
                }
                PtrT<Target> assigned;
                assigned = copy;
                assigned.reset();
                if (index == 0 && op == opsPerRound / 2) {
                    owner = nullptr; // the last strong reference, unless a reader holds one
                }
                ops += 4;
            }
            sync.arrive_and_wait(); // every strong reference of this round is gone
            PtrT<Target> late(shared);
            if (!late && !shared.lock()) {
                readsAfterDeath.fetch_add(1, std::memory_order_relaxed);
            }
            kept.clear();
            operations.fetch_add(ops + 2, std::memory_order_relaxed);
            sync.arrive_and_wait(); // round ends
        }
    };

    std::vector<std::thread> threads;
    for (int i = 0; i < threadCount; ++i) {
        threads.emplace_back(worker, i);
    }
    for (int round = 0; round < rounds; ++round) {
        owner = Tolu::makeRef<Target>(round);
        shared.reset(owner.get());
        sync.arrive_and_wait();
        sync.arrive_and_wait();
        sync.arrive_and_wait();
    }
    for (auto& thread : threads) {
        thread.join();
    }
    shared.reset();

    EXPECT_GE(operations.load(), 300000);
    EXPECT_EQ(readsAfterDeath.load(), long(threadCount) * rounds);
    EXPECT_EQ(Class::getLiveCount(), liveBefore);
}

// Targets die on the thread that happens to hold the last strong reference, while
// weak references to them are created and destroyed on the others.
TEST(WeakReferenceStress, LastStrongReferenceDropsOnAnyThread) {
    constexpr int threadCount = 3;
    constexpr int iterations = 20000;
    const auto liveBefore = Class::getLiveCount();
    std::vector<std::thread> threads;
    std::atomic<int> started{0};
    RefT<Target> seed = Tolu::makeRef<Target>(1);
    PtrT<Target> sharedSeed(seed);

    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&] {
            started.fetch_add(1);
            for (int i = 0; i < iterations; ++i) {
                RefT<Target> local = Tolu::makeRef<Target>(i);
                PtrT<Target> a(local);
                PtrT<Target> b(a);
                local = nullptr;
                EXPECT_FALSE(a);
                EXPECT_FALSE(b);
                if (RefT<Target> s = sharedSeed.lock()) {
                    EXPECT_EQ(s->value, 1);
                }
            }
        });
    }
    while (started.load() < threadCount) {
        std::this_thread::yield();
    }
    seed = nullptr; // dies while the workers read it
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_FALSE(sharedSeed);
    EXPECT_EQ(Class::getLiveCount(), liveBefore);
}

// Readers poll weak references with every read that is safe while the target dies
// (the null test that `Project::isDrag` uses, comparisons, ordering, lock) as the owner
// drops the target. A read that touched the dying object is reported by the
// sanitizers; the test runs under all of them.
TEST(WeakReferenceStress, SafeReadsWhileTheTargetDiesElsewhere) {
    constexpr int readerCount = 2;
    constexpr int rounds = 3000;
    constexpr int readsPerRound = 400; // bounded: a reader never waits for the owner by spinning
    const auto liveBefore = Class::getLiveCount();
    const RefT<Target> bystander = Tolu::makeRef<Target>(-1);

    RefT<Target> owner;
    PtrT<Target> shared, twin; // set by the main thread between rounds
    std::atomic<bool> dropped{false};
    std::atomic<long> liveReads{0};
    std::barrier sync(readerCount + 1);

    auto reader = [&] {
        for (int round = 0; round < rounds; ++round) {
            sync.arrive_and_wait(); // round starts
            const void* key = shared.getKey();
            long live = 0;
            for (int read = 0; read < readsPerRound; ++read) {
                const bool alive = static_cast<bool>(shared);
                EXPECT_FALSE(shared == bystander);
                EXPECT_FALSE(shared == bystander.get());
                EXPECT_FALSE(twin == PtrT<Target>(bystander));
                EXPECT_TRUE((shared <=> twin) == 0) << "ordered by the identity given";
                EXPECT_EQ(shared.getKey(), key);
                if (const RefT<Target> strong = shared.lock()) {
                    EXPECT_EQ(strong->value, round);
                    EXPECT_TRUE(shared == strong && twin == strong);
                    live += alive ? 1 : 0;
                }
                static_cast<void>(shared == twin);
                if (dropped.load(std::memory_order_acquire)) {
                    break; // one read after the death is enough
                }
            }
            liveReads.fetch_add(live, std::memory_order_relaxed);
            sync.arrive_and_wait(); // round ends
        }
    };

    std::vector<std::thread> threads;
    for (int i = 0; i < readerCount; ++i) {
        threads.emplace_back(reader);
    }
    for (int round = 0; round < rounds; ++round) {
        owner = Tolu::makeRef<Target>(round);
        shared.reset(owner.get());
        twin = shared;
        dropped.store(false, std::memory_order_relaxed);
        sync.arrive_and_wait();
        std::this_thread::yield();
        owner = nullptr; // dies here while the readers poll
        dropped.store(true, std::memory_order_release);
        sync.arrive_and_wait();
        EXPECT_FALSE(shared);
        EXPECT_TRUE(shared == twin) << "both read null";
    }
    for (auto& thread : threads) {
        thread.join();
    }
    shared.reset();
    twin.reset();
    EXPECT_GT(liveReads.load(), 0);
    EXPECT_EQ(Class::getLiveCount(), liveBefore + 1);
}

} // namespace

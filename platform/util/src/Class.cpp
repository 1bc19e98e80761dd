#include <tolu/util/Class.h>
#include <tolu/util/PtrBase.h>

#include <array>
#include <mutex>
#include <new>

namespace Tolu {

namespace {

std::atomic<std::int64_t> liveObjects{0};

// Locks are striped by address rather than stored in each object: objects stay small,
// and a weak reference can take its target's lock while the target is being freed.
constexpr std::size_t stripeCount = 64;

std::mutex& stripeFor(const void* object) noexcept {
    static std::array<std::mutex, stripeCount> stripes;
    auto bits = reinterpret_cast<std::uintptr_t>(object);
    bits ^= bits >> 12;
    return stripes[(bits >> 4) % stripeCount];
}

} // namespace

Class::LockPtr::LockPtr(const Class* object) noexcept : mutex(&stripeFor(object)) {
    static_cast<std::mutex*>(mutex)->lock();
}

Class::LockPtr::~LockPtr() {
    static_cast<std::mutex*>(mutex)->unlock();
}

void* Class::operator new(std::size_t size) {
    void* memory = ::operator new(size);
    liveObjects.fetch_add(1, std::memory_order_relaxed);
    return memory;
}

void Class::operator delete(void* memory, std::size_t size) noexcept {
    if (memory) {
        liveObjects.fetch_sub(1, std::memory_order_relaxed);
    }
    // Unsized: not every compiler declares the sized form by default (clang without
    // -fsized-deallocation), and the allocator does not need the size.
    (void)size;
    ::operator delete(memory);
}

std::int64_t Class::getLiveCount() noexcept {
    return liveObjects.load(std::memory_order_relaxed);
}

bool Class::tryAddRef() const noexcept {
    std::uint32_t count = refCount.load(std::memory_order_relaxed);
    while (count != 0 && !(count & dyingMark)) {
        if (refCount.compare_exchange_weak(count, count + 1, std::memory_order_acquire,
                                           std::memory_order_relaxed)) {
            return true;
        }
    }
    return false;
}

void Class::destroy() const noexcept {
    refCount.store(dyingMark, std::memory_order_relaxed);
    delete this;
}

Class::~Class() {
    // Derived destructors have run and may still have used weak references to this
    // object; now every observer is told, under the lock, before the memory goes.
    LockPtr lock(this);
    for (PtrBase* observer = observers; observer;) {
        PtrBase* next = observer->nextObserver;
        observer->prevObserver = nullptr;
        observer->nextObserver = nullptr;
        // Publishing the dead mark is the last touch: an observer that sees it may be
        // destroyed at once by its owner without taking the lock.
        observer->target.fetch_or(PtrBase::deadBit, std::memory_order_acq_rel);
        observer = next;
    }
    observers = nullptr;
}

} // namespace Tolu

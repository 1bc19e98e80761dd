#include <tolu/util/PtrBase.h>

namespace Tolu {

void PtrBase::insertInto(Class* object) noexcept {
    // Called with the object's lock held.
    prevObserver = nullptr;
    nextObserver = object->observers;
    if (nextObserver) {
        nextObserver->prevObserver = this;
    }
    object->observers = this;
    target.exchange(reinterpret_cast<std::uintptr_t>(object), std::memory_order_acq_rel);
}

void PtrBase::link(Class* object) noexcept {
    if (!object) {
        return;
    }
    Class::LockPtr lock(object);
    insertInto(object);
}

void PtrBase::linkFrom(const PtrBase& other) noexcept {
    for (;;) {
        const std::uintptr_t value = other.target.load(std::memory_order_acquire);
        if (value == 0 || (value & deadBit)) {
            // Keep the identity of a dead target so that ordered containers stay ordered.
            target.store(value, std::memory_order_release);
            return;
        }
        auto* object = reinterpret_cast<Class*>(value);
        Class::LockPtr lock(object);
        // Under the lock the target cannot finish dying; if it changed meanwhile, retry.
        if (other.target.load(std::memory_order_acquire) != value) {
            continue;
        }
        insertInto(object);
        return;
    }
}

void PtrBase::unlink() noexcept {
    for (;;) {
        const std::uintptr_t value = target.load(std::memory_order_acquire);
        if (value == 0 || (value & deadBit)) {
            target.store(0, std::memory_order_release);
            return;
        }
        auto* object = reinterpret_cast<Class*>(value);
        Class::LockPtr lock(object);
        if (target.load(std::memory_order_acquire) != value) {
            continue; // the target died while we waited: it already dropped us
        }
        if (prevObserver) {
            prevObserver->nextObserver = nextObserver;
        } else {
            object->observers = nextObserver;
        }
        if (nextObserver) {
            nextObserver->prevObserver = prevObserver;
        }
        prevObserver = nullptr;
        nextObserver = nullptr;
        target.exchange(0, std::memory_order_acq_rel);
        return;
    }
}

void PtrBase::assign(Class* object) noexcept {
    if (object && getClass() == object) {
        return;
    }
    unlink();
    link(object);
}

void PtrBase::assignFrom(const PtrBase& other) noexcept {
    if (&other == this) {
        return;
    }
    unlink();
    linkFrom(other);
}

Class* PtrBase::lockClass() const noexcept {
    for (;;) {
        const std::uintptr_t value = target.load(std::memory_order_acquire);
        if (value == 0 || (value & deadBit)) {
            return nullptr;
        }
        auto* object = reinterpret_cast<Class*>(value);
        Class::LockPtr lock(object);
        if (target.load(std::memory_order_acquire) != value) {
            continue;
        }
        return object->tryAddRef() ? object : nullptr;
    }
}

} // namespace Tolu

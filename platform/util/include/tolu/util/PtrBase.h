#pragma once

#include <tolu/util/Class.h>
#include <tolu/util/Export.h>

#include <atomic>
#include <cstdint>

namespace Tolu {

/// The untyped part of a weak reference: the target and the links of the target's
/// observer list. Use it through `PtrT`.
class TOLU_UTIL_EXPORT PtrBase {
public:
    /// The target, or null when there is none or it has been destroyed.
    [[nodiscard]] Class* getClass() const noexcept {
        const std::uintptr_t value = target.load(std::memory_order_acquire);
        return (value & deadBit) ? nullptr : reinterpret_cast<Class*>(value);
    }
    /// Identity of the object last assigned, which stays the same after that object
    /// dies; null only when nothing was assigned. Orders weak references stably.
    [[nodiscard]] const void* getKey() const noexcept {
        return reinterpret_cast<const void*>(target.load(std::memory_order_acquire) & ~deadBit);
    }
    /// A new strong reference to the target (the caller owns it), or null when the
    /// target is gone or dying. Safe while the target dies on another thread.
    [[nodiscard]] Class* lockClass() const noexcept;

protected:
    PtrBase() noexcept = default;
    /// Observes what `other` observes.
    PtrBase(const PtrBase& other) noexcept { linkFrom(other); }
    /// Observes `object` (alive, or null).
    explicit PtrBase(Class* object) noexcept { link(object); }
    ~PtrBase() { unlink(); }
    PtrBase& operator=(const PtrBase&) = delete;

    /// Makes `object` (alive, or null) the target.
    void assign(Class* object) noexcept;
    /// Makes the target of `other` the target, also while it dies elsewhere.
    void assignFrom(const PtrBase& other) noexcept;

private:
    friend class Class;
    static constexpr std::uintptr_t deadBit = 1;

    void link(Class* object) noexcept;
    void linkFrom(const PtrBase& other) noexcept;
    void unlink() noexcept;
    void insertInto(Class* object) noexcept;

    std::atomic<std::uintptr_t> target{0};
    PtrBase* prevObserver = nullptr; // guarded by the target's LockPtr
    PtrBase* nextObserver = nullptr; // guarded by the target's LockPtr
};

} // namespace Tolu

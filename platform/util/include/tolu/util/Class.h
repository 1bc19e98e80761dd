#pragma once

#include <tolu/util/Export.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace Tolu {

class PtrBase;

/// Reference-counted base of every shared object. Objects are allocated with the
/// class's own `operator new`, owned through `RefT` and observed through `PtrT`;
/// one dies when its last `RefT` goes. Destructors of derived classes stay non-public.
class TOLU_UTIL_EXPORT Class {
public:
    /// Scoped lock on one object's observer list. The lock is chosen by the object's
    /// address, so it may be taken for an object that is being destroyed.
    class TOLU_UTIL_EXPORT LockPtr {
    public:
        /// Locks the observer list of `object`, which may be dying; unlocks when destroyed.
        explicit LockPtr(const Class* object) noexcept;
        ~LockPtr();
        LockPtr(const LockPtr&) = delete;
        LockPtr& operator=(const LockPtr&) = delete;

    private:
        void* mutex;
    };

    /// Allocates objects of every class from one place, so that the libraries free what they make.
    static void* operator new(std::size_t size);
    /// Frees what `operator new` allocated.
    static void operator delete(void* memory, std::size_t size) noexcept;

    Class(const Class&) = delete;
    Class& operator=(const Class&) = delete;

    /// Adds a strong reference. The caller must already hold one, or be the object.
    void addRef() const noexcept { refCount.fetch_add(1, std::memory_order_relaxed); }
    /// Drops a strong reference; the last one destroys the object. (Not `release`: scene
    /// nodes use that name for freeing their OpenGL objects.)
    void releaseRef() const noexcept {
        if (refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            destroy();
        }
    }
    /// Adds a strong reference unless the object is already dying; true on success.
    [[nodiscard]] bool tryAddRef() const noexcept;

    /// Number of strong references (the dying marker included while it is destroyed).
    [[nodiscard]] std::uint32_t getRefCount() const noexcept {
        return refCount.load(std::memory_order_relaxed);
    }
    /// Number of objects allocated through `Class::operator new` and not yet freed.
    [[nodiscard]] static std::int64_t getLiveCount() noexcept;

protected:
    Class() noexcept = default;
    /// Clears every observer under the object's lock, so weak references read null
    /// before the memory is freed.
    virtual ~Class();

private:
    friend class PtrBase;
    void destroy() const noexcept;

    // Set while the object is destroyed: temporary strong references taken from
    // destructors then never bring the count back to zero a second time.
    static constexpr std::uint32_t dyingMark = 0x80000000u;

    mutable std::atomic<std::uint32_t> refCount{0};
    mutable PtrBase* observers = nullptr; // guarded by LockPtr
};

} // namespace Tolu

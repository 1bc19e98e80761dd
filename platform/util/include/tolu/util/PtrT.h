#pragma once

#include <tolu/util/PtrBase.h>
#include <tolu/util/RefT.h>

#include <compare>
#include <cstddef>
#include <type_traits>

namespace Tolu {

/// Weak reference to a `Class` object. It links itself into the target's observer
/// list under the target's `Class::LockPtr` and reads null once the target is
/// destroyed. Ordering uses the identity it was given, which stays stable after the
/// target dies, so ordered containers of weak references keep their order.
///
/// While the target may die on another thread, these are safe: copying, assigning and
/// resetting, `lock()` and the `RefT` made from it, the test for null (`operator bool`,
/// `== nullptr`), the comparisons and `getKey()`; none of them touches the target
/// unless it holds the target's lock. `get()`, `->` and `*` are not: they hand out the
/// raw target, so they are for a thread that keeps the target alive (holds or drops its
/// strong references); any other thread takes `lock()` first.
template <class T> class PtrT : public PtrBase {
public:
    /// The observed class.
    using element_type = T;

    PtrT() noexcept = default;
    /// Observes nothing.
    PtrT(std::nullptr_t) noexcept {}
    /// Observes `object` (alive, or null).
    explicit PtrT(T* object) noexcept : PtrBase(object) {}
    /// Observes what `other` observes.
    PtrT(const PtrT& other) noexcept : PtrBase(other) {}
    ///@{
    /// Observes what `other` observes or `ref` holds, as the base class `T`.
    template <class U>
    requires std::is_convertible_v<U*, T*> PtrT(const PtrT<U>& other)
    noexcept : PtrBase(other) {}
    template <class U>
    requires std::is_convertible_v<U*, T*> PtrT(const RefT<U>& ref)
    noexcept : PtrBase(static_cast<T*>(ref.get())) {}
    ///@}
    ///@{
    /// Run-time downcast: null when the target is of another class.
    template <class U>
    requires(!std::is_convertible_v<U*, T*>) explicit PtrT(const PtrT<U>& other) noexcept {
        RefT<U> strong(other);
        assign(Detail::castRef<T>(strong.get()));
    }
    template <class U>
    requires(!std::is_convertible_v<U*, T*>) explicit PtrT(const RefT<U>& ref) noexcept
        : PtrBase(Detail::castRef<T>(ref.get())) {}
    ///@}

    ~PtrT() = default;

    /// Observes what `other` observes.
    PtrT& operator=(const PtrT& other) noexcept {
        assignFrom(other);
        return *this;
    }
    /// Observes what `ref` holds.
    template <class U>
    requires std::is_convertible_v<U*, T*> PtrT& operator=(const RefT<U>& ref) noexcept {
        assign(static_cast<T*>(ref.get()));
        return *this;
    }
    /// Observes nothing.
    PtrT& operator=(std::nullptr_t) noexcept {
        assign(nullptr);
        return *this;
    }
    /// Observes `object` (alive, or null).
    void reset(T* object = nullptr) noexcept { assign(object); }

    /// The target, or null once it is gone. Only where the target cannot die meanwhile:
    /// the conversion reads an object that another thread may be destroying.
    [[nodiscard]] T* get() const noexcept { return static_cast<T*>(getClass()); }
    /// A strong reference to the target, or null when it is gone or dying.
    [[nodiscard]] RefT<T> lock() const noexcept { return RefT<T>(*this); }
    /// The target, on the terms of `get()`.
    T* operator->() const noexcept { return get(); }
    /// The target, which must be alive, on the terms of `get()`.
    T& operator*() const noexcept { return *get(); }
    /// True while the target lives; safe while it dies on another thread.
    explicit operator bool() const noexcept { return getClass() != nullptr; }

    ///@{
    /// Identity comparisons with a reference, null or an address; safe while the target dies.
    // Comparisons look at the base address only: casting to T would read the target.
    template <class U> bool operator==(const PtrT<U>& other) const noexcept {
        return getClass() == other.getClass();
    }
    template <class U> bool operator==(const RefT<U>& other) const noexcept {
        return getClass() == static_cast<const Class*>(other.get());
    }
    bool operator==(std::nullptr_t) const noexcept { return getClass() == nullptr; }
    bool operator==(const T* other) const noexcept {
        return getClass() == static_cast<const Class*>(other);
    }
    ///@}
    /// Orders by the identity given (stable after the target dies).
    template <class U> std::strong_ordering operator<=>(const PtrT<U>& other) const noexcept {
        return std::compare_three_way()(getKey(), other.getKey());
    }
};

template <class T> template <class U> RefT<T>::RefT(const PtrT<U>& weak) noexcept {
    Class* strong = weak.lockClass();
    if (!strong) {
        return;
    }
    // lockClass added a reference for us; keep it only when the class matches.
    object = Detail::castRef<T>(static_cast<U*>(strong));
    if (!object) {
        strong->releaseRef();
    }
}

} // namespace Tolu

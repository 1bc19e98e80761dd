#pragma once

#include <tolu/util/Class.h>

#include <compare>
#include <cstddef>
#include <functional>
#include <type_traits>
#include <utility>

namespace Tolu {

template <class T> class PtrT;

namespace Detail {
/// Converts between reference classes: a static cast upwards, a run-time cast otherwise,
/// which yields null for an object of the wrong class.
template <class T, class U> T* castRef(U* object) noexcept {
    if constexpr (std::is_convertible_v<U*, T*>) {
        return object;
    } else {
        return dynamic_cast<T*>(object);
    }
}
} // namespace Detail

/// Strong reference to a `Class` object: keeps it alive, may be null. Converting
/// from a reference to another class is a run-time downcast (null on a wrong class).
template <class T> class RefT {
public:
    /// The referenced class.
    using element_type = T;

    RefT() noexcept = default;
    /// Holds nothing.
    RefT(std::nullptr_t) noexcept {}
    /// Takes a new strong reference to `object` (may be null).
    explicit RefT(T* object) noexcept : object(object) { retain(); }
    /// Takes another strong reference to what `other` holds.
    RefT(const RefT& other) noexcept : object(other.object) { retain(); }
    /// Takes over `other`'s reference, leaving it null.
    RefT(RefT&& other) noexcept : object(std::exchange(other.object, nullptr)) {}

    ///@{
    /// Another reference, as the base class `T`: copied or taken over.
    template <class U>
    requires std::is_convertible_v<U*, T*> RefT(const RefT<U>& other)
    noexcept : object(other.get()) { retain(); }
    template <class U>
    requires std::is_convertible_v<U*, T*> RefT(RefT<U>&& other)
    noexcept : object(other.detach()) {}
    ///@}
    /// Run-time downcast: null when `other` refers to an object of another class.
    template <class U>
    requires(!std::is_convertible_v<U*, T*>) explicit RefT(const RefT<U>& other) noexcept
        : object(Detail::castRef<T>(other.get())) {
        retain();
    }
    /// Strong reference from a weak one: null when its target is gone, dying, or of
    /// another class.
    template <class U> explicit RefT(const PtrT<U>& weak) noexcept;

    ~RefT() {
        if (object) {
            object->releaseRef();
        }
    }

    /// Holds what `other` holds, taken before the old object is let go.
    RefT& operator=(const RefT& other) noexcept {
        reset(other.object);
        return *this;
    }
    /// Takes over `other`'s reference, leaving it null.
    RefT& operator=(RefT&& other) noexcept {
        if (this != &other) {
            T* old = std::exchange(object, std::exchange(other.object, nullptr));
            if (old) {
                old->releaseRef();
            }
        }
        return *this;
    }
    /// Lets go of the object.
    RefT& operator=(std::nullptr_t) noexcept {
        reset();
        return *this;
    }

    /// Refers to `other` (may be null). The new object is taken before the old one
    /// is let go, so assigning an object that only the old one kept alive is safe.
    void reset(T* other = nullptr) noexcept {
        if (other) {
            other->addRef();
        }
        T* old = std::exchange(object, other);
        if (old) {
            old->releaseRef();
        }
    }
    /// Gives up the reference without releasing it; the caller takes it over.
    [[nodiscard]] T* detach() noexcept { return std::exchange(object, nullptr); }

    /// The object, or null.
    [[nodiscard]] T* get() const noexcept { return object; }
    /// The object, which must not be null.
    T* operator->() const noexcept { return object; }
    /// The object, which must not be null.
    T& operator*() const noexcept { return *object; }
    /// True when an object is held.
    explicit operator bool() const noexcept { return object != nullptr; }

    ///@{
    /// Identity comparisons with another reference, null or an address.
    template <class U> bool operator==(const RefT<U>& other) const noexcept {
        return static_cast<const void*>(object) == static_cast<const void*>(other.get());
    }
    bool operator==(std::nullptr_t) const noexcept { return object == nullptr; }
    bool operator==(const T* other) const noexcept { return object == other; }
    ///@}
    /// Orders by identity (address).
    template <class U> std::strong_ordering operator<=>(const RefT<U>& other) const noexcept {
        return std::compare_three_way()(static_cast<const void*>(object),
                                        static_cast<const void*>(other.get()));
    }

private:
    void retain() noexcept {
        if (object) {
            object->addRef();
        }
    }

    T* object = nullptr;
};

/// Allocates a `T` with the class's own allocator and returns the first strong reference.
template <class T, class... Args> [[nodiscard]] RefT<T> makeRef(Args&&... args) {
    return RefT<T>(new T(std::forward<Args>(args)...));
}

} // namespace Tolu

/// \cond INTERNAL
template <class T> struct std::hash<Tolu::RefT<T>> {
    std::size_t operator()(const Tolu::RefT<T>& ref) const noexcept {
        return std::hash<const void*>()(ref.get());
    }
};
/// \endcond

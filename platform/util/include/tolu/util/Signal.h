#pragma once

#include <tolu/util/Export.h>
#include <tolu/util/PtrT.h>
#include <tolu/util/RefT.h>

#include <cstdint>
#include <functional>
#include <iterator>
#include <map>
#include <memory>

namespace Tolu {

/// Data handed to a slot when a signal is emitted: the slot's own two references.
/// Signals that carry more derive their data record from it.
struct TOLU_UTIL_EXPORT SigVoidData {
    /// The slot's weak reference, as connected.
    PtrT<Class> ptr;
    /// The slot's strong reference, as connected.
    RefT<Class> ref;
    virtual ~SigVoidData();
};

/// The untyped part of a signal: connection numbers and disconnection.
class TOLU_UTIL_EXPORT Signal {
public:
    Signal() noexcept = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;
    virtual ~Signal();

    /// True if a slot with connection number `id` is connected.
    [[nodiscard]] virtual bool isConnected(std::uint32_t id) const = 0;
    /// Disconnects slot `id`; does nothing if there is none. Allowed during emission.
    virtual void disconnect(std::uint32_t id) = 0;
};

/// A signal whose slots are called in ascending connection number. Each slot keeps a
/// weak and a strong reference that are copied into the data record before its call.
/// The emission cursor moves on before each call, so a slot may disconnect itself or
/// any other slot while the signal is emitted.
template <class D = SigVoidData> class SignalT : public Signal {
public:
    /// What a slot runs when the signal is emitted.
    using Callback = std::function<void(D&)>;

    SignalT() noexcept = default;
    ~SignalT() override = default;

    /// Connects a slot with the next free connection number and returns that number.
    std::uint32_t connect(Callback callback, const PtrT<Class>& ptr = {},
                          const RefT<Class>& ref = {}) {
        Slots& all = slots();
        const std::uint32_t id = all.empty() ? 1 : all.rbegin()->first + 1;
        all.emplace(id, Slot{ptr, ref, std::move(callback)});
        return id;
    }

    [[nodiscard]] bool isConnected(std::uint32_t id) const override {
        return table && table->count(id) != 0;
    }
    void disconnect(std::uint32_t id) override {
        if (table) {
            table->erase(id);
        }
    }
    /// How many slots are connected.
    [[nodiscard]] std::size_t getSlotCount() const noexcept { return table ? table->size() : 0; }

    /// Calls every slot in ascending connection number with `data`.
    void emit(D& data) {
        if (!table) {
            return;
        }
        // The cursor moves on before each call: the next connection number is taken
        // first, so a slot connected by the last slot is not called in this emission.
        // The number, not an iterator, is kept, because the call may disconnect the slot
        // it names; the emission then goes on with the next one still connected.
        for (auto cursor = table->begin(); cursor != table->end();) {
            const auto next = std::next(cursor);
            const bool wasLast = next == table->end();
            const std::uint32_t nextId = wasLast ? 0 : next->first;
            data.ptr = cursor->second.ptr;
            data.ref = cursor->second.ref;
            // The slot may disconnect itself: its callback must outlive the call.
            Callback callback = cursor->second.callback;
            callback(data);
            if (wasLast) {
                break;
            }
            cursor = table->lower_bound(nextId);
        }
    }

private:
    struct Slot {
        PtrT<Class> ptr;
        RefT<Class> ref;
        Callback callback;
    };
    using Slots = std::map<std::uint32_t, Slot>;

    Slots& slots() {
        if (!table) {
            table = std::make_unique<Slots>();
        }
        return *table;
    }

    // Most signals never get a slot; the table is made on the first connection.
    std::unique_ptr<Slots> table;
};

} // namespace Tolu

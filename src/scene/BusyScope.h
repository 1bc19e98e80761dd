#pragma once

#include <tolu/util/Error.h>

#include <string>

namespace Ostra::Sim::GL {

/// Marks the project busy with one operation while it runs. Hosts may call back into the
/// project from pick filters, drag-state listeners and their own nodes' refreshes; an
/// update, set, pick or drag started from there would change or rebuild the lists and
/// caches the running walk is reading, so it is refused before it touches anything.
class BusyScope {
public:
    /// Throws `Tolu::Error` naming both operations when `busy` already names one.
    BusyScope(const char*& busy, const char* operation) : busy(busy) {
        if (busy) {
            throw Tolu::Error(std::string(operation) + ": refused while " + busy +
                              " is running (called back from a pick filter, a drag-state "
                              "listener or a node's refresh)");
        }
        busy = operation;
    }
    ~BusyScope() { busy = nullptr; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    const char*& busy;
};

} // namespace Ostra::Sim::GL

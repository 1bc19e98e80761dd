#pragma once

#include <exception>

namespace Vuro::GL {

/// The steps of a guard's restore: each runs also when an earlier one failed, and the
/// first failure is kept. `finish()` at the end of the guard's destructor rethrows it,
/// unless an exception that began after the guard was made is unwinding through it: then
/// that one is the first failure, and this second one is dropped. Declare the guard's
/// destructor `noexcept(false)`.
class RestoreSteps {
public:
    RestoreSteps() noexcept = default;
    RestoreSteps(const RestoreSteps&) = delete;
    RestoreSteps& operator=(const RestoreSteps&) = delete;

    template <typename Step> void operator()(Step&& step) noexcept {
        try {
            step();
        } catch (...) {
            if (!failure) {
                failure = std::current_exception();
            }
        }
    }
    void finish() {
        if (failure && std::uncaught_exceptions() <= pending) {
            std::rethrow_exception(failure);
        }
    }

private:
    // Counted when the guard is made: a guard made while unwinding reports its failures.
    int pending = std::uncaught_exceptions();
    std::exception_ptr failure;
};

} // namespace Vuro::GL

#pragma once

#include <tolu/util/Export.h>

#include <stdexcept>
#include <string>

namespace Tolu {

/// Base of every exception the Tolu libraries and the layers above them throw.
class TOLU_UTIL_EXPORT Error : public std::runtime_error {
public:
    /// An error whose `what()` is `message`.
    explicit Error(const std::string& message);
    /// An error whose `what()` is `message`.
    explicit Error(const char* message);
    ~Error() override;
};

} // namespace Tolu

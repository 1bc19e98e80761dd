#include <tolu/util/Error.h>

namespace Tolu {

Error::Error(const std::string& message) : std::runtime_error(message) {}
Error::Error(const char* message) : std::runtime_error(message) {}
// Out of line so that the class has one home for its vtable and type info.
Error::~Error() = default;

} // namespace Tolu

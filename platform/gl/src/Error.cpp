#include <tolu/gl/Error.h>

namespace Tolu::GL {

Error::Error(const std::string& message) : Tolu::Error(message) {}
// Out of line so that the class has one home for its vtable and type info.
Error::~Error() = default;

} // namespace Tolu::GL

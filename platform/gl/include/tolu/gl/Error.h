#pragma once

#include <tolu/gl/Export.h>
#include <tolu/util/Error.h>

#include <string>

namespace Tolu::GL {

/// Thrown by the OpenGL loader, the headless context, the image helpers and the
/// fault injection of the recording table.
class TOLU_GL_EXPORT Error : public Tolu::Error {
public:
    /// An error whose `what()` is `message`.
    explicit Error(const std::string& message);
    ~Error() override;
};

} // namespace Tolu::GL

#pragma once

#include <tolu/util/Class.h>
#include <vuro_gl/Export.h>

namespace Vuro {

/// Base of every object of the render model: what a simulation object is shown as.
class VURO_GL_EXPORT Object : public Tolu::Class {
public:
    Object() noexcept = default;

protected:
    ~Object() override;
};

} // namespace Vuro

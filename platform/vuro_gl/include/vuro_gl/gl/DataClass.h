#pragma once

#include <tolu/util/Class.h>
#include <vuro_gl/Export.h>

namespace Vuro::GL {

class Context;

/// GL counterpart of a model display class: owns what OpenGL needs to draw it.
class VURO_GL_EXPORT DataClass : public Tolu::Class {
public:
    DataClass() noexcept = default;

    /// Draws the class with the context's current pass set-up.
    virtual void render(Context& context);

protected:
    ~DataClass() override;
};

} // namespace Vuro::GL

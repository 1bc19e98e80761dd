#pragma once

#include <vuro_gl/Object.h>

namespace Vuro {

/// A display class of the render model: shared data that objects are drawn from.
/// The render library translates it into its GL counterpart (`Vuro::GL::ClassMap`).
class VURO_GL_EXPORT DataClass : public Object {
public:
    DataClass() noexcept = default;

protected:
    ~DataClass() override;
};

} // namespace Vuro

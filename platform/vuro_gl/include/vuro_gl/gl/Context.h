#pragma once

#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>
#include <vuro_gl/Export.h>
#include <vuro_gl/gl/HLMode.h>

#include <cstdint>

namespace Vuro::GL {

/// The render context: the state of the current pass that the scene's nodes read,
/// and the drawing operations they call. Subclass it to observe what a scene draws.
class VURO_GL_EXPORT Context {
public:
    /// Bits of `passFlags`.
    enum PassFlag : std::uint8_t {
        PassForcedHL = 0x01,   ///< everything drawn now counts as highlighted
        PassHideHL1 = 0x02,    ///< skip what is highlighted in mode 1
        PassTranspOnly = 0x04, ///< draw transparent parts only
        PassOpaqueOnly = 0x08, ///< draw opaque parts only
    };

    Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    virtual ~Context();

    unsigned renderMask = 0;    ///< display mask of the current pass
    HLMode hlMode = HLModeNone; ///< highlight mode of the pass, none outside them
    std::uint8_t passFlags = 0; ///< `PassFlag` bits
    Tolu::Vector4T<float> hlColor{1.0f, 0.5f, 0.0f, 1.0f}; ///< highlight colour of the pass
    Tolu::Vector3T<float> boxColor{1.0f, 1.0f, 1.0f};      ///< colour of prototype boxes
    Tolu::Matrix4x4T<double> maskMatrix; ///< extra transform of the highlight-mask pass
};

} // namespace Vuro::GL

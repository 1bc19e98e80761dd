#pragma once

#include <tolu/math3d/Vector4T.h>
#include <tolu/util/Class.h>
#include <vuro_gl/Export.h>
#include <vuro_gl/gl/HLMode.h>

#include <cstdint>

namespace Vuro::GL {

/// Graphics state of a primitive group: its material and its highlight per mode.
class VURO_GL_EXPORT GState : public Tolu::Class {
public:
    explicit GState(const Tolu::Vector4T<float>& color = {0.8f, 0.8f, 0.8f, 1.0f});

    /// Material colour; an alpha below 1 makes the group transparent.
    [[nodiscard]] const Tolu::Vector4T<float>& getColor() const noexcept { return color; }
    void setColor(const Tolu::Vector4T<float>& value) noexcept { color = value; }
    [[nodiscard]] bool isTransparent() const noexcept { return color.w < 1.0f; }

    [[nodiscard]] bool isHighlighted(HLMode mode) const noexcept {
        return (hlFlags & hlBit(mode)) != 0;
    }
    void setHighlight(HLMode mode, bool on) noexcept {
        hlFlags = (hlFlags & ~hlBit(mode)) | (on ? hlBit(mode) : 0u);
    }

protected:
    ~GState() override;

private:
    Tolu::Vector4T<float> color;
    std::uint32_t hlFlags = 0;
};

} // namespace Vuro::GL

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
    /// A state of material `color`, highlighted in no mode.
    explicit GState(const Tolu::Vector4T<float>& color = {0.8f, 0.8f, 0.8f, 1.0f});

    /// Material colour; an alpha below 1 makes the group transparent.
    [[nodiscard]] const Tolu::Vector4T<float>& getColor() const noexcept { return color; }
    /// Replaces the material colour.
    void setColor(const Tolu::Vector4T<float>& value) noexcept { color = value; }
    /// True when alpha is below 1.
    [[nodiscard]] bool isTransparent() const noexcept { return color.w < 1.0f; }

    /// True if highlighted in `mode` (taken modulo 32).
    [[nodiscard]] bool isHighlighted(HLMode mode) const noexcept {
        return (hlFlags & hlBit(mode)) != 0;
    }
    /// Sets or clears the highlight in `mode` (taken modulo 32).
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

#pragma once

#include <tolu/gl/GLTypes.h>

namespace Vuro::GL {

/// An offscreen framebuffer with texture attachments.
struct Target {
    enum class Kind : unsigned char {
        ShadowMap,  ///< depth only, 24 bits, sampled with comparison
        ColorDepth, ///< RGBA8 colour and 32-bit float depth, both sampled texel by texel
    };

    Tolu::GL::GLuint fbo = 0;
    Tolu::GL::GLuint color = 0; ///< colour texture, 0 for a shadow map
    Tolu::GL::GLuint depth = 0; ///< depth texture
    unsigned width = 0;
    unsigned height = 0;

    [[nodiscard]] bool fits(unsigned w, unsigned h) const noexcept {
        return fbo != 0 && width == w && height == h;
    }
};

/// Makes `target` a `kind` target of `width` x `height`, remaking it when its size
/// differs; leaves its framebuffer bound when made. Throws `Tolu::GL::Error` when the
/// framebuffer is incomplete; `target` is then empty and nothing of it is left.
void ensureTarget(Target& target, Target::Kind kind, unsigned width, unsigned height);
/// Deletes the target's objects and empties it; never throws.
void releaseTarget(Target& target) noexcept;

} // namespace Vuro::GL

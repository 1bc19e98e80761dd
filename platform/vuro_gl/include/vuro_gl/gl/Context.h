#pragma once

#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/SphereT.h>
#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>
#include <tolu/util/RefT.h>
#include <vuro_gl/Export.h>
#include <vuro_gl/gl/DirectionalLight.h>
#include <vuro_gl/gl/GState.h>
#include <vuro_gl/gl/HLMode.h>

#include <cstdint>
#include <memory>

namespace Vuro::GL {

/// The render context: prepares each pass of a frame, holds the state of the current
/// pass that the scene's nodes read, and draws materials, frames, cones and grips.
/// Every operation is virtual, so a subclass can observe what a scene draws.
///
/// Conventions of the parameters:
/// - `cam1` is the view matrix (world to eye, the camera looking down -z), `cam2` the
///   projection (eye to clip space). `model` (the third matrix of `initSolidRender`
///   and `initHUDRender`) is applied to everything drawn in the pass, before `cam1`;
///   lighting and shadows stay in world coordinates (before `model`).
/// - `hudSize` (the first HUD parameter) is the size in pixels of frames, cones and
///   grips; `hudHeight` (the second) is the viewport height in pixels that the sizes
///   refer to. HUD symbols keep that size on screen at their origin's depth; a
///   frame's own scale scales them.
/// - `hlParam` is the width in pixels of the highlight outline (0 to 32).
/// - Matrices are row-major with the translation in elements 3, 7 and 11.
/// Each init binds its pass's program; the draws between two inits must not bind another.
/// State operations and symbols throw `Tolu::Error` before any pass; state a pass does not
/// use is ignored (no material in depth and mask passes). Bad arguments throw
/// `Tolu::Error`; OpenGL failures `Tolu::GL::Error`, after which the pass has ended and
/// the framebuffer, viewport and program are as before the failing init.
/// OpenGL objects are made on first use with the current context; `releaseGL` frees
/// them. Use a context with one OpenGL context at a time.
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

    // Passes.
    /// Renders the following draws into the 1024 x 1024 depth-only shadow map: light
    /// along `direction` (world), orthographic, fitted to `sphere` (radius > 0). Binds
    /// the map's framebuffer, sets its viewport, enables the depth test. A sphere beyond
    /// single precision (radius or a centre coordinate over 1e30) casts no shadow.
    virtual void initShadowRender(const Tolu::Vector3T<double>& direction,
                                  const Tolu::SphereT<double>& sphere);
    /// Lit solid drawing (Lambert, the light's ambient share, the shadow map when
    /// `shadows`; lines and points unlit); sets `hlMode` and `hlColor`. `mix` is the
    /// initial share of `hlColor` mixed into every colour (0: none). Binds no framebuffer.
    /// `transpMode` n >= 2 peels n - 1 layers (at most 16). Throws for a zero size or
    /// `shadows` before any `initShadowRender`.
    virtual void initSolidRender(unsigned width, unsigned height,
                                 const Tolu::Matrix4x4T<double>& cam1,
                                 const Tolu::Matrix4x4T<double>& cam2,
                                 const Tolu::Matrix4x4T<double>& model,
                                 const DirectionalLight& light, bool shadows, unsigned transpMode,
                                 HLMode mode, const Tolu::Vector4T<float>& hlColor, float mix);
    /// Starts depth peeling: the following draws go to the opaque layer, an offscreen
    /// target of the pass's size cleared with the current clear colour.
    virtual void initDepthPeeling();
    /// The following draws go to transparent layer `layer` (1 = nearest), in order
    /// from 1 to transpMode - 1; depth test on, blending off.
    virtual void initDepthPeelingLayer(unsigned layer);
    /// Composes the opaque image (with its depth) and the layers, back to front, into
    /// framebuffer `fbo` at the pass's size; leaves `fbo` bound, blending off; ends the pass.
    virtual void renderDepthPeeling(unsigned fbo);
    /// Overlay lines and symbols into the bound framebuffer, depth test off; sets
    /// `hlMode`, `hlColor`. Lines take their vertex colours (white without) until
    /// `applyHUDColors`. Throws for a negative size, a height <= 0 or a singular view.
    virtual void initHUDRender(const Tolu::Matrix4x4T<double>& cam1,
                               const Tolu::Matrix4x4T<double>& cam2,
                               const Tolu::Matrix4x4T<double>& model, double hudSize,
                               double hudHeight, HLMode mode, const Tolu::Vector4T<float>& hlColor);
    /// Starts a highlight: clears the offscreen mask of a `width` x `height` target and
    /// leaves it bound; `renderHL` outlines what the mask passes draw in `color`,
    /// `hlParam` pixels wide.
    virtual void initHLRender(unsigned width, unsigned height, const Tolu::Vector4T<float>& color,
                              double hlParam);
    /// The following draws (geometry, HUD lines, symbols) go into the highlight mask in
    /// white, depth test and blending off; sets `maskMatrix` (the scene applies it) and
    /// `hlMode`. HUD parameters as for `initHUDRender`.
    virtual void initHLRenderMask(const Tolu::Matrix4x4T<double>& cam1,
                                  const Tolu::Matrix4x4T<double>& cam2,
                                  const Tolu::Matrix4x4T<double>& maskMat, double hudSize,
                                  double hudHeight, HLMode mode);
    /// Paints the pixels within `hlParam` of the mask but not in it in the outline colour,
    /// blended by its alpha, into `fbo`; leaves `fbo` bound, blending off; ends the pass.
    virtual void renderHL(unsigned fbo);

    // State for the following draws.
    /// Material of the following draws, its alpha multiplied by `alpha`; a null state is
    /// the default grey. Uploaded only when the colour differs from the last one.
    virtual void applyGState(const Tolu::RefT<GState>& state, float alpha);
    /// Model matrix (body to world) of the following draws, never rescaled.
    virtual void applyMats(const Tolu::Matrix4x4T<double>& model);
    /// Mixes `color` into the following draws by `mix` (0: not at all, 1: only it);
    /// alpha stays the material's.
    virtual void applyHLRenderMix(float mix, const Tolu::Vector4T<float>& color);
    /// Changes only the mix factor.
    virtual void applyHLRenderMix(float mix);
    /// HUD lines take `vertex colour * weight + color * (1 - weight)`; lines without a
    /// colour attribute take `color` (the generic value of attribute 1). Symbols change it.
    virtual void applyHUDColors(const Tolu::Vector4T<float>& color, float weight);
    /// HUD lines take their vertex colours, scaled by `weight` (alpha kept at 1).
    virtual void applyHUDColors(float weight);
    /// The following HUD lines are in world coordinates: always so, since `applyMats`
    /// never rescales; symbols keep HUD size regardless.
    virtual void disableHUDRescale();

    // Symbols.
    /// Coordinate frame at `frame` in red, green and blue, `scale` times the HUD size.
    /// Symbols throw `Tolu::Error` outside HUD and mask passes.
    virtual void renderCS(const Tolu::Matrix4x4T<double>& frame, float scale);
    /// The same, tinted toward `color` by 1 - `weight`.
    virtual void renderCS(const Tolu::Matrix4x4T<double>& frame, const Tolu::Vector4T<float>& color,
                          float weight);
    /// The same in the pass's current HUD colours: white in mask passes.
    virtual void renderCS(const Tolu::Matrix4x4T<double>& frame);
    /// A flat cone from the frame's origin to HUD size along its x axis.
    virtual void renderCone(const Tolu::Matrix4x4T<double>& frame,
                            const Tolu::Vector4T<float>& color);
    /// A grip at `pos` (world): a screen-aligned square of HUD size, `front` with a border
    /// of `back` a fifth of the size wide.
    virtual void renderGrip(const Tolu::Vector3T<double>& pos, const Tolu::Vector4T<float>& front,
                            const Tolu::Vector4T<float>& back);

    /// Frees every OpenGL object of the context; they come back when next needed.
    void releaseGL() noexcept;

    unsigned renderMask = 0;    ///< display mask of the current pass
    HLMode hlMode = HLModeNone; ///< highlight mode of the pass, none outside them
    std::uint8_t passFlags = 0; ///< `PassFlag` bits
    /// When true, `initSolidRender` without a highlight mode sets `PassHideHL1`, so the
    /// normal solid pass leaves what is highlighted in mode 1 to the mode-1 highlight
    /// pass, which draws it over everything; every other init clears the bit. Set it
    /// only when each frame draws mode 1 with a solid mask, or such bodies vanish.
    bool hideHL1InSolid = false;
    Tolu::Vector4T<float> hlColor{1.0f, 0.5f, 0.0f, 1.0f}; ///< highlight colour of the pass
    Tolu::Vector3T<float> boxColor{1.0f, 1.0f, 1.0f};      ///< colour of prototype boxes
    Tolu::Matrix4x4T<double> maskMatrix; ///< extra transform of the highlight-mask pass

private:
    void setHideHL1(bool hide) noexcept;

    friend class PassGuard;
    struct Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace Vuro::GL

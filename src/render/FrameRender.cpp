#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/DataClass.h>
#include <vuro_gl/gl/DirectionalLight.h>

#include <cstdint>
#include <exception>
#include <vector>

namespace Ostra::Sim::GL {

namespace {

// A display mask splits into the parts the solid passes and the HUD passes read; bit 0x200
// belongs to both.
constexpr unsigned solidBits = 0x301;
constexpr unsigned hudBits = 0x2fe;

constexpr std::uint8_t transpBits = Context::PassTranspOnly | Context::PassOpaqueOnly;

// The model matrix of every solid and HUD pass: the nodes place themselves.
constexpr Matrix4x4T<double> identity;

using DataClasses = std::vector<RefT<Vuro::GL::DataClass>>;

// Puts OpenGL back to its defaults, so the host and the next frame start from a known state.
// Blending and line smoothing come last: a failure in the blended sub-pass would leave
// blending on, and the HUD passes of joints and tracks switch smoothing on for their lines
// without switching it off (one disable here instead of one per node), so without them
// a host's own drawing and the next frame would inherit either.
void resetGLState() {
    Tolu::GL::glBindVertexArray(0);
    Tolu::GL::glBindBuffer(GL_ARRAY_BUFFER, 0);
    Tolu::GL::glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    Tolu::GL::glUseProgram(0);
    Tolu::GL::glPointSize(1.0f);
    Tolu::GL::glLineWidth(1.0f);
    Tolu::GL::glDisable(GL_DEPTH_TEST);
    Tolu::GL::glDisable(GL_CULL_FACE);
    Tolu::GL::glDisable(GL_BLEND);
    Tolu::GL::glDisable(GL_LINE_SMOOTH);
}

// Resets the GL state when an exception leaves the frame. The normal way out resets by
// itself, so that a failure of the reset there reaches the caller; while unwinding, a
// second failure is dropped and the first exception goes on.
class ResetOnFailure {
public:
    ResetOnFailure() noexcept = default;
    ~ResetOnFailure() {
        if (std::uncaught_exceptions() > pending) {
            try {
                resetGLState();
            } catch (...) {
            }
        }
    }
    ResetOnFailure(const ResetOnFailure&) = delete;
    ResetOnFailure& operator=(const ResetOnFailure&) = delete;

private:
    int pending = std::uncaught_exceptions();
};

void setTransparency(Context& ctx, std::uint8_t bits) {
    ctx.passFlags = static_cast<std::uint8_t>((ctx.passFlags & ~transpBits) | bits);
}

// The project first, then the host's own data classes on top of the same pass set-up.
void drawScene(Context& ctx, Project& project, const DataClasses& dataClasses) {
    project.render(ctx);
    for (const RefT<Vuro::GL::DataClass>& dataClass : dataClasses) {
        if (dataClass) {
            dataClass->render(ctx);
        }
    }
}

void enableDepthAndCulling() {
    Tolu::GL::glEnable(GL_DEPTH_TEST);
    Tolu::GL::glEnable(GL_CULL_FACE);
    Tolu::GL::glCullFace(GL_BACK);
}

void disableDepthAndCulling() {
    Tolu::GL::glDisable(GL_DEPTH_TEST);
    Tolu::GL::glDisable(GL_CULL_FACE);
}

} // namespace

void render(Context& ctx, Project& project, const DataClasses& dataClasses, unsigned fbo,
            unsigned width, unsigned height, unsigned mask, unsigned hlMask1, unsigned hlMask0,
            const Matrix4x4T<double>& camMat1, const Matrix4x4T<double>& camMat2,
            const Vuro::GL::DirectionalLight& light, bool shadows, unsigned transpMode,
            double hudParam1, double hudParam2, unsigned hlParam, const Vector4T<float>& hlColor1,
            const Vector4T<float>& hlColor0, const Matrix4x4T<double>& maskMat1,
            const Matrix4x4T<double>& maskMat0) {
    const ResetOnFailure resetOnFailure;
    const double outline = static_cast<double>(hlParam);

    if (mask & solidBits) {
        Tolu::GL::glLineWidth(1.0f);

        bool shadowsOn = false;
        if (shadows) {
            // Sized to everything any of the masks will draw, so highlighted parts cast too.
            const BSphereT<double> sphere =
                project.getBSphere(ctx, mask & solidBits, hlMask1 & solidBits, hlMask0 & solidBits);
            // Nothing to cast a shadow: the frame is drawn without one rather than failing.
            if (sphere.valid) {
                shadowsOn = true;
                disableDepthAndCulling();
                const Vector3T<double> direction(light.direction);
                ctx.initShadowRender(direction,
                                     Tolu::SphereT<double>(sphere.centre, sphere.radius));
                ctx.renderMask = (mask | hlMask1 | hlMask0) & solidBits;
                setTransparency(ctx, 0);
                drawScene(ctx, project, dataClasses);
                // The shadow map set its own viewport.
                Tolu::GL::glViewport(0, 0, static_cast<Tolu::GL::GLsizei>(width),
                                     static_cast<Tolu::GL::GLsizei>(height));
            }
        }

        ctx.initSolidRender(width, height, camMat1, camMat2, identity, light, shadowsOn, transpMode,
                            Vuro::GL::HLModeNone, hlColor0, 0.0f);
        ctx.renderMask = mask & solidBits;
        enableDepthAndCulling();

        if (transpMode == 0) {
            Tolu::GL::glBindFramebuffer(GL_FRAMEBUFFER, fbo);
            setTransparency(ctx, 0);
            drawScene(ctx, project, dataClasses);
        } else if (transpMode == 1) {
            // Opaque parts first, so the blended ones land on finished depth and colour.
            Tolu::GL::glBindFramebuffer(GL_FRAMEBUFFER, fbo);
            setTransparency(ctx, Context::PassOpaqueOnly);
            drawScene(ctx, project, dataClasses);
            Tolu::GL::glEnable(GL_BLEND);
            Tolu::GL::glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            setTransparency(ctx, Context::PassTranspOnly);
            drawScene(ctx, project, dataClasses);
            Tolu::GL::glDisable(GL_BLEND);
        } else {
            // The context draws into its own layers and composes them into `fbo` at the end.
            ctx.initDepthPeeling();
            setTransparency(ctx, Context::PassOpaqueOnly);
            drawScene(ctx, project, dataClasses);
            for (unsigned layer = 1; layer < transpMode; ++layer) {
                ctx.initDepthPeelingLayer(layer);
                setTransparency(ctx, Context::PassTranspOnly);
                drawScene(ctx, project, dataClasses);
            }
            ctx.renderDepthPeeling(fbo);
        }
    }

    // HUD and highlights overlay what is drawn: no depth test, no culling.
    disableDepthAndCulling();

    if (mask & hudBits) {
        ctx.initHUDRender(camMat1, camMat2, identity, hudParam1, hudParam2, Vuro::GL::HLModeNone,
                          hlColor0);
        ctx.renderMask = mask & hudBits;
        project.renderHUD(ctx);
    }

    if (hlMask0) {
        // One mask for both parts of mode 0: they share a single outline.
        ctx.initHLRender(width, height, hlColor0, outline);
        if (hlMask0 & solidBits) {
            ctx.initHLRenderMask(camMat1, camMat2, maskMat0, hudParam1, hudParam2,
                                 Vuro::GL::HLMode0);
            ctx.renderMask = hlMask0 & solidBits;
            project.renderHLMask(ctx);
            ctx.renderHL(fbo);
        }
        if (hlMask0 & hudBits) {
            ctx.initHUDRender(camMat1, camMat2, identity, hudParam1, hudParam2, Vuro::GL::HLMode0,
                              hlColor0);
            ctx.renderMask = hlMask0 & hudBits;
            project.renderHUDHL(ctx);
            ctx.initHLRenderMask(camMat1, camMat2, maskMat0, hudParam1, hudParam2,
                                 Vuro::GL::HLMode0);
            ctx.renderMask = hlMask0 & hudBits;
            project.renderHUDHLMask(ctx);
            ctx.renderHL(fbo);
        }
    }

    if (hlMask1) {
        if (hlMask1 & solidBits) {
            // Mode-1 geometry shows through everything drawn before it.
            Tolu::GL::glClear(GL_DEPTH_BUFFER_BIT);
            enableDepthAndCulling();
            ctx.initSolidRender(width, height, camMat1, camMat2, identity, light, false, 0,
                                Vuro::GL::HLMode1, hlColor1, 0.5f);
            ctx.renderMask = hlMask1 & solidBits;
            project.renderHL(ctx);
            ctx.initHLRender(width, height, hlColor1, outline);
            disableDepthAndCulling();
            ctx.initHLRenderMask(camMat1, camMat2, maskMat1, hudParam1, hudParam2,
                                 Vuro::GL::HLMode1);
            ctx.renderMask = hlMask1 & solidBits;
            project.renderHLMask(ctx);
            ctx.renderHL(fbo);
        }
        if (hlMask1 & hudBits) {
            ctx.initHUDRender(camMat1, camMat2, identity, hudParam1, hudParam2, Vuro::GL::HLMode1,
                              hlColor1);
            ctx.renderMask = hlMask1 & hudBits;
            project.renderHUDHL(ctx);
            ctx.initHLRender(width, height, hlColor1, outline);
            ctx.initHLRenderMask(camMat1, camMat2, maskMat1, hudParam1, hudParam2,
                                 Vuro::GL::HLMode1);
            ctx.renderMask = hlMask1 & hudBits;
            project.renderHUDHLMask(ctx);
            ctx.renderHL(fbo);
        }
    }

    resetGLState();
}

} // namespace Ostra::Sim::GL

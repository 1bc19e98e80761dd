#pragma once

#include <tolu/gl/Recorder.h>
#include <vuro_gl/gl/Context.h>

#include <map>
#include <string>
#include <vector>

namespace Tolu::Test {

/// A render context that draws nothing and logs every operation, interleaved with the
/// OpenGL calls that `gl` records meanwhile, so tests can check the exact order of
/// context operations and GL calls. Graphics states are named s1, s2, ... in the order
/// they are first applied; matrices are logged by their translation.
class RecordingContext : public Vuro::GL::Context {
public:
    explicit RecordingContext(GL::Recorder& gl) : gl(gl) {}

    /// Context operations and GL calls in the order they happened.
    [[nodiscard]] std::vector<std::string> log() const;
    /// The log without the GL calls, except those named in `keep` (by name).
    [[nodiscard]] std::vector<std::string> ops(const std::vector<std::string>& keep = {}) const;
    /// Forgets everything logged so far (the recorder's calls too).
    void clear();
    /// The name given to `state` in the log.
    [[nodiscard]] std::string nameOf(const Vuro::GL::GState* state);

    void initShadowRender(const Vector3T<double>& direction,
                          const SphereT<double>& sphere) override;
    void initSolidRender(unsigned width, unsigned height, const Matrix4x4T<double>& cam1,
                         const Matrix4x4T<double>& cam2, const Matrix4x4T<double>& model,
                         const Vuro::GL::DirectionalLight& light, bool shadows, unsigned transpMode,
                         Vuro::GL::HLMode mode, const Vector4T<float>& hlColor, float mix) override;
    void initDepthPeeling() override;
    void initDepthPeelingLayer(unsigned layer) override;
    void renderDepthPeeling(unsigned fbo) override;
    void initHUDRender(const Matrix4x4T<double>& cam1, const Matrix4x4T<double>& cam2,
                       const Matrix4x4T<double>& model, double hudSize, double hudHeight,
                       Vuro::GL::HLMode mode, const Vector4T<float>& hlColor) override;
    void initHLRender(unsigned width, unsigned height, const Vector4T<float>& color,
                      double hlParam) override;
    void initHLRenderMask(const Matrix4x4T<double>& cam1, const Matrix4x4T<double>& cam2,
                          const Matrix4x4T<double>& maskMat, double hudSize, double hudHeight,
                          Vuro::GL::HLMode mode) override;
    void renderHL(unsigned fbo) override;
    void applyGState(const RefT<Vuro::GL::GState>& state, float alpha) override;
    void applyMats(const Matrix4x4T<double>& model) override;
    void applyHLRenderMix(float mix, const Vector4T<float>& color) override;
    void applyHLRenderMix(float mix) override;
    void applyHUDColors(const Vector4T<float>& color, float weight) override;
    void applyHUDColors(float weight) override;
    void disableHUDRescale() override;
    void renderCS(const Matrix4x4T<double>& frame, float scale) override;
    void renderCS(const Matrix4x4T<double>& frame, const Vector4T<float>& color,
                  float weight) override;
    void renderCS(const Matrix4x4T<double>& frame) override;
    void renderCone(const Matrix4x4T<double>& frame, const Vector4T<float>& color) override;
    void renderGrip(const Vector3T<double>& pos, const Vector4T<float>& front,
                    const Vector4T<float>& back) override;

private:
    struct Entry {
        std::size_t glIndex; // number of GL calls recorded before this operation
        std::string text;
    };
    void add(std::string text);

    GL::Recorder& gl;
    std::vector<Entry> entries;
    std::map<const Vuro::GL::GState*, std::string> stateNames;
};

/// Compact text of numbers, vectors and matrices for logs and messages.
std::string fmt(double value);
std::string fmt(const Vector3T<double>& v);
std::string fmt(const Vector4T<float>& v);
std::string fmt(const Matrix4x4T<double>& m); ///< the translation, as "T(x y z)"

} // namespace Tolu::Test

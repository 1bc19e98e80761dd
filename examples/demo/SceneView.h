#pragma once

#include "Camera.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Project.h>
#include <tolu/gl/HeadlessContext.h>
#include <tolu/gl/Image.h>
#include <tolu/math3d/Vector4T.h>
#include <tolu/util/RefT.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/DirectionalLight.h>

namespace SimGLDemo {

/// A host's view of one simulation project: the scene that mirrors it, the render
/// context that draws it, and picking through an orbit camera. Make and destroy it
/// while its OpenGL context is current.
class SceneView {
public:
    using C4 = Tolu::Vector4T<float>;

    /// How a frame is drawn: display masks, light, shadows, transparency and colours.
    struct Style {
        /// Everything but prototype boxes and the frames of bodies with geometry, which
        /// would clutter the picture; highlighted bodies show their frames.
        unsigned mask = 0x6F;
        unsigned hlMask0 = 0; ///< parts drawn with the mode-0 highlight (0: none)
        unsigned hlMask1 = 0; ///< parts drawn with the mode-1 highlight (0: none)
        bool shadows = true;
        unsigned transpMode = 1; ///< 1: blended; n >= 2: n - 1 depth-peeled layers
        Vuro::GL::DirectionalLight light{{0.5f, 0.35f, -1.0f}, {1, 1, 1}, 0.4f};
        C4 background{0.80f, 0.86f, 0.92f, 1.0f};
        C4 hlColor0{1.0f, 0.5f, 0.0f, 1.0f};
        C4 hlColor1{0.1f, 0.9f, 1.0f, 1.0f};
        unsigned hlWidth = 3;   ///< outline width in pixels
        double hudShare = 0.04; ///< size of frames and grips, as a share of the height
    };

    /// Mirrors `model` and brings the scene up to date.
    explicit SceneView(const Tolu::RefT<Ostra::Sim::Project>& model);
    ~SceneView();
    SceneView(const SceneView&) = delete;
    SceneView& operator=(const SceneView&) = delete;

    /// Brings the scene into line with the model after it changed.
    void update();
    /// Clears the context's framebuffer, draws one frame seen through `camera` and reads
    /// it back. Throws what the scene and the render context throw, and Tolu::GL::Error
    /// when OpenGL reports an error.
    [[nodiscard]] Tolu::GL::Image renderFrame(Tolu::GL::HeadlessContext& gl,
                                              const OrbitCamera& camera, const Style& style);
    /// The nearest shown node part at pixel (`x`, `y`): bodies, frames, joint points,
    /// track paths. The hit's node is null when nothing is there.
    [[nodiscard]] Ostra::Sim::GL::Isect::Hit pick(const OrbitCamera& camera, int x, int y);

    [[nodiscard]] Ostra::Sim::GL::Project& getProject() noexcept { return *project; }
    [[nodiscard]] Vuro::GL::Context& getContext() noexcept { return context; }

private:
    // The class map must outlive the project; the render context's objects go first.
    Vuro::GL::ClassMap classMap;
    Tolu::RefT<Ostra::Sim::GL::Project> project;
    Vuro::GL::Context context;
};

} // namespace SimGLDemo

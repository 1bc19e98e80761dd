#pragma once

#include "RenderArgs.h"

#include <tolu/gl/Image.h>

#include <memory>
#include <ostra_io/Scene.h>

namespace SimGLRender {

/// Draws one scene headless, frame after frame, with one OpenGL context, one scene mirror
/// and one render context for all frames. Move the model (for instance with an
/// `Ostra::IO::Playback`), call `update`, then `render`. Everything runs on the thread
/// that made the renderer; the scene's model must outlive it.
class SceneRenderer {
public:
    /// Makes the context (the image size times the sample grid), mirrors the scene's model
    /// and highlights the objects `args` names. Throws Tolu::Error for a highlight name that
    /// names no shown object, and what OpenGL and the scene layer throw.
    SceneRenderer(const Ostra::IO::Scene& scene, const RenderArgs& args);
    ~SceneRenderer();
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    /// Brings the mirror up to date after the model changed (`Project::update`).
    void update();
    /// Draws the model as it stands and returns the image, top row first. The fitted view is
    /// fixed at the first frame, so the camera holds still while the model moves. Throws
    /// Tolu::GL::Error for an OpenGL error.
    [[nodiscard]] Tolu::GL::Image render();

    [[nodiscard]] int getWidth() const noexcept;
    [[nodiscard]] int getHeight() const noexcept;

private:
    struct State;
    std::unique_ptr<State> state;
};

/// One image of `scene` as `args` say (size, camera, shadows, transparency, highlights,
/// samples): a `SceneRenderer` used once. Throws what it throws.
[[nodiscard]] Tolu::GL::Image renderScene(const Ostra::IO::Scene& scene, const RenderArgs& args);

} // namespace SimGLRender

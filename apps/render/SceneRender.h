#pragma once

#include "RenderArgs.h"

#include <tolu/gl/Image.h>

#include <ostra_io/Scene.h>

namespace SimGLRender {

/// Draws `scene` headless as `args` say (size, camera, shadows, transparency, highlights,
/// samples) and returns the image. Throws Tolu::Error for a highlight name that names no
/// shown object, and what OpenGL, the scene layer and the render library throw.
[[nodiscard]] Tolu::GL::Image renderScene(const Ostra::IO::Scene& scene, const RenderArgs& args);

} // namespace SimGLRender

#pragma once

namespace Vuro::GL::Shaders {

// GLSL 330 sources of the context's programs. Variants of one source are made by
// prefixing a #define after the version line (see Programs.cpp).

/// Lit geometry: attribute 0 position, 1 normal (zero for unlit lines and points).
extern const char* const solidVertex;
/// Lambert lighting, shadow lookup and highlight mix; PEEL discards what earlier layers
/// or the opaque layer already hold.
extern const char* const solidFragment;
/// Depth only, for the shadow map.
extern const char* const shadowVertex;
extern const char* const shadowFragment;
/// Flat overlay colour: attribute 0 position, 1 vertex colour mixed with a uniform;
/// MASK writes white whatever the colour.
extern const char* const hudVertex;
extern const char* const hudFragment;
/// A triangle covering the viewport, made from gl_VertexID alone.
extern const char* const screenVertex;
/// Copies a colour texture pixel for pixel, with the depth of a depth texture when asked.
extern const char* const composeFragment;
/// Paints the pixels near the mask but not in it.
extern const char* const outlineFragment;

} // namespace Vuro::GL::Shaders

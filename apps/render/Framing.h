#pragma once

// What simgl-render and the Python module share about a frame: what it shows, where a
// fitted camera stands, names to nodes, and supersampled images made small.

#include "RenderArgs.h"

#include <sim_gl/Project.h>

#include <ostra_sim/Node.h>
#include <ostra_sim/Project.h>
#include <tolu/gl/Image.h>
#include <tolu/math3d/BSphereT.h>
#include <tolu/math3d/Matrix4x4T.h>

#include <optional>
#include <string>

namespace SimGLRender {

/// What a frame shows: everything but prototype boxes and the frames of bodies with
/// geometry; highlighted objects show all their parts, their frames included.
inline constexpr unsigned showMask = 0x6F;
inline constexpr unsigned highlightMask = 0x7F;

/// The camera of one frame.
struct Framing {
    Tolu::Matrix4x4T<double> view;
    Tolu::Matrix4x4T<double> projection;
    CameraPlace camera;
    double nearClip = 1;
    double farClip = 2;
};

/// The sphere a fitted camera frames: the geometry and track paths, since joint frames
/// are a metre long whatever the model's size; what a frame shows when there is neither.
[[nodiscard]] Tolu::BSphereT<double> fitSphere(Ostra::Sim::GL::Project& project,
                                               Ostra::Sim::GL::Context& context, unsigned hlMask0);

/// `camera` as given, or, when none, from the front left and above, far enough that
/// `sphere` fits the narrower view angle; clip planes just around the sphere.
[[nodiscard]] Framing frameView(const std::optional<CameraPlace>& camera,
                                const Tolu::BSphereT<double>& sphere, double fovyDegrees, int width,
                                int height);

/// The smallest square grid side that holds `samples` samples per pixel.
[[nodiscard]] int gridSide(unsigned samples);

/// Each `side` x `side` block of `big` averaged into one pixel.
[[nodiscard]] Tolu::GL::Image downsample(const Tolu::GL::Image& big, int side);

/// The body, joint or sensor of `model` named `name` (bodies first), or null.
[[nodiscard]] Ostra::Sim::Node* findByName(Ostra::Sim::Project& model, const std::string& name);

} // namespace SimGLRender

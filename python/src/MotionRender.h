#pragma once

#include "Renderer.h"
#include "SceneHandle.h"

#include <memory>
#include <ostra_io/Motion.h>
#include <string>
#include <vector>

namespace SimGLPy {

/// A motion bound to one loaded model. It keeps that model alive: after a reload it
/// still moves the model it was made for, not the new one.
class PlaybackHandle {
public:
    /// Throws LoadError naming the motion file and a name the scene does not have.
    PlaybackHandle(const std::shared_ptr<SceneHandle>& scene, Ostra::IO::Motion motion);

    /// Moves the model to time `t` (seconds; the end rows hold outside the motion).
    void apply(double t);
    [[nodiscard]] const Ostra::IO::Playback& get() const noexcept { return playback; }
    [[nodiscard]] const std::shared_ptr<SceneData>& getData() const noexcept { return data; }

private:
    std::shared_ptr<SceneData> data;
    Ostra::IO::Playback playback;
};

/// Plays `motion` on the renderer's current model at `fps` and writes each frame: a
/// video when `out` ends in .mp4, .mkv, .mov, .avi or .webm (through ffmpeg), otherwise
/// PNG images `out`/frame-00000.png, ... in the folder `out` (made when missing). A fitted
/// camera is fixed at the first frame. Returns the number of frames. Callers hold
/// `glMutex`.
std::size_t renderMotion(Renderer& renderer, const Ostra::IO::Motion& motion,
                         const std::string& out, double fps);

} // namespace SimGLPy

#include "MotionRender.h"

#include <tolu/gl/Image.h>
#include <tolu/util/Error.h>

#include <VideoWriter.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace SimGLPy {

PlaybackHandle::PlaybackHandle(const std::shared_ptr<SceneHandle>& scene, Ostra::IO::Motion motion)
    : data(scene->getData()), playback(data->scene, std::move(motion)) {}

void PlaybackHandle::apply(double t) {
    playback.apply(t);
}

namespace {

bool isVideo(const std::string& out) {
    std::string ext = std::filesystem::path(out).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".mp4" || ext == ".mkv" || ext == ".mov" || ext == ".avi" || ext == ".webm";
}

} // namespace

std::size_t renderMotion(Renderer& renderer, const Ostra::IO::Motion& motion,
                         const std::string& out, double fps) {
    // The playback moves the model the renderer shows now.
    const auto data = renderer.getScene()->getData();
    Ostra::IO::Playback playback(data->scene, motion);
    const std::vector<double> times = playback.frameTimes(fps);
    const bool video = isVideo(out);
    if (!video) {
        std::filesystem::create_directories(out);
    }
    // A fitted view follows the model; the first frame's holds still for the whole motion.
    struct KeepCamera {
        Renderer& renderer;
        std::optional<CameraPlace> saved;
        ~KeepCamera() { renderer.camera = saved; }
    } keep{renderer, renderer.camera};
    playback.apply(times.front());
    if (!renderer.camera) {
        renderer.camera = renderer.fittedCamera();
    }
    std::optional<SimGLRender::VideoWriter> writer;
    if (video) {
        writer.emplace(out, renderer.getWidth(), renderer.getHeight(), fps);
    }
    for (std::size_t k = 0; k < times.size(); ++k) {
        playback.apply(times[k]);
        const Tolu::GL::Image image = renderer.render();
        if (writer) {
            writer->write(image);
        } else {
            char name[32];
            std::snprintf(name, sizeof name, "frame-%05zu.png", k);
            Tolu::GL::savePNG(image, (std::filesystem::path(out) / name).string());
        }
    }
    if (writer) {
        writer->finish();
    }
    return times.size();
}

} // namespace SimGLPy

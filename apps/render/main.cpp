// simgl-render: renders a model file headless into a PNG image, or plays a motion on it
// into numbered PNG frames or a video.
//
//     simgl-render MODEL [options] --out image.png       (simgl-render --help for all)

#include "RenderArgs.h"
#include "SceneRender.h"
#include "VideoWriter.h"

#include <tolu/gl/Image.h>
#include <tolu/util/Error.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <ostra_io/Motion.h>
#include <ostra_io/Urdf.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace SimGLRender;

const char* const help =
    "\nRenders the model MODEL (a scene file, or a .urdf robot description) headless (no "
    "display\nneeded) into a PNG image, or plays a motion on it into PNG frames or a video.\n"
    "  --motion FILE       a motion file (CSV: time, then joint positions or body poses)\n"
    "  --size WxH          image size in pixels (default 1280x720)\n"
    "  --camera e,t,u      eye, target and up vector, nine numbers (default: --fit)\n"
    "  --fit               look at the whole scene from the front left, above (with a motion:\n"
    "                      as it stands at the first frame; the camera then holds still)\n"
    "  --fov DEGREES       vertical field of view (default 40)\n"
    "  --shadows           cast shadows\n"
    "  --transparency N    0 opaque, 1 blended (default), 2 and 3 depth-peeled\n"
    "  --highlight NAME    outline the body, joint or sensor NAME (repeatable)\n"
    "  --msaa N            N samples per pixel (default 1)\n"
    "  --out FILE          the PNG image to write (with a motion: at the motion's start)\n"
    "  --frames DIR        write DIR/frame-00000.png, frame-00001.png, ... (needs --motion)\n"
    "  --video FILE        write a video through ffmpeg, H.264 or MPEG-4 (needs --motion)\n"
    "  --fps N             frames per second of motion time (default 30)\n";

// "frame 12/90 [#####     ]" on one line of a terminal, redrawn in place.
class Progress {
public:
    explicit Progress(std::size_t total) : total(total), shown(total > 1 && ::isatty(2) == 1) {}
    ~Progress() {
        if (shown && drawn) {
            std::fputc('\n', stderr);
        }
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void step(std::size_t done) {
        if (!shown) {
            return;
        }
        constexpr std::size_t width = 30;
        const std::size_t filled = done * width / total;
        std::fprintf(stderr, "\rframe %zu/%zu [%s%s]", done, total,
                     std::string(filled, '#').c_str(), std::string(width - filled, ' ').c_str());
        std::fflush(stderr);
        drawn = true;
    }

private:
    std::size_t total;
    bool shown;
    bool drawn = false;
};

void run(const RenderArgs& args) {
    Ostra::IO::Scene scene = Ostra::IO::loadModel(args.model);
    std::optional<Ostra::IO::Playback> playback;
    if (!args.motion.empty()) {
        playback.emplace(scene, Ostra::IO::loadMotion(args.motion));
    }
    if (!args.out.empty()) {
        if (playback) {
            playback->apply(playback->startTime());
        }
        Tolu::GL::savePNG(renderScene(scene, args), args.out);
        return;
    }
    const std::vector<double> times = playback->frameTimes(args.fps);
    // The first frame's pose fits the view, so the model is there before the renderer is.
    playback->apply(times.front());
    SceneRenderer renderer(scene, args);
    std::optional<VideoWriter> video;
    if (!args.video.empty()) {
        video.emplace(args.video, args.width, args.height, args.fps);
    } else {
        std::filesystem::create_directories(args.frames);
    }
    Progress progress(times.size());
    for (std::size_t k = 0; k < times.size(); ++k) {
        playback->apply(times[k]);
        renderer.update();
        const Tolu::GL::Image image = renderer.render();
        if (video) {
            video->write(image);
        } else {
            char name[32];
            std::snprintf(name, sizeof name, "frame-%05zu.png", k);
            Tolu::GL::savePNG(image, (std::filesystem::path(args.frames) / name).string());
        }
        progress.step(k + 1);
    }
    if (video) {
        video->finish();
    }
}

} // namespace

int main(int argc, char** argv) {
    RenderArgs args;
    try {
        args = parseArgs(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::cerr << "simgl-render: " << e.what() << "\n" << synopsis();
        return 2;
    }
    if (args.action == RenderArgs::Action::Help) {
        std::cout << synopsis() << help;
        return 0;
    }
    if (args.action == RenderArgs::Action::Version) {
        std::cout << "simgl-render " << TOLU_VERSION << "\n";
        return 0;
    }
    try {
        run(args);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "simgl-render: " << e.what() << "\n";
    }
    return 1;
}

#pragma once

#include <tolu/math3d/Vector3T.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace SimGLRender {

/// A command line the tool cannot run: exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Where the camera stands: eye, the point it looks at, and which way is up.
struct CameraPlace {
    Tolu::Vector3T<double> eye;
    Tolu::Vector3T<double> target;
    Tolu::Vector3T<double> up{0, 0, 1};
};

/// What one run of the tool is asked to do.
struct RenderArgs {
    enum class Action { Render, Help, Version };

    Action action = Action::Render;
    std::string model;
    int width = 1280;
    int height = 720;
    std::optional<CameraPlace> camera; ///< none: fit the scene into the view
    double fovy = 40;                  ///< vertical field of view, degrees
    bool shadows = false;
    unsigned transparency = 1; ///< 0 none, 1 blended, 2 and 3 depth-peeled layers
    std::vector<std::string> highlights;
    unsigned msaa = 1;  ///< samples per pixel
    std::string motion; ///< a motion file to play; empty: the scene as it stands
    std::string out;    ///< one image (with a motion: the motion's first row)
    std::string frames; ///< a folder for frame-00000.png, frame-00001.png, ...
    std::string video;  ///< a video file, encoded by the ffmpeg program
    double fps = 30;    ///< output frames per second of motion time (--frames, --video)
};

/// The synopsis `--help` prints and usage errors repeat.
[[nodiscard]] const char* synopsis();

/// Reads the arguments after the program name. Throws UsageError naming the offending
/// argument.
[[nodiscard]] RenderArgs parseArgs(const std::vector<std::string>& args);

} // namespace SimGLRender

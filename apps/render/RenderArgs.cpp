#include "RenderArgs.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace SimGLRender {

namespace {

// The largest side the tool renders, samples included, on a software rasteriser.
constexpr int maxSide = 16384;

double number(const std::string& option, const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value)) {
        throw UsageError(option + ": \"" + text + "\" is not a number");
    }
    return value;
}

long whole(const std::string& option, const std::string& text, long min, long max) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) {
        throw UsageError(option + ": \"" + text + "\" is not a whole number from " +
                         std::to_string(min) + " to " + std::to_string(max));
    }
    return value;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string::npos;
         at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

CameraPlace camera(const std::string& text) {
    const std::vector<std::string> parts = split(text, ',');
    if (parts.size() != 9) {
        throw UsageError("--camera: expected eye,target,up as nine numbers separated by commas, "
                         "got \"" +
                         text + "\"");
    }
    double v[9];
    for (std::size_t i = 0; i < 9; ++i) {
        v[i] = number("--camera", parts[i]);
    }
    CameraPlace place{{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, {v[6], v[7], v[8]}};
    const Tolu::Vector3T<double> view = place.target - place.eye;
    if (view.length() < 1e-9 || view.cross(place.up).length() < 1e-9 * view.length()) {
        throw UsageError("--camera: the eye must differ from the target and up must not lie "
                         "along the view, got \"" +
                         text + "\"");
    }
    return place;
}

} // namespace

const char* synopsis() {
    return "usage: simgl-render MODEL [--motion FILE] [--size WxH] [--camera eye,target,up | "
           "--fit]\n"
           "                   [--shadows] [--transparency 0..3] [--highlight NAME]... [--msaa N]\n"
           "                   [--fov DEGREES] (--out image.png | --frames DIR | --video out.mp4 "
           "[--fps N])\n";
}

RenderArgs parseArgs(const std::vector<std::string>& args) {
    RenderArgs parsed;
    bool fit = false;
    bool fps = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw UsageError(arg + " needs a value");
            }
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            parsed.action = RenderArgs::Action::Help;
            return parsed;
        } else if (arg == "--version") {
            parsed.action = RenderArgs::Action::Version;
            return parsed;
        } else if (arg == "--motion") {
            parsed.motion = value();
        } else if (arg == "--frames") {
            parsed.frames = value();
        } else if (arg == "--video") {
            parsed.video = value();
        } else if (arg == "--fps") {
            parsed.fps = number(arg, value());
            fps = true;
            if (!(parsed.fps > 0 && parsed.fps <= 1000)) {
                throw UsageError("--fps: " + args[i] + " is not above 0 and at most 1000");
            }
        } else if (arg == "--size") {
            const std::string& text = value();
            const std::vector<std::string> parts = split(text, 'x');
            if (parts.size() != 2) {
                throw UsageError("--size: expected WxH, got \"" + text + "\"");
            }
            parsed.width = int(whole("--size", parts[0], 1, maxSide));
            parsed.height = int(whole("--size", parts[1], 1, maxSide));
        } else if (arg == "--camera") {
            parsed.camera = camera(value());
        } else if (arg == "--fit") {
            fit = true;
        } else if (arg == "--fov") {
            parsed.fovy = number(arg, value());
            if (!(parsed.fovy > 0 && parsed.fovy < 180)) {
                throw UsageError("--fov: " + args[i] + " is not between 0 and 180 degrees");
            }
        } else if (arg == "--shadows") {
            parsed.shadows = true;
        } else if (arg == "--transparency") {
            parsed.transparency = unsigned(whole(arg, value(), 0, 3));
        } else if (arg == "--highlight") {
            parsed.highlights.push_back(value());
        } else if (arg == "--msaa") {
            parsed.msaa = unsigned(whole(arg, value(), 1, 64));
        } else if (arg == "--out") {
            parsed.out = value();
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw UsageError("unknown option " + arg);
        } else if (parsed.model.empty()) {
            parsed.model = arg;
        } else {
            throw UsageError("more than one model given: " + parsed.model + " and " + arg);
        }
    }
    if (parsed.model.empty()) {
        throw UsageError("no model given");
    }
    const int outputs =
        int(!parsed.out.empty()) + int(!parsed.frames.empty()) + int(!parsed.video.empty());
    if (outputs == 0) {
        throw UsageError("no output given (--out image.png, --frames DIR or --video out.mp4)");
    }
    if (outputs > 1) {
        throw UsageError("--out, --frames and --video exclude each other");
    }
    if (parsed.motion.empty() && parsed.out.empty()) {
        throw UsageError(std::string(parsed.frames.empty() ? "--video" : "--frames") +
                         " needs a motion to play (--motion FILE)");
    }
    if (fps && !parsed.out.empty()) {
        throw UsageError("--fps goes with --frames or --video, not --out");
    }
    if (fit && parsed.camera) {
        throw UsageError("--camera and --fit exclude each other");
    }
    return parsed;
}

} // namespace SimGLRender

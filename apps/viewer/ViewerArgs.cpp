#include "ViewerArgs.h"

#include <exception>
#include <ostream>

namespace SimGLViewer {

const char* synopsis() {
    return "usage: simGLViewer [MODEL] [--motion FILE]\n"
           "       simGLViewer --help | --version\n";
}

const std::vector<std::string>& keyHelp() {
    static const std::vector<std::string> lines{
        "left drag         orbit, or move a body",
        "right drag        orbit",
        "click             pick and highlight",
        "wheel, + and -    zoom",
        "space             play or pause the motion",
        "left, right       one frame back or forward",
        "p                 save a screenshot (PNG)",
        "r                 reload model and motion",
        "c                 reset the camera",
        "s                 shadows on or off",
        "t                 transparency mode",
        "1 .. 9            display-mask bits",
        "h                 clear highlights",
        "? or F1           this help",
        "q or Esc          quit",
    };
    return lines;
}

ViewerArgs parseArgs(const std::vector<std::string>& args) {
    ViewerArgs parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.action = ViewerArgs::Action::Help;
            return parsed;
        }
        if (arg == "--version") {
            parsed.action = ViewerArgs::Action::Version;
            return parsed;
        }
        if (arg == "--motion") {
            if (i + 1 == args.size()) {
                throw UsageError("--motion: a motion file must follow");
            }
            if (!parsed.motion.empty()) {
                throw UsageError("--motion: given twice");
            }
            parsed.motion = args[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw UsageError(arg + ": unknown option");
        } else if (!parsed.model.empty()) {
            throw UsageError("\"" + arg + "\": only one model is shown");
        } else {
            parsed.model = arg;
        }
    }
    if (!parsed.motion.empty() && parsed.model.empty()) {
        throw UsageError("--motion: a motion is played on a MODEL, and none is given");
    }
    return parsed;
}

std::variant<ViewerModel, int> prepare(const std::vector<std::string>& args, std::ostream& out,
                                       std::ostream& err) {
    ViewerArgs parsed;
    try {
        parsed = parseArgs(args);
    } catch (const UsageError& e) {
        err << "simGLViewer: " << e.what() << "\n" << synopsis();
        return 2;
    }
    if (parsed.action == ViewerArgs::Action::Help) {
        out << synopsis()
            << "\nShows MODEL (a scene file, or a .urdf robot description) in a window, "
               "or the\nbuilt-in demo mechanism without one. --motion FILE plays a motion "
               "file on it.\n\nKeys and mouse:\n";
        for (const std::string& line : keyHelp()) {
            out << "  " << line << "\n";
        }
        out << "\nThe status line at the bottom shows the motion's time and frame and the "
               "picked\nobject; screenshots go to the current folder as "
               "simGLViewer-NNNN.png.\n";
        return 0;
    }
    if (parsed.action == ViewerArgs::Action::Version) {
        out << "simGLViewer " << TOLU_VERSION << "\n";
        return 0;
    }
    if (parsed.model.empty()) {
        return ViewerModel();
    }
    try {
        return ViewerModel(parsed.model, parsed.motion);
    } catch (const std::exception& e) {
        err << "simGLViewer: " << e.what() << "\n";
        return 1;
    }
}

} // namespace SimGLViewer

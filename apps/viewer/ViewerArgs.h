#pragma once

#include "ViewerModel.h"

#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace SimGLViewer {

/// A command line the viewer cannot run: exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// What one run of the viewer is asked to do.
struct ViewerArgs {
    enum class Action { View, Help, Version };

    Action action = Action::View;
    std::string model;  ///< empty: the built-in demo
    std::string motion; ///< empty: none
};

/// The synopsis `--help` prints and usage errors repeat.
[[nodiscard]] const char* synopsis();
/// The keys and mouse gestures, one per line, as `--help` and the help overlay list them.
[[nodiscard]] const std::vector<std::string>& keyHelp();

/// Reads the arguments after the program name. Throws UsageError naming the offending
/// argument.
[[nodiscard]] ViewerArgs parseArgs(const std::vector<std::string>& args);

/// Everything the viewer does before it opens a window: reads the arguments, answers
/// `--help` and `--version` on `out`, and opens the files. Returns the model to show, or
/// the exit status to end with after a message on `err` (2: usage, 1: a file that cannot
/// be opened) or after help (0).
[[nodiscard]] std::variant<ViewerModel, int> prepare(const std::vector<std::string>& args,
                                                     std::ostream& out, std::ostream& err);

} // namespace SimGLViewer

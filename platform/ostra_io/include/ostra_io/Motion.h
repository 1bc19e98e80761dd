#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <ostra_io/Export.h>
#include <ostra_io/Scene.h>
#include <string>
#include <string_view>
#include <vector>

namespace Ostra::IO {

/// A recorded motion as a motion file holds it: a CSV table whose header starts with
/// `time` (seconds, strictly increasing, finite), followed either by joint positions by
/// joint name (one column each), or by body poses by body name, seven columns each,
/// `NAME.x NAME.y NAME.z NAME.qw NAME.qx NAME.qy NAME.qz` (position and unit quaternion).
struct OSTRA_IO_EXPORT Motion {
    /// What the columns after the time hold.
    enum class Kind { JointPositions, BodyPoses };

    std::string file; ///< names the motion in messages
    /// What the columns hold.
    Kind kind = Kind::JointPositions;
    std::vector<std::string> names; ///< joint or body names, in column order
    std::vector<double> times;      ///< one per row
    /// Row-major values without the time: per row, one value per joint or seven per body.
    std::vector<double> values;

    /// The number of rows, the header not counted.
    [[nodiscard]] std::size_t rowCount() const noexcept { return times.size(); }
    /// Seconds from the first row to the last; 0 without rows.
    [[nodiscard]] double duration() const noexcept {
        return times.empty() ? 0.0 : times.back() - times.front();
    }
};

/// Reads a motion file. Fields are separated by commas and trimmed of blanks; blank lines
/// are skipped. Throws LoadError naming the file, and the row and column ("row:column",
/// both from 1: the row is the line, the header being row 1, the column the field) of a bad
/// or missing value, a time that is not finite or not above the one before, a zero
/// quaternion, or a malformed header (mixed kinds, a name given twice, pose columns out of
/// order); an empty file or one without rows fails too.
[[nodiscard]] OSTRA_IO_EXPORT Motion loadMotion(const std::filesystem::path& file);
/// Like `loadMotion`, from `text`; `file` names it in messages.
[[nodiscard]] OSTRA_IO_EXPORT Motion readMotion(std::string_view text, std::string_view file);

/// Plays a motion on a scene: binds the motion's names to the scene's joints (through its
/// kinematics) or bodies once, then sets the model at any time. Between rows, positions
/// and joint values are interpolated linearly, rotations by slerp; before the first row
/// and after the last the end rows hold.
class OSTRA_IO_EXPORT Playback {
public:
    /// Throws LoadError naming the motion file and the header column of a name the scene
    /// does not have, or joint positions for a scene without kinematics. The playback keeps
    /// the bodies and the kinematic tree it moves; `scene` need not outlive it.
    Playback(const Scene& scene, Motion motion);

    /// The motion played.
    [[nodiscard]] const Motion& getMotion() const noexcept { return motion; }
    ///@{
    /// The times of the first and last row.
    [[nodiscard]] double startTime() const noexcept;
    [[nodiscard]] double endTime() const noexcept;
    ///@}
    /// Sets the model to time `t` (joint positions and `Kinematics::place`, or body
    /// transforms). Does not run `Project::update`.
    void apply(double t);
    /// The output frame times of a playback at `fps` frames per second: start, start +
    /// 1/fps, ... up to and including the end when it falls on a frame. Throws Tolu::Error
    /// for a rate that is not positive and finite.
    [[nodiscard]] std::vector<double> frameTimes(double fps) const;

private:
    Motion motion;
    std::shared_ptr<Kinematics> kinematics;    ///< what joint positions move
    std::vector<std::size_t> targets;          ///< joint index per name
    std::vector<Tolu::RefT<Sim::Body>> bodies; ///< what body poses move, per name
};

} // namespace Ostra::IO

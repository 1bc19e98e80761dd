#include "FileText.h"

#include <ostra_sim/Project.h>
#include <tolu/util/Error.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <ostra_io/LoadError.h>
#include <ostra_io/Motion.h>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

namespace Ostra::IO {

namespace {

constexpr std::size_t poseWidth = 7;
constexpr std::array<std::string_view, poseWidth> poseSuffixes = {"x",  "y",  "z", "qw",
                                                                  "qx", "qy", "qz"};

std::string inQuotes(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

std::string place(std::size_t row, std::size_t column) {
    return std::to_string(row) + ":" + std::to_string(column);
}

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto comma = line.find(',');
        fields.push_back(trim(line.substr(0, comma)));
        if (comma == std::string_view::npos)
            return fields;
        line.remove_prefix(comma + 1);
    }
}

// The pose component a header field names: its body and the component's index, or none
// for a joint name.
std::optional<std::pair<std::string_view, std::size_t>> poseColumn(std::string_view field) {
    const auto dot = field.rfind('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    const auto suffix = field.substr(dot + 1);
    for (std::size_t k = 0; k < poseWidth; ++k)
        if (suffix == poseSuffixes[k])
            return std::pair{field.substr(0, dot), k};
    return std::nullopt;
}

// Reads the header into `motion`, failing at the column that breaks it.
void readHeader(Motion& motion, const std::vector<std::string_view>& fields) {
    const auto fail = [&](std::size_t column, const std::string& text) {
        throw LoadError(motion.file, place(1, column), text);
    };
    if (fields.front() != "time")
        fail(1, "the first column must be \"time\", found " + inQuotes(fields.front()));
    if (fields.size() < 2)
        fail(2, "the header names no joints or bodies after \"time\"");
    const bool poses = poseColumn(fields[1]).has_value();
    motion.kind = poses ? Motion::Kind::BodyPoses : Motion::Kind::JointPositions;
    std::unordered_set<std::string_view> seen;
    for (std::size_t k = 1; k < fields.size(); ++k) {
        const auto field = fields[k];
        const std::size_t column = k + 1;
        if (field.empty())
            fail(column, "empty column name");
        const auto pose = poseColumn(field);
        if (pose.has_value() != poses)
            fail(column, "column " + inQuotes(field) + " is " +
                             (poses ? "a joint position among body poses"
                                    : "a body pose among joint positions"));
        if (!poses) {
            if (!seen.insert(field).second)
                fail(column, "joint " + inQuotes(field) + " is given twice");
            motion.names.emplace_back(field);
            continue;
        }
        // Seven columns per body, in the order of the format, so a row reads the same way
        // for every body.
        const std::size_t component = (k - 1) % poseWidth;
        const std::string_view body = pose->first;
        if (component == 0) {
            if (pose->second != 0)
                fail(column,
                     "expected the first pose column of a body (NAME.x), found " + inQuotes(field));
            if (body.empty())
                fail(column, "pose column " + inQuotes(field) + " has no body name");
            if (!seen.insert(body).second)
                fail(column, "body " + inQuotes(body) + " is given twice");
            motion.names.emplace_back(body);
        } else if (body != motion.names.back() || pose->second != component) {
            fail(column,
                 "expected " +
                     inQuotes(motion.names.back() + "." + std::string(poseSuffixes[component])) +
                     ", found " + inQuotes(field));
        }
    }
    if ((fields.size() - 1) % poseWidth != 0 && poses)
        fail(fields.size() + 1,
             "expected " +
                 inQuotes(motion.names.back() + "." +
                          std::string(poseSuffixes[(fields.size() - 1) % poseWidth])) +
                 ", found the end of the header");
}

double readNumber(const Motion& motion, std::string_view field, std::size_t row,
                  std::size_t column) {
    if (field.empty())
        throw LoadError(motion.file, place(row, column), "missing value");
    double value = 0;
    const char* end = field.data() + field.size();
    // from_chars takes no leading '+'; a number written with one is still a number.
    const char* begin = field.front() == '+' && field.size() > 1 ? field.data() + 1 : field.data();
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error == std::errc::result_out_of_range && stop == end)
        throw LoadError(motion.file, place(row, column),
                        "number " + std::string(field) + " is not finite (too large for a double)");
    if (error != std::errc() || stop != end)
        throw LoadError(motion.file, place(row, column), "bad number " + inQuotes(field));
    if (!std::isfinite(value))
        throw LoadError(motion.file, place(row, column),
                        "number " + std::string(field) + " is not finite");
    return value;
}

void readRow(Motion& motion, const std::vector<std::string_view>& fields, std::size_t row,
             std::size_t columns) {
    if (fields.size() != columns)
        throw LoadError(motion.file, place(row, std::min(fields.size(), columns) + 1),
                        "expected " + std::to_string(columns) + " values, found " +
                            std::to_string(fields.size()));
    const double time = readNumber(motion, fields[0], row, 1);
    if (!motion.times.empty() && !(time > motion.times.back())) {
        std::ostringstream text;
        text << "time " << fields[0] << " is not after the time before (" << motion.times.back()
             << ")";
        throw LoadError(motion.file, place(row, 1), text.str());
    }
    motion.times.push_back(time);
    for (std::size_t k = 1; k < columns; ++k)
        motion.values.push_back(readNumber(motion, fields[k], row, k + 1));
    if (motion.kind != Motion::Kind::BodyPoses)
        return;
    // A quaternion of zero length has no rotation to normalise to.
    const double* v = motion.values.data() + motion.values.size() - (columns - 1);
    for (std::size_t b = 0; b < motion.names.size(); ++b) {
        const double* q = v + b * poseWidth + 3;
        if (q[0] == 0 && q[1] == 0 && q[2] == 0 && q[3] == 0)
            throw LoadError(motion.file, place(row, 2 + b * poseWidth + 3),
                            "the rotation of body " + inQuotes(motion.names[b]) +
                                " is a zero quaternion");
    }
}

} // namespace

Motion readMotion(std::string_view text, std::string_view file) {
    Motion motion;
    motion.file = file;
    std::size_t columns = 0;
    std::size_t row = 0;
    bool header = true;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        const auto line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        ++row;
        // Blank lines carry nothing; skipping them keeps a trailing newline harmless.
        if (trim(line).empty())
            continue;
        const auto fields = splitFields(line);
        if (header) {
            readHeader(motion, fields);
            columns = fields.size();
            header = false;
            // Rows count the lines of the file, so that an editor finds them.
            continue;
        }
        readRow(motion, fields, row, columns);
    }
    if (header)
        throw LoadError(motion.file, "",
                        "empty motion file (expected a header starting with "
                        "\"time\")");
    if (motion.times.empty())
        throw LoadError(motion.file, place(row + 1, 1), "the motion has no rows");
    return motion;
}

Motion loadMotion(const std::filesystem::path& file) {
    return readMotion(readFileText(file, "motion file"), file.string());
}

Playback::Playback(const Scene& scene, Motion motion) : motion(std::move(motion)) {
    const Motion& m = this->motion;
    if (m.times.empty() || m.names.empty())
        throw LoadError(m.file, "", "the motion has no rows or no columns");
    const std::size_t width = m.kind == Motion::Kind::BodyPoses ? poseWidth : 1;
    if (m.values.size() != m.times.size() * m.names.size() * width)
        throw LoadError(m.file, "", "the motion's values do not fill its rows");
    // Header column of name k: "time" is column 1.
    const auto column = [&](std::size_t k) { return place(1, 2 + k * width); };
    if (m.kind == Motion::Kind::JointPositions) {
        if (!scene.kinematics)
            throw LoadError(m.file, column(0),
                            "joint positions need a model with a kinematic tree; this one has "
                            "none");
        for (std::size_t k = 0; k < m.names.size(); ++k) {
            const auto joint = scene.kinematics->findJoint(m.names[k]);
            if (!joint)
                throw LoadError(m.file, column(k), "unknown joint " + inQuotes(m.names[k]));
            targets.push_back(*joint);
        }
        kinematics = scene.kinematics;
        return;
    }
    std::unordered_map<std::string_view, Sim::Body*> byName;
    if (scene.model)
        for (Sim::Body* b = scene.model->getBodyList().getFirst().get(); b; b = b->getNext().get())
            byName.emplace(b->getName(), b);
    for (std::size_t k = 0; k < m.names.size(); ++k) {
        const auto found = byName.find(m.names[k]);
        if (found == byName.end())
            throw LoadError(m.file, column(k), "unknown body " + inQuotes(m.names[k]));
        bodies.emplace_back(found->second);
    }
}

double Playback::startTime() const noexcept {
    return motion.times.front();
}

double Playback::endTime() const noexcept {
    return motion.times.back();
}

namespace {

using Quat = std::array<double, 4>; // w, x, y, z

// Of a quaternion that is not zero. Scaling by the largest component first keeps the squares
// from overflowing or vanishing for any finite input.
Quat normalised(const double* q) {
    const double largest =
        std::max({std::abs(q[0]), std::abs(q[1]), std::abs(q[2]), std::abs(q[3])});
    Quat s{q[0] / largest, q[1] / largest, q[2] / largest, q[3] / largest};
    const double n = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2] + s[3] * s[3]);
    return {s[0] / n, s[1] / n, s[2] / n, s[3] / n};
}

// Weights in [0, 1] on both ends: no overflow between huge values of opposite signs, and
// the end values exactly at u = 0.
double lerp(double a, double b, double u) {
    return u == 0 ? a : (1 - u) * a + u * b;
}

Quat slerp(const double* qa, const double* qb, double u) {
    const Quat a = normalised(qa);
    Quat b = normalised(qb);
    double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
    // q and -q are the same rotation; going towards the nearer one takes the short way.
    if (dot < 0) {
        dot = -dot;
        for (double& c : b)
            c = -c;
    }
    double wa = 1 - u;
    double wb = u;
    // Nearly equal rotations: the sine below vanishes, and a straight blend is as good.
    if (dot < 0.9995) {
        const double angle = std::acos(dot);
        const double s = std::sin(angle);
        wa = std::sin((1 - u) * angle) / s;
        wb = std::sin(u * angle) / s;
    }
    Quat q{wa * a[0] + wb * b[0], wa * a[1] + wb * b[1], wa * a[2] + wb * b[2],
           wa * a[3] + wb * b[3]};
    return normalised(q.data());
}

Tolu::Matrix4x4T<double> poseMatrix(const double* p, const Quat& q) {
    const auto [w, x, y, z] = q;
    Tolu::Matrix4x4T<double> m;
    m.m[0] = 1 - 2 * (y * y + z * z);
    m.m[1] = 2 * (x * y - w * z);
    m.m[2] = 2 * (x * z + w * y);
    m.m[3] = p[0];
    m.m[4] = 2 * (x * y + w * z);
    m.m[5] = 1 - 2 * (x * x + z * z);
    m.m[6] = 2 * (y * z - w * x);
    m.m[7] = p[1];
    m.m[8] = 2 * (x * z - w * y);
    m.m[9] = 2 * (y * z + w * x);
    m.m[10] = 1 - 2 * (x * x + y * y);
    m.m[11] = p[2];
    return m;
}

} // namespace

void Playback::apply(double t) {
    if (std::isnan(t))
        throw Tolu::Error("Ostra::IO::Playback::apply: time nan is not a number");
    const auto& times = motion.times;
    // The row at or before t, and how far t is towards the next one; the ends hold.
    std::size_t row = 0;
    double u = 0;
    if (t >= times.back()) {
        row = times.size() - 1;
    } else if (t > times.front()) {
        row = static_cast<std::size_t>(std::upper_bound(times.begin(), times.end(), t) -
                                       times.begin()) -
              1;
        const double a = times[row];
        const double b = times[row + 1];
        // Rows too far apart for their difference to be finite are measured in halves.
        const double span = b - a;
        u = std::isfinite(span) ? (t - a) / span : (t / 2 - a / 2) / (b / 2 - a / 2);
        u = std::clamp(u, 0.0, 1.0);
    }
    const bool between = u > 0;
    const std::size_t width = motion.kind == Motion::Kind::BodyPoses ? poseWidth : 1;
    const std::size_t stride = motion.names.size() * width;
    const double* a = motion.values.data() + row * stride;
    const double* b = between ? a + stride : a;
    if (motion.kind == Motion::Kind::JointPositions) {
        for (std::size_t k = 0; k < targets.size(); ++k)
            kinematics->setPosition(targets[k], lerp(a[k], b[k], u));
        kinematics->place();
        return;
    }
    for (std::size_t k = 0; k < bodies.size(); ++k) {
        const double* pa = a + k * poseWidth;
        const double* pb = b + k * poseWidth;
        const double p[3] = {lerp(pa[0], pb[0], u), lerp(pa[1], pb[1], u), lerp(pa[2], pb[2], u)};
        const Quat q = between ? slerp(pa + 3, pb + 3, u) : normalised(pa + 3);
        bodies[k]->setTransform(poseMatrix(p, q));
    }
}

std::vector<double> Playback::frameTimes(double fps) const {
    if (!(fps > 0) || !std::isfinite(fps)) {
        std::ostringstream text;
        text << "Ostra::IO::Playback::frameTimes: frame rate " << fps
             << " is not positive and finite";
        throw Tolu::Error(text.str());
    }
    const double start = startTime();
    // A small slack keeps an end that falls on a frame from being lost to rounding.
    const double frames = std::floor(motion.duration() * fps + 1e-6);
    constexpr double limit = 1e8;
    if (!(frames < limit)) {
        std::ostringstream text;
        text << "Ostra::IO::Playback::frameTimes: " << motion.duration() << " s at " << fps
             << " frames per second is too many frames";
        throw Tolu::Error(text.str());
    }
    std::vector<double> times(static_cast<std::size_t>(frames) + 1);
    for (std::size_t k = 0; k < times.size(); ++k)
        times[k] = std::min(start + static_cast<double>(k) / fps, endTime());
    return times;
}

} // namespace Ostra::IO

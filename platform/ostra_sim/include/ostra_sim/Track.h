#pragma once

#include <ostra_sim/Body.h>
#include <tolu/math3d/DegreeT.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Ostra::Sim {

/// A body that is a path of segments in its own coordinates. The path starts at the origin
/// heading along +x with +z up; each segment starts in the end frame of the one before.
class OSTRA_SIM_EXPORT Track : public Body {
public:
    /// Shapes of segments.
    enum SegType : std::int32_t { SegStraight = 0, SegArc = 1, SegBezier = 2, SegHelix = 3 };

    /// One segment: its shape in its start frame and where that frame sits on the track.
    struct Seg {
        /// The shape.
        SegType type = SegStraight;
        double length = 0;                        ///< path length
        double startDist = 0;                     ///< distance along the track at the segment start
        double radius = 0;                        ///< arc and helix
        double radians = 0;                       ///< arc and helix, signed: positive turns left
        double rise = 0;                          ///< helix: climb along the start frame's up axis
        Tolu::DegreeT<double> angle;              ///< arc and helix, as given
        Tolu::Vector3T<double> ctrl1, ctrl2, end; ///< Bezier, in the start frame
        std::uint32_t table = 0;                  ///< Bezier: first entry of its arc-length table
        /// The segment's start frame, in track coordinates.
        Tolu::Matrix4x4T<double> trackFromSeg;
    };

    /// A track without segments.
    explicit Track(SrcRef srcRef = {});

    // Building; each raises the stamp. Throw Error on non-finite or out-of-range input.
    /// Appends a straight piece. Throws Error unless `length` is finite and not negative.
    void addStraight(double length);
    /// Appends a circular arc in the local x-y plane; a positive angle turns left about up.
    /// Throws Error unless `radius` > 0 and both are finite.
    void addArc(double radius, Tolu::DegreeT<double> angle);
    /// Appends a cubic Bezier curve from the segment start (its origin), given in the start
    /// frame by its inner control points and end point. Throws Error on non-finite points.
    void addBezier(const Tolu::Vector3T<double>& ctrl1, const Tolu::Vector3T<double>& ctrl2,
                   const Tolu::Vector3T<double>& end);
    /// Appends an arc like `addArc` that also climbs `rise` along up. Throws Error unless
    /// `radius` > 0 and all are finite.
    void addHelix(double radius, Tolu::DegreeT<double> angle, double rise);
    /// Removes every segment.
    void clearSegs();

    // Queries
    /// How many segments the path has.
    [[nodiscard]] std::uint64_t getNumSegs() const noexcept { return segs.size(); }
    /// Throws Error when `i` is out of range.
    [[nodiscard]] SegType getSeg(std::size_t i) const { return at(i, "getSeg").type; }
    /// Signed angle of an arc or helix, 0 for other segments. Throws Error when `i` is out of
    /// range.
    [[nodiscard]] Tolu::DegreeT<double> getArcAngle(std::size_t i) const {
        return at(i, "getArcAngle").angle;
    }
    /// The segment record. Throws Error when `i` is out of range.
    [[nodiscard]] const Seg& getSegData(std::size_t i) const { return at(i, "getSegData"); }
    /// Point of segment `i` at curve parameter `t` in [0, 1], in track coordinates.
    /// Throws Error for a bad index or a `t` that is not finite or out of range.
    [[nodiscard]] Tolu::Vector3T<double> getPos(std::size_t i, double t) const;
    /// Frame at that point: x the unit tangent, z up-ish, y = z cross x.
    /// Throws Error like `getPos(i, t)`.
    [[nodiscard]] Tolu::Matrix4x4T<double> getTransform(std::size_t i, double t) const;
    using Node::getTransform;
    /// Total path length.
    [[nodiscard]] double getLength() const noexcept { return length; }
    /// Point at distance `s` in [0, getLength()] along the whole path. Throws Error for a
    /// track without segments or an `s` that is not finite or out of range.
    [[nodiscard]] Tolu::Vector3T<double> getPos(double s) const;
    /// Frame at distance `s`, like `getTransform(i, t)`. Throws Error like `getPos(s)`.
    [[nodiscard]] Tolu::Matrix4x4T<double> getTransformAt(double s) const;

protected:
    ~Track() override;

private:
    const Seg& at(std::size_t i, const char* function) const;
    double checkParam(double t, const char* function) const;
    /// Segment and its curve parameter at distance `s`.
    const Seg& locate(double s, double& t, const char* function) const;
    void append(Seg seg);
    void appendCircular(SegType type, double radius, Tolu::DegreeT<double> angle, double rise,
                        const char* function);

    std::vector<Seg> segs;
    // Cumulative arc lengths of Bezier segments at evenly spaced parameters.
    std::vector<double> arcTable;
    double length = 0;
};

/// \var Track::Seg::ctrl1
/// Bezier: the first inner control point, in the start frame.
/// \var Track::Seg::ctrl2
/// Bezier: the second inner control point, in the start frame.

} // namespace Ostra::Sim

#pragma once

#include <sim_gl/Fwd.h>

#include <tolu/math3d/PlaneT.h>

#include <cstdint>
#include <vector>

namespace Ostra::Sim::GL {

/// A bounding-volume tree over the bodies of the pick index: for each body its frame
/// origin and, where it has one, the world sphere of its geometry. It answers which
/// bodies may lie in a frustum or along a segment, by index. The answers are generous
/// (boxes are widened far beyond rounding), never short: the bodies' own tests decide.
/// Bodies whose values are not finite are always answered.
class PickTree {
public:
    /// Builds the tree; `radius[i]` NaN means body i has no sphere.
    void build(const std::vector<Vector3T<double>>& origins,
               const std::vector<Vector3T<double>>& centres, const std::vector<double>& radii);
    /// Appends the bodies whose origin may lie inside all six planes (inside: n·p − d ≤ 0);
    /// false, with `out` incomplete, once more than `limit` are found.
    bool framesInside(const Tolu::PlaneT<double> (&planes)[6], std::vector<std::uint32_t>& out,
                      std::size_t limit) const;
    /// Appends the bodies whose sphere may meet the segment p0→p1; false as above.
    bool meshesAlong(const Vector3T<double>& p0, const Vector3T<double>& p1,
                     std::vector<std::uint32_t>& out, std::size_t limit) const;

private:
    struct Box {
        Vector3T<double> lo;
        Vector3T<double> hi;
    };
    struct Node {
        Box frames; // of the origins below
        Box meshes; // of the spheres below; empty (lo > hi) when none
        std::uint32_t begin = 0;
        std::uint32_t end = 0;
        std::uint32_t right = 0; // the left child follows its parent; 0: a leaf
    };
    static constexpr std::uint32_t leafSize = 16;

    std::uint32_t buildNode(std::uint32_t begin, std::uint32_t end, int depth);
    /// Appends the bodies of every leaf reached from the root past the nodes `skip`
    /// rejects, in visiting order; false once more than `limit` are in `out`.
    template <class Skip>
    bool collect(const Skip& skip, std::vector<std::uint32_t>& out, std::size_t limit) const;

    std::vector<Node> nodes;
    std::vector<std::uint32_t> order;      // body indices, grouped by leaf
    std::vector<std::uint32_t> loneFrames; // origins not finite
    std::vector<std::uint32_t> loneMeshes; // spheres not finite (NaN radius excluded)
    std::vector<Box> frameBoxes;           // per body while building
    std::vector<Box> meshBoxes;
    std::vector<std::uint8_t> hasMesh;
};

} // namespace Ostra::Sim::GL

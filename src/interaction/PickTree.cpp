#include "interaction/PickTree.h"

#include "interaction/Geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Ostra::Sim::GL {

namespace {

using Geometry::largest;

constexpr double inf = std::numeric_limits<double>::infinity();

bool finite(const Vector3T<double>& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

double& axis(Vector3T<double>& v, int a) {
    return a == 0 ? v.x : a == 1 ? v.y : v.z;
}
double axis(const Vector3T<double>& v, int a) {
    return a == 0 ? v.x : a == 1 ? v.y : v.z;
}

// The widening of every box test: far beyond the rounding of the bodies' own tests (a few
// units of 1e-16 relative), so that a body they accept is never left out.
constexpr double widen = 1e-7;

} // namespace

void PickTree::build(const std::vector<Vector3T<double>>& origins,
                     const std::vector<Vector3T<double>>& centres,
                     const std::vector<double>& radii) {
    const std::size_t count = origins.size();
    nodes.clear();
    order.clear();
    loneFrames.clear();
    loneMeshes.clear();
    frameBoxes.resize(count);
    meshBoxes.resize(count);
    hasMesh.assign(count, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const auto index = std::uint32_t(i);
        const bool placed = finite(origins[i]);
        const double r = radii[i];
        if (!std::isnan(r)) {
            const Vector3T<double> reach(r, r, r);
            const Box box{centres[i] - reach, centres[i] + reach};
            if (placed && finite(box.lo) && finite(box.hi)) {
                meshBoxes[i] = box;
                hasMesh[i] = 1;
            } else {
                loneMeshes.push_back(index);
            }
        }
        if (placed) {
            frameBoxes[i] = {origins[i], origins[i]};
            order.push_back(index);
        } else {
            loneFrames.push_back(index);
        }
    }
    // Leaves hold from half to all of `leafSize` bodies: at most four nodes per leafful.
    nodes.reserve(4 * (order.size() / leafSize) + 1);
    if (!order.empty()) {
        (void)buildNode(0, std::uint32_t(order.size()), 0);
    }
    nodes.shrink_to_fit();
    // Only the build needs them: let their memory go.
    std::vector<Box>().swap(frameBoxes);
    std::vector<Box>().swap(meshBoxes);
    std::vector<std::uint8_t>().swap(hasMesh);
}

std::uint32_t PickTree::buildNode(std::uint32_t begin, std::uint32_t end, int depth) {
    const auto at = std::uint32_t(nodes.size());
    nodes.emplace_back();
    Box frames{{inf, inf, inf}, {-inf, -inf, -inf}};
    Box meshes = frames;
    for (std::uint32_t k = begin; k < end; ++k) {
        const std::uint32_t i = order[k];
        for (int a = 0; a < 3; ++a) {
            axis(frames.lo, a) = std::min(axis(frames.lo, a), axis(frameBoxes[i].lo, a));
            axis(frames.hi, a) = std::max(axis(frames.hi, a), axis(frameBoxes[i].hi, a));
            if (hasMesh[i]) {
                axis(meshes.lo, a) = std::min(axis(meshes.lo, a), axis(meshBoxes[i].lo, a));
                axis(meshes.hi, a) = std::max(axis(meshes.hi, a), axis(meshBoxes[i].hi, a));
            }
        }
    }
    nodes[at].frames = frames;
    nodes[at].meshes = meshes;
    nodes[at].begin = begin;
    nodes[at].end = end;
    if (end - begin <= leafSize || depth > 60) {
        return at;
    }
    // Split at the median of the origins along the box's longest side.
    const Vector3T<double> size = frames.hi - frames.lo;
    const int a = size.x >= size.y && size.x >= size.z ? 0 : size.y >= size.z ? 1 : 2;
    const std::uint32_t middle = begin + (end - begin) / 2;
    std::nth_element(order.begin() + begin, order.begin() + middle, order.begin() + end,
                     [&](std::uint32_t l, std::uint32_t r) {
                         return axis(frameBoxes[l].lo, a) < axis(frameBoxes[r].lo, a);
                     });
    (void)buildNode(begin, middle, depth + 1);
    nodes[at].right = buildNode(middle, end, depth + 1);
    return at;
}

template <class Skip>
bool PickTree::collect(const Skip& skip, std::vector<std::uint32_t>& out, std::size_t limit) const {
    std::vector<std::uint32_t> stack{0};
    while (!stack.empty()) {
        const std::uint32_t at = stack.back();
        const Node& node = nodes[at];
        stack.pop_back();
        if (skip(node)) {
            continue;
        }
        if (node.right == 0) {
            out.insert(out.end(), order.begin() + node.begin, order.begin() + node.end);
            if (out.size() > limit) {
                return false;
            }
        } else {
            stack.push_back(node.right);
            stack.push_back(at + 1);
        }
    }
    return out.size() <= limit;
}

bool PickTree::framesInside(const Tolu::PlaneT<double> (&planes)[6],
                            std::vector<std::uint32_t>& out, std::size_t limit) const {
    out.insert(out.end(), loneFrames.begin(), loneFrames.end());
    if (nodes.empty()) {
        return out.size() <= limit;
    }
    // Outside when even the box's corner deepest inside some plane lies clearly beyond it.
    const auto outside = [&](const Box& box) {
        const double scale = 1.0 + std::max(largest(box.lo), largest(box.hi));
        for (const auto& plane : planes) {
            const Vector3T<double>& n = plane.normal;
            const Vector3T<double> corner(n.x > 0 ? box.lo.x : box.hi.x,
                                          n.y > 0 ? box.lo.y : box.hi.y,
                                          n.z > 0 ? box.lo.z : box.hi.z);
            if (n.dot(corner) - plane.d > widen * (scale + std::abs(plane.d))) {
                return true;
            }
        }
        return false;
    };
    return collect([&](const Node& node) { return outside(node.frames); }, out, limit);
}

bool PickTree::meshesAlong(const Vector3T<double>& p0, const Vector3T<double>& p1,
                           std::vector<std::uint32_t>& out, std::size_t limit) const {
    out.insert(out.end(), loneMeshes.begin(), loneMeshes.end());
    if (nodes.empty()) {
        return out.size() <= limit;
    }
    const Vector3T<double> dir = p1 - p0;
    const double reach = std::max(largest(p0), largest(p1));
    // Slab test of the segment against the widened box.
    const auto meets = [&](const Box& box) {
        const double margin = widen * (1.0 + reach + std::max(largest(box.lo), largest(box.hi)));
        double t0 = 0.0;
        double t1 = 1.0;
        for (int a = 0; a < 3; ++a) {
            const double lo = axis(box.lo, a) - margin;
            const double hi = axis(box.hi, a) + margin;
            const double p = axis(p0, a);
            const double d = axis(dir, a);
            if (d == 0.0) {
                if (p < lo || p > hi) {
                    return false;
                }
                continue;
            }
            double near = (lo - p) / d;
            double far = (hi - p) / d;
            if (near > far) {
                std::swap(near, far);
            }
            t0 = std::max(t0, near);
            t1 = std::min(t1, far);
            if (t0 > t1) {
                return false;
            }
        }
        return true;
    };
    return collect(
        [&](const Node& node) {
            return node.meshes.lo.x > node.meshes.hi.x || !meets(node.meshes);
        },
        out, limit);
}

} // namespace Ostra::Sim::GL

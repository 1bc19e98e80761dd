#include <tolu/math3d/Errors.h>
#include <tolu/util/Error.h>
#include <vuro_gl/Shapes.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace Vuro {

namespace {

using V3 = Tolu::Vector3T<float>;

void requirePositive(const char* function, const char* what, float value) {
    // Written so that NaN fails too; infinity would only fail later, in addGroup.
    if (!(value > 0.0f) || !std::isfinite(value)) {
        throw Tolu::Error(std::string("Vuro::") + function + ": " + what + " " +
                          Tolu::formatMath3dValue(value) + " is not positive");
    }
}

void requireSegments(const char* function, unsigned segments) {
    if (segments < 3) {
        throw Tolu::Error(std::string("Vuro::") + function + ": " + std::to_string(segments) +
                          " segments are fewer than 3");
    }
}

/// Collects triangles, each given counter-clockwise as seen from outside.
class Mesh {
public:
    void tri(const V3& a, const V3& na, const V3& b, const V3& nb, const V3& c, const V3& nc) {
        vertices.push_back({a, na});
        vertices.push_back({b, nb});
        vertices.push_back({c, nc});
    }
    void flatTri(const V3& a, const V3& b, const V3& c, const V3& n) { tri(a, n, b, n, c, n); }

    /// A disc at height `z` facing +z or -z, or a ring when `inner` is above 0.
    void disc(float z, float inner, float outer, bool up, unsigned segments) {
        const V3 n{0.0f, 0.0f, up ? 1.0f : -1.0f};
        for (unsigned j = 0; j < segments; ++j) {
            const V3 o0 = around(j, segments, outer, z);
            const V3 o1 = around(j + 1, segments, outer, z);
            const V3 i0 = around(j, segments, inner, z);
            const V3 i1 = around(j + 1, segments, inner, z);
            if (up) {
                flatTri(i0, o0, o1, n);
                if (inner > 0.0f) {
                    flatTri(i0, o1, i1, n);
                }
            } else {
                flatTri(i0, o1, o0, n);
                if (inner > 0.0f) {
                    flatTri(i0, i1, o1, n);
                }
            }
        }
    }

    /// The side of a cylinder of `radius` between heights `z0` < `z1`.
    void tube(float radius, float z0, float z1, unsigned segments) {
        for (unsigned j = 0; j < segments; ++j) {
            const V3 n0 = around(j, segments, 1.0f, 0.0f);
            const V3 n1 = around(j + 1, segments, 1.0f, 0.0f);
            const V3 b0 = around(j, segments, radius, z0);
            const V3 b1 = around(j + 1, segments, radius, z0);
            const V3 t0 = around(j, segments, radius, z1);
            const V3 t1 = around(j + 1, segments, radius, z1);
            tri(b0, n0, b1, n1, t1, n1);
            tri(b0, n0, t1, n1, t0, n0);
        }
    }

    /// The side of a cone with its base of `radius` at `z0` and its tip at `z1`.
    void coneSide(float radius, float z0, float z1, unsigned segments) {
        const float height = z1 - z0;
        // The slanted normal is the radial direction tilted up by the half-angle.
        auto normal = [&](float j) {
            const V3 radial = around(j, segments, 1.0f, 0.0f);
            return V3{radial.x * height, radial.y * height, radius}.normalized();
        };
        const V3 tip{0.0f, 0.0f, z1};
        for (unsigned j = 0; j < segments; ++j) {
            // The tip takes the normal half way round, so each facet stays smooth.
            tri(around(j, segments, radius, z0), normal(float(j)),
                around(j + 1, segments, radius, z0), normal(float(j + 1)), tip,
                normal(float(j) + 0.5f));
        }
    }

    static V3 around(float j, unsigned segments, float radius, float z) {
        // The last step lands exactly on the first, so rims close without a seam.
        const float angle =
            j >= float(segments) ? 0.0f : 2.0f * std::numbers::pi_v<float> * j / float(segments);
        return {radius * std::cos(angle), radius * std::sin(angle), z};
    }
    static V3 around(unsigned j, unsigned segments, float radius, float z) {
        return around(float(j), segments, radius, z);
    }

    std::vector<Vertex> vertices;
};

Tolu::RefT<BodyProto> finish(const char* name, Mesh&& mesh, const Tolu::Vector4T<float>& color) {
    auto proto = Tolu::makeRef<BodyProto>(name);
    PrimGroup group;
    group.type = PrimType::Triangles;
    group.vertices = std::move(mesh.vertices);
    group.color = color;
    group.slot = 0;
    proto->addGroup(std::move(group));
    return proto;
}

} // namespace

Tolu::RefT<BodyProto> makeBox(const Tolu::Vector3T<float>& size,
                              const Tolu::Vector4T<float>& color) {
    requirePositive("makeBox", "x size", size.x);
    requirePositive("makeBox", "y size", size.y);
    requirePositive("makeBox", "z size", size.z);
    const V3 h = size * 0.5f;
    Mesh mesh;
    // Each face: its normal axis and two in-face axes u, v with u x v = normal, so the
    // corners -u-v, +u-v, +u+v, -u+v run counter-clockwise seen from outside.
    for (int axis = 0; axis < 3; ++axis) {
        for (const float sign : {1.0f, -1.0f}) {
            V3 n;
            n[std::size_t(axis)] = sign;
            V3 u;
            V3 v;
            u[std::size_t((axis + 1) % 3)] = h[std::size_t((axis + 1) % 3)] * sign;
            v[std::size_t((axis + 2) % 3)] = h[std::size_t((axis + 2) % 3)];
            const V3 c = V3{n.x * h.x, n.y * h.y, n.z * h.z};
            const V3 p0 = c - u - v;
            const V3 p1 = c + u - v;
            const V3 p2 = c + u + v;
            const V3 p3 = c - u + v;
            mesh.flatTri(p0, p1, p2, n);
            mesh.flatTri(p0, p2, p3, n);
        }
    }
    return finish("box", std::move(mesh), color);
}

Tolu::RefT<BodyProto> makeCylinder(float radius, float length, const Tolu::Vector4T<float>& color,
                                   unsigned segments) {
    requirePositive("makeCylinder", "radius", radius);
    requirePositive("makeCylinder", "length", length);
    requireSegments("makeCylinder", segments);
    const float h = length * 0.5f;
    Mesh mesh;
    mesh.tube(radius, -h, h, segments);
    mesh.disc(h, 0.0f, radius, true, segments);
    mesh.disc(-h, 0.0f, radius, false, segments);
    return finish("cylinder", std::move(mesh), color);
}

Tolu::RefT<BodyProto> makeSphere(float radius, const Tolu::Vector4T<float>& color,
                                 unsigned segments) {
    requirePositive("makeSphere", "radius", radius);
    requireSegments("makeSphere", segments);
    const unsigned bands = std::max(2u, segments / 2);
    const float pi = std::numbers::pi_v<float>;
    auto unit = [&](unsigned band, unsigned j) {
        const float theta = pi * float(band) / float(bands); // 0 at +z
        const V3 radial = Mesh::around(j, segments, 1.0f, 0.0f);
        // Exact poles, so the pole fans have no sliver gaps.
        const float s = band == 0 || band == bands ? 0.0f : std::sin(theta);
        const float c = band == 0 ? 1.0f : band == bands ? -1.0f : std::cos(theta);
        return V3{radial.x * s, radial.y * s, c};
    };
    Mesh mesh;
    for (unsigned band = 0; band < bands; ++band) {
        for (unsigned j = 0; j < segments; ++j) {
            const V3 n00 = unit(band, j);
            const V3 n01 = unit(band, j + 1);
            const V3 n10 = unit(band + 1, j);
            const V3 n11 = unit(band + 1, j + 1);
            // At a pole one of the two triangles of the quad has no area; leave it out.
            if (band + 1 < bands) {
                mesh.tri(n00 * radius, n00, n10 * radius, n10, n11 * radius, n11);
            }
            if (band > 0) {
                mesh.tri(n00 * radius, n00, n11 * radius, n11, n01 * radius, n01);
            }
        }
    }
    return finish("sphere", std::move(mesh), color);
}

Tolu::RefT<BodyProto> makeCone(float radius, float height, const Tolu::Vector4T<float>& color,
                               unsigned segments) {
    requirePositive("makeCone", "radius", radius);
    requirePositive("makeCone", "height", height);
    requireSegments("makeCone", segments);
    Mesh mesh;
    mesh.coneSide(radius, 0.0f, height, segments);
    mesh.disc(0.0f, 0.0f, radius, false, segments);
    return finish("cone", std::move(mesh), color);
}

Tolu::RefT<BodyProto> makeArrow(float length, float radius, const Tolu::Vector4T<float>& color,
                                unsigned segments) {
    requirePositive("makeArrow", "length", length);
    requirePositive("makeArrow", "radius", radius);
    requireSegments("makeArrow", segments);
    const float headRadius = 2.0f * radius;
    const float headLength = std::min(length / 3.0f, 6.0f * radius);
    const float shaftLength = length - headLength;
    Mesh mesh;
    mesh.disc(0.0f, 0.0f, radius, false, segments);
    mesh.tube(radius, 0.0f, shaftLength, segments);
    mesh.disc(shaftLength, radius, headRadius, false, segments);
    mesh.coneSide(headRadius, shaftLength, length, segments);
    return finish("arrow", std::move(mesh), color);
}

} // namespace Vuro

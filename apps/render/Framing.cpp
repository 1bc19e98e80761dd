#include "Framing.h"

#include <sim_gl/Node.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/Sensor.h>
#include <tolu/math3d/DegreeT.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace SimGLRender {

namespace {

using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;
namespace GLS = Ostra::Sim::GL;

// The fitted view: from the front left, raised, like the demo's camera.
constexpr double fitYaw = -62;
constexpr double fitPitch = 30;

double radians(double degrees) {
    return Tolu::DegreeT<double>(degrees).toRadians();
}

} // namespace

Tolu::BSphereT<double> fitSphere(GLS::Project& project, GLS::Context& context, unsigned hlMask0) {
    auto sphere = project.getBSphere(context, GLS::BodyGeo | GLS::TrackPath, 0, 0);
    if (!sphere.valid) {
        sphere = project.getBSphere(context, showMask, 0, hlMask0);
    }
    return sphere;
}

Framing frameView(const std::optional<CameraPlace>& camera, const Tolu::BSphereT<double>& sphere,
                  double fovyDegrees, int width, int height) {
    const double aspect = double(width) / double(height);
    const V3 centre = sphere.valid ? sphere.centre : V3();
    const double radius = sphere.valid && sphere.radius > 0 ? sphere.radius : 1.0;
    Framing framing;
    if (camera) {
        framing.camera = *camera;
    } else {
        const double halfY = radians(fovyDegrees) / 2;
        const double halfX = std::atan(std::tan(halfY) * aspect);
        const double distance = radius / std::sin(std::min(halfX, halfY)) * 1.05;
        const double yaw = radians(fitYaw);
        const double pitch = radians(fitPitch);
        framing.camera.target = centre;
        framing.camera.eye = centre + V3(std::cos(pitch) * std::cos(yaw),
                                         std::cos(pitch) * std::sin(yaw), std::sin(pitch)) *
                                          distance;
    }
    // Clip planes just around the scene, so depth precision goes where the scene is.
    const double distance = (centre - framing.camera.eye).length();
    framing.nearClip = std::max(distance - radius * 1.2, radius * 1e-3);
    framing.farClip = std::max(distance + radius * 1.2, framing.nearClip * 2);
    framing.view = M4::lookAt(framing.camera.eye, framing.camera.target, framing.camera.up);
    framing.projection =
        M4::perspective(radians(fovyDegrees), aspect, framing.nearClip, framing.farClip);
    return framing;
}

int gridSide(unsigned samples) {
    int side = 1;
    while (unsigned(side * side) < samples) {
        ++side;
    }
    return side;
}

Tolu::GL::Image downsample(const Tolu::GL::Image& big, int side) {
    if (side == 1) {
        return big;
    }
    Tolu::GL::Image small;
    small.width = big.width / side;
    small.height = big.height / side;
    small.rgba.resize(std::size_t(small.width) * std::size_t(small.height) * 4);
    const auto s = std::size_t(side);
    const auto bigWidth = std::size_t(big.width);
    const int count = side * side;
    for (std::size_t y = 0; y < std::size_t(small.height); ++y) {
        for (std::size_t x = 0; x < std::size_t(small.width); ++x) {
            for (std::size_t c = 0; c < 4; ++c) {
                int sum = 0;
                for (std::size_t dy = 0; dy < s; ++dy) {
                    for (std::size_t dx = 0; dx < s; ++dx) {
                        sum += big.rgba[((y * s + dy) * bigWidth + x * s + dx) * 4 + c];
                    }
                }
                small.rgba[(y * std::size_t(small.width) + x) * 4 + c] =
                    static_cast<std::uint8_t>((sum + count / 2) / count);
            }
        }
    }
    return small;
}

Ostra::Sim::Node* findByName(Ostra::Sim::Project& model, const std::string& name) {
    for (auto* b = model.getBodyList().getFirst().get(); b; b = b->getNext().get()) {
        if (b->getName() == name) {
            return b;
        }
    }
    for (auto* j = model.getJointList().getFirst().get(); j; j = j->getNext().get()) {
        if (j->getName() == name) {
            return j;
        }
    }
    for (auto* s = model.getSensorList().getFirst().get(); s; s = s->getNext().get()) {
        if (s->getName() == name) {
            return s;
        }
    }
    return nullptr;
}

} // namespace SimGLRender

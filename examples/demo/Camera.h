#pragma once

#include <tolu/math3d/FrustumT.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/Segment3T.h>
#include <tolu/math3d/Vector3T.h>

namespace SimGLDemo {

using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;

/// A perspective camera that orbits a target point in a z-up world, with the matrices
/// and pick volumes a host hands to the scene layer. Pixels count from the top left.
class OrbitCamera {
public:
    /// What a host picks with at one pixel: the ray through the pixel centre from the
    /// near to the far plane, and a small frustum around the pixel.
    struct Pick {
        Tolu::Segment3T<double> segment;
        Tolu::FrustumT<double> frustum;
    };

    /// A camera for a `width` x `height` viewport. Throws Tolu::Error unless both are positive.
    OrbitCamera(int width, int height);

    /// Places the eye `distance` from `target`, turned `yawDegrees` about +z from +x and
    /// raised `pitchDegrees` above the ground plane.
    void orbit(const V3& target, double distance, double yawDegrees, double pitchDegrees);
    /// Vertical field of view and the clip distances. Throws Tolu::Error unless
    /// 0 < fovy < 180 and 0 < near < far.
    void setLens(double fovyDegrees, double nearDistance, double farDistance);

    /// World to eye (the eye looks down -z); throws ErrorBadNullVector for a degenerate orbit.
    [[nodiscard]] M4 getView() const;
    /// Eye to clip space.
    [[nodiscard]] M4 getProjection() const;
    [[nodiscard]] V3 getEye() const;

    /// Where `world` shows, in pixels with fractions (the centre of pixel (i, j) is
    /// (i + 0.5, j + 0.5)). False when the point lies behind the eye.
    [[nodiscard]] bool toPixel(const V3& world, double& x, double& y) const;
    /// The pick segment through the centre of pixel (`x`, `y`) and a frustum reaching
    /// `radius` pixels around it. Throws ErrorBadMatrix for a degenerate orbit.
    [[nodiscard]] Pick pickAt(int x, int y, double radius = 3.0) const;
    /// World units per pixel at `distance` in front of the eye.
    [[nodiscard]] double getPixelSize(double distance) const;

    [[nodiscard]] int getWidth() const noexcept { return width; }
    [[nodiscard]] int getHeight() const noexcept { return height; }

private:
    int width;
    int height;
    V3 target{0, 0, 0};
    double distance = 10;
    double yaw = -60;
    double pitch = 30;
    double fovy = 40;
    double nearDistance = 0.5;
    double farDistance = 60;
};

} // namespace SimGLDemo

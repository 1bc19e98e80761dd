#include "Camera.h"

#include <tolu/math3d/Vector4T.h>
#include <tolu/util/Error.h>

#include <cmath>
#include <numbers>
#include <string>

namespace SimGLDemo {

namespace {

double toRadians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

} // namespace

OrbitCamera::OrbitCamera(int width, int height) : width(width), height(height) {
    if (width <= 0 || height <= 0) {
        throw Tolu::Error("OrbitCamera: bad viewport size " + std::to_string(width) + "x" +
                          std::to_string(height));
    }
}

void OrbitCamera::orbit(const V3& newTarget, double newDistance, double yawDegrees,
                        double pitchDegrees) {
    target = newTarget;
    distance = newDistance;
    yaw = yawDegrees;
    pitch = pitchDegrees;
}

void OrbitCamera::setLens(double fovyDegrees, double nearClip, double farClip) {
    if (!(fovyDegrees > 0 && fovyDegrees < 180 && nearClip > 0 && nearClip < farClip)) {
        throw Tolu::Error("OrbitCamera::setLens: bad lens " + std::to_string(fovyDegrees) +
                          " degrees, " + std::to_string(nearClip) + " to " +
                          std::to_string(farClip));
    }
    fovy = fovyDegrees;
    nearDistance = nearClip;
    farDistance = farClip;
}

V3 OrbitCamera::getEye() const {
    const double y = toRadians(yaw);
    const double p = toRadians(pitch);
    return target +
           V3(std::cos(p) * std::cos(y), std::cos(p) * std::sin(y), std::sin(p)) * distance;
}

M4 OrbitCamera::getView() const {
    return M4::lookAt(getEye(), target, V3(0, 0, 1));
}

M4 OrbitCamera::getProjection() const {
    return M4::perspective(toRadians(fovy), double(width) / double(height), nearDistance,
                           farDistance);
}

double OrbitCamera::getPixelSize(double atDistance) const {
    return 2.0 * atDistance * std::tan(toRadians(fovy) / 2) / double(height);
}

bool OrbitCamera::toPixel(const V3& world, double& x, double& y) const {
    const Tolu::Vector4T<double> clip =
        (getProjection() * getView()).transform(Tolu::Vector4T<double>(world, 1.0));
    if (clip.w <= 0) {
        return false;
    }
    x = (clip.x / clip.w + 1.0) * 0.5 * width;
    y = (1.0 - clip.y / clip.w) * 0.5 * height;
    return true;
}

OrbitCamera::Pick OrbitCamera::pickAt(int x, int y, double radius) const {
    // The pixel centre on the near plane, in eye coordinates.
    const double pixel = getPixelSize(nearDistance);
    const double ex = (x + 0.5 - width / 2.0) * pixel;
    const double ey = (height / 2.0 - (y + 0.5)) * pixel;
    const double half = radius * pixel;
    const M4 worldFromEye = getView().inverse();
    const double toFar = farDistance / nearDistance;
    Pick pick;
    pick.segment = Tolu::Segment3T<double>(
        worldFromEye.transformAffine(V3(ex, ey, -nearDistance)),
        worldFromEye.transformAffine(V3(ex * toFar, ey * toFar, -farDistance)));
    pick.frustum = Tolu::FrustumT<double>(ex - half, ex + half, ey - half, ey + half, nearDistance,
                                          farDistance, worldFromEye);
    return pick;
}

} // namespace SimGLDemo

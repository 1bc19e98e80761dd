#include "ViewerController.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Node.h>
#include <sim_gl/Project.h>

#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <vuro_gl/gl/HLMode.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace SimGLViewer {

namespace GLS = Ostra::Sim::GL;
using namespace Tolu::GL;

namespace {

constexpr double degreesPerPixel = 0.4;
// Above the ground, and never straight down, where the up vector would be lost.
constexpr double minPitch = -80;
constexpr double maxPitch = 85;
// The lens's far plane is 60 away: the whole mechanism stays inside it.
constexpr double minDistance = 2.5;
constexpr double maxDistance = 40;
constexpr double zoomPerStep = 0.9;

// Highlighted nodes show everything the scene layer draws, the body's own frame included.
constexpr unsigned highlightMask = 0x7F;
constexpr unsigned maskKeys = 9;
constexpr char escapeKey = 27;

} // namespace

ViewerController::ViewerController(int width, int height)
    : view(scene.getModel()), camera(width, height) {
    style.hlMask0 = highlightMask;
    applyOrbit();
}

ViewerController::~ViewerController() {
    if (gesture == Gesture::Drag) {
        try {
            view.getProject().stopDrag();
        } catch (...) {
            // The model dies with us; its drag states no longer matter.
        }
    }
}

void ViewerController::onMouseDown(int x, int y, MouseButton button) {
    if (gesture != Gesture::None) {
        return; // a second button while the first is held changes nothing
    }
    gestureButton = button;
    lastX = x;
    lastY = y;
    gesture = Gesture::Orbit;
    if (button != MouseButton::Left) {
        return;
    }
    const GLS::Isect::Hit hit = view.pick(camera, x, y);
    if (!hit.node) {
        return;
    }
    clearHighlights();
    hit.node->setHighlight(Vuro::GL::HLMode0, true, false);
    if (hit.node->getClassId() != GLS::ClassIdBody) {
        return;
    }
    OrbitCamera::Pick grab = camera.pickAt(x, y);
    GLS::Project& project = view.getProject();
    if (!project.startDrag(grab.segment, grab.frustum)) {
        return; // a body the drivers may not move: the drag orbits instead
    }
    gesture = Gesture::Drag;
    planePoint = project.getTouchPos();
    planeNormal = (orbit.target - camera.getEye()).normalized();
    // Offsets are measured from the pressed pixel's own line, so that pressing without
    // moving leaves the body where it is even when the grab point lies a little off it.
    dragAnchor = onDragPlane(x, y);
}

void ViewerController::onMouseMove(int x, int y) {
    switch (gesture) {
    case Gesture::None:
        return;
    case Gesture::Orbit:
        orbit.yaw -= (x - lastX) * degreesPerPixel;
        orbit.pitch = std::clamp(orbit.pitch + (y - lastY) * degreesPerPixel, minPitch, maxPitch);
        applyOrbit();
        break;
    case Gesture::Drag:
        dragTo(x, y);
        break;
    }
    lastX = x;
    lastY = y;
}

void ViewerController::onMouseUp(int x, int y, MouseButton button) {
    if (gesture == Gesture::None || button != gestureButton) {
        return;
    }
    if (gesture == Gesture::Orbit) {
        onMouseMove(x, y);
        gesture = Gesture::None;
        return;
    }
    dragTo(x, y);
    // The drivers move bodies only in a model step: take the last offset along before
    // the drag ends, or a release between two frames would lose it.
    scene.getModel()->step();
    gesture = Gesture::None;
    view.getProject().stopDrag();
    view.update();
}

void ViewerController::onWheel(int steps) {
    zoom(std::pow(zoomPerStep, steps));
}

void ViewerController::onKey(char key) {
    switch (key) {
    case 's':
        style.shadows = !style.shadows;
        break;
    case 't':
        style.transpMode = style.transpMode == 0 ? 1 : style.transpMode == 1 ? 3 : 0;
        break;
    case 'h':
        clearHighlights();
        break;
    case '+':
    case '=':
        zoom(zoomPerStep);
        break;
    case '-':
        zoom(1 / zoomPerStep);
        break;
    case 'r':
        orbit = Orbit();
        applyOrbit();
        break;
    case 'q':
    case escapeKey:
        running = false;
        break;
    default:
        if (key >= '1' && key < char('1' + maskKeys)) {
            style.mask ^= 1u << unsigned(key - '1');
        }
        break;
    }
}

void ViewerController::resize(int width, int height) {
    // A new camera has the same lens; only the viewport changes.
    camera = OrbitCamera(std::max(width, 1), std::max(height, 1));
    applyOrbit();
}

bool ViewerController::frame() {
    if (!running) {
        return false;
    }
    scene.getModel()->step();
    view.update();

    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    const auto fbo = static_cast<GLuint>(bound);
    const auto width = static_cast<unsigned>(camera.getWidth());
    const auto height = static_cast<unsigned>(camera.getHeight());
    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glClearColor(style.background.x, style.background.y, style.background.z, style.background.w);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    // As in the demo's frames: identity mask matrices outline highlighted parts where
    // they are, and the HUD is sized by the view's height.
    const Tolu::Matrix4x4T<double> identity;
    const double hudHeight = height;
    GLS::render(view.getContext(), view.getProject(), {}, fbo, width, height, style.mask,
                style.hlMask1, style.hlMask0, camera.getView(), camera.getProjection(), style.light,
                style.shadows, style.transpMode, style.hudShare * hudHeight, hudHeight,
                style.hlWidth, style.hlColor1, style.hlColor0, identity, identity);
    if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
        throw Error("ViewerController::frame: OpenGL error " + std::to_string(error));
    }
    return true;
}

void ViewerController::applyOrbit() {
    camera.orbit(orbit.target, orbit.distance, orbit.yaw, orbit.pitch);
}

void ViewerController::zoom(double factor) {
    orbit.distance = std::clamp(orbit.distance * factor, minDistance, maxDistance);
    applyOrbit();
}

void ViewerController::clearHighlights() {
    view.getProject().setHighlight(Vuro::GL::HLMode0, false, true);
}

V3 ViewerController::onDragPlane(int x, int y) const {
    const OrbitCamera::Pick pick = camera.pickAt(x, y);
    const V3 p0 = pick.segment.getP0();
    const V3 direction = pick.segment.getDirection();
    // Every pixel's line runs away from the eye, so it is never parallel to a plane
    // facing the camera.
    const double t = planeNormal.dot(planePoint - p0) / planeNormal.dot(direction);
    return p0 + direction * t;
}

void ViewerController::dragTo(int x, int y) {
    view.getProject().drag(onDragPlane(x, y) - dragAnchor);
}

} // namespace SimGLViewer

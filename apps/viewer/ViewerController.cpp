#include "ViewerController.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Node.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Node.h>
#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/math3d/DegreeT.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/util/Error.h>
#include <vuro_gl/gl/HLMode.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <utility>

namespace SimGLViewer {

namespace GLS = Ostra::Sim::GL;
using namespace Tolu::GL;

namespace {

constexpr double degreesPerPixel = 0.4;
// Above the ground, and never straight down, where the up vector would be lost.
constexpr double minPitch = -80;
constexpr double maxPitch = 85;
// The lens's far plane is 60 away: the whole mechanism stays inside it. A model file
// scales all four by its size relative to the demo's.
constexpr double minDistance = 2.5;
constexpr double maxDistance = 40;
constexpr double lensNear = 0.5;
constexpr double lensFar = 60;
constexpr double lensFovy = 40;
constexpr double zoomPerStep = 0.9;
// The picture of a model file keeps a margin around its bounding sphere.
constexpr double fitMargin = 1.05;

// Highlighted nodes show everything the scene layer draws, the body's own frame included.
constexpr unsigned highlightMask = 0x7F;
constexpr unsigned bodyGeoMask = 0x01;
constexpr unsigned maskKeys = 9;
constexpr char escapeKey = 27;

} // namespace

ViewerController::ViewerController(int width, int height)
    : ViewerController(width, height, ViewerModel()) {}

ViewerController::ViewerController(int width, int height, ViewerModel model_)
    : model(std::move(model_)), view(std::make_unique<SimGLDemo::SceneView>(model.getModel())),
      camera(width, height), output(&std::cout) {
    style.hlMask0 = highlightMask;
    if (const Ostra::IO::Playback* playback = model.getPlayback()) {
        time = playback->startTime();
        applyTime();
    }
    home();
    orbit = homeOrbit;
    applyOrbit();
}

ViewerController::~ViewerController() {
    if (gesture == Gesture::Drag) {
        try {
            view->getProject().stopDrag();
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
    const GLS::Isect::Hit hit = view->pick(camera, x, y);
    if (!hit.node) {
        return;
    }
    clearHighlights();
    hit.node->setHighlight(Vuro::GL::HLMode0, true, false);
    pickedName = hit.node->getSimNode() ? hit.node->getSimNode()->getName() : std::string();
    if (hit.node->getClassId() != GLS::ClassIdBody) {
        return;
    }
    OrbitCamera::Pick grab = camera.pickAt(x, y);
    GLS::Project& project = view->getProject();
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
    model.getModel()->step();
    gesture = Gesture::None;
    view->getProject().stopDrag();
    view->update();
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
        pickedName.clear();
        break;
    case '+':
    case '=':
        zoom(zoomPerStep);
        break;
    case '-':
        zoom(1 / zoomPerStep);
        break;
    case 'c':
        orbit = homeOrbit;
        applyOrbit();
        break;
    case ' ':
        if (const Ostra::IO::Playback* playback = model.getPlayback()) {
            // Playing from the end starts over.
            if (!playing && time >= playback->endTime()) {
                time = playback->startTime();
                applyTime();
            }
            playing = !playing;
        }
        break;
    case 'p':
        shotPending = true;
        break;
    case 'r':
        reload();
        break;
    case '?':
        helpShown = !helpShown;
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

void ViewerController::onSpecialKey(SpecialKey key) {
    switch (key) {
    case SpecialKey::Left:
        stepFrames(-1);
        break;
    case SpecialKey::Right:
        stepFrames(1);
        break;
    case SpecialKey::F1:
        helpShown = !helpShown;
        break;
    }
}

void ViewerController::tick(double seconds) {
    const Ostra::IO::Playback* playback = model.getPlayback();
    if (!playing || !playback || !(seconds > 0)) {
        return;
    }
    const double start = playback->startTime();
    const double duration = playback->endTime() - start;
    time += seconds;
    if (time > start + duration) {
        time = duration > 0 ? start + std::fmod(time - start, duration) : start;
    }
    applyTime();
}

void ViewerController::resize(int width, int height) {
    // A new camera has the same lens as before; only the viewport changes.
    camera = OrbitCamera(std::max(width, 1), std::max(height, 1));
    applyOrbit();
}

SimGLDemo::DemoScene& ViewerController::getDemo() {
    if (!model.getDemo()) {
        throw Tolu::Error("ViewerController::getDemo: a model file is shown, not the demo");
    }
    return *model.getDemo();
}

long ViewerController::getFrame() const noexcept {
    const Ostra::IO::Playback* playback = model.getPlayback();
    return playback ? std::lround((time - playback->startTime()) * stepFps) : 0;
}

bool ViewerController::frame() {
    if (!running) {
        return false;
    }
    model.getModel()->step();
    view->update();

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
    GLS::render(view->getContext(), view->getProject(), {}, fbo, width, height, style.mask,
                style.hlMask1, style.hlMask0, camera.getView(), camera.getProjection(), style.light,
                style.shadows, style.transpMode, style.hudShare * hudHeight, hudHeight,
                style.hlWidth, style.hlColor1, style.hlColor0, identity, identity);
    if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
        throw Error("ViewerController::frame: OpenGL error " + std::to_string(error));
    }
    drawOverlay();
    if (shotPending) {
        shotPending = false;
        saveScreenshot(fbo);
    }
    if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
        throw Error("ViewerController::frame: OpenGL error " + std::to_string(error) +
                    " in the overlay");
    }
    return true;
}

void ViewerController::home() {
    homeOrbit = Orbit();
    scale = 1;
    if (model.isFile()) {
        // The bodies' geometry, where there is some: the frames of bodies without
        // geometry have a fixed size of their own and would shrink a small model.
        Tolu::BSphereT<double> sphere =
            view->getProject().getBSphere(view->getContext(), bodyGeoMask, 0, 0);
        if (!sphere.valid) {
            sphere = view->getProject().getBSphere(view->getContext(), style.mask, 0, 0);
        }
        const double radius = sphere.valid && sphere.radius > 0 ? sphere.radius : 1.0;
        // Far enough that the sphere fits the narrower of the two view angles.
        const double halfY = Tolu::DegreeT<double>(lensFovy / 2).toRadians();
        const double aspect = double(camera.getWidth()) / camera.getHeight();
        const double halfX = std::atan(std::tan(halfY) * aspect);
        homeOrbit.target = sphere.valid ? sphere.centre : V3();
        homeOrbit.distance = radius / std::sin(std::min(halfX, halfY)) * fitMargin;
        scale = homeOrbit.distance / Orbit().distance;
    }
}

void ViewerController::applyOrbit() {
    camera.setLens(lensFovy, lensNear * scale, lensFar * scale);
    camera.orbit(orbit.target, orbit.distance, orbit.yaw, orbit.pitch);
}

void ViewerController::applyTime() {
    if (Ostra::IO::Playback* playback = model.getPlayback()) {
        playback->apply(time);
    }
}

void ViewerController::stepFrames(long frames) {
    const Ostra::IO::Playback* playback = model.getPlayback();
    if (!playback) {
        return;
    }
    playing = false;
    const double start = playback->startTime();
    // The last frame is the last one at or before the end.
    const auto last = static_cast<long>(std::floor((playback->endTime() - start) * stepFps + 1e-9));
    time = start + double(std::clamp(getFrame() + frames, 0L, last)) / stepFps;
    applyTime();
}

void ViewerController::reload() {
    if (!model.isFile()) {
        say("nothing to reload: the built-in demo is shown");
        return;
    }
    std::optional<ViewerModel> next;
    try {
        next = model.reopened();
    } catch (const std::exception& e) {
        say(std::string("reload failed, kept the model: ") + e.what());
        return;
    }
    endDrag();
    auto nextView = std::make_unique<SimGLDemo::SceneView>(next->getModel());
    // The old view lets go of the old model before it goes.
    view = std::move(nextView);
    model = std::move(*next);
    pickedName.clear();
    if (const Ostra::IO::Playback* playback = model.getPlayback()) {
        time = std::clamp(time, playback->startTime(), playback->endTime());
        applyTime();
    } else {
        time = 0;
        playing = false;
    }
    say("reloaded " + model.getModelFile().string());
}

void ViewerController::endDrag() {
    if (gesture == Gesture::Drag) {
        view->getProject().stopDrag();
    }
    gesture = Gesture::None;
}

void ViewerController::zoom(double factor) {
    orbit.distance = std::clamp(orbit.distance * factor, minDistance * scale, maxDistance * scale);
    applyOrbit();
}

void ViewerController::clearHighlights() {
    view->getProject().setHighlight(Vuro::GL::HLMode0, false, true);
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
    view->getProject().drag(onDragPlane(x, y) - dragAnchor);
}

} // namespace SimGLViewer

#pragma once

#include "Camera.h"
#include "DemoScene.h"
#include "SceneView.h"

namespace SimGLViewer {

using SimGLDemo::OrbitCamera;
using SimGLDemo::V3;

/// Mouse buttons as the viewer tells them apart.
enum class MouseButton { Left, Middle, Right };

/// Where the orbit camera stands: the point it looks at, its distance from it, and its
/// turn about +z from +x and its height above the ground plane, in degrees.
struct Orbit {
    V3 target{0.3, -0.1, 0.5};
    double distance = 11.5;
    double yaw = -62;
    double pitch = 30;
};

/// The interactive view of the built-in mechanism, free of any window system: it owns
/// the scene, the camera and the drawing style, turns input events into orbiting,
/// zooming, picking, highlighting and dragging, and draws frames. Pixels count from
/// the top left. Make, use and destroy it while its OpenGL context is current.
class ViewerController {
public:
    /// How the mouse is being used between a press and its release.
    enum class Gesture { None, Orbit, Drag };

    /// A view of `width` x `height` pixels. Throws Tolu::Error unless both are
    /// positive, and what building the scene throws.
    ViewerController(int width, int height);
    ~ViewerController();
    ViewerController(const ViewerController&) = delete;
    ViewerController& operator=(const ViewerController&) = delete;

    /// A left press on a shown node highlights it (mode 0) alone; on a draggable body
    /// it starts dragging it, anywhere else (and with the other buttons) orbiting.
    /// Throws what the scene layer's drag throws.
    void onMouseDown(int x, int y, MouseButton button);
    /// Orbits the camera, or pulls the dragged body within the plane facing the camera
    /// through the point it was grabbed at.
    void onMouseMove(int x, int y);
    /// Ends the gesture; a dragged body is left where the cursor is now.
    void onMouseUp(int x, int y, MouseButton button);
    /// Zooms in for positive `steps`, out for negative ones.
    void onWheel(int steps);
    /// s: shadows, t: transparency mode 0/1/3, 1..9: display-mask bit 0..8, h: clear
    /// highlights, + and -: zoom, r: reset the camera, q or Esc: quit. Others are ignored.
    void onKey(char key);
    /// The view's new size; sizes below one pixel count as one.
    void resize(int width, int height);

    /// Steps the model (moving a dragged body), brings the scene up to date and draws
    /// it into the framebuffer bound for drawing. False, without drawing, once quitting
    /// was asked for. Throws what the scene layer throws, and Tolu::GL::Error when
    /// OpenGL reports an error.
    bool frame();

    [[nodiscard]] bool isRunning() const noexcept { return running; }
    [[nodiscard]] Gesture getGesture() const noexcept { return gesture; }
    [[nodiscard]] const OrbitCamera& getCamera() const noexcept { return camera; }
    [[nodiscard]] const Orbit& getOrbit() const noexcept { return orbit; }
    [[nodiscard]] const SimGLDemo::SceneView::Style& getStyle() const noexcept { return style; }
    [[nodiscard]] bool getShadows() const noexcept { return style.shadows; }
    [[nodiscard]] unsigned getTranspMode() const noexcept { return style.transpMode; }
    [[nodiscard]] unsigned getMask() const noexcept { return style.mask; }
    [[nodiscard]] SimGLDemo::DemoScene& getScene() noexcept { return scene; }
    [[nodiscard]] SimGLDemo::SceneView& getView() noexcept { return view; }

private:
    void applyOrbit();
    void zoom(double factor);
    void clearHighlights();
    /// Where the line through the centre of pixel (`x`, `y`) meets the drag plane.
    [[nodiscard]] V3 onDragPlane(int x, int y) const;
    void dragTo(int x, int y);

    SimGLDemo::DemoScene scene;
    SimGLDemo::SceneView view;
    OrbitCamera camera;
    Orbit orbit;
    SimGLDemo::SceneView::Style style;
    bool running = true;

    Gesture gesture = Gesture::None;
    MouseButton gestureButton = MouseButton::Left;
    int lastX = 0;
    int lastY = 0;
    // The drag plane: through the grab point, facing the camera; and where the line
    // through the pressed pixel meets it, from which drag offsets are measured.
    V3 planePoint;
    V3 planeNormal;
    V3 dragAnchor;
};

} // namespace SimGLViewer

#pragma once

#include "Camera.h"
#include "DemoScene.h"
#include "SceneView.h"
#include "TextOverlay.h"
#include "ViewerModel.h"

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>

namespace SimGLViewer {

using SimGLDemo::OrbitCamera;
using SimGLDemo::V3;

/// Mouse buttons as the viewer tells them apart.
enum class MouseButton { Left, Middle, Right };
/// The keys without a character that the viewer answers.
enum class SpecialKey { Left, Right, F1 };

/// Where the orbit camera stands: the point it looks at, its distance from it, and its
/// turn about +z from +x and its height above the ground plane, in degrees.
struct Orbit {
    V3 target{0.3, -0.1, 0.5};
    double distance = 11.5;
    double yaw = -62;
    double pitch = 30;
};

/// The interactive view of a model (the built-in mechanism or a model file with its
/// motion), free of any window system: it owns the model, the scene, the camera and the
/// drawing style, turns input events into orbiting, zooming, picking, highlighting,
/// dragging, playing, screenshots and reloads, and draws frames with a status line and a
/// help overlay. Pixels count from the top left. Make, use and destroy it while its
/// OpenGL context is current.
class ViewerController {
public:
    /// How the mouse is being used between a press and its release.
    enum class Gesture { None, Orbit, Drag };

    /// Frames per second of the arrow keys' steps through a motion.
    static constexpr double stepFps = 30;

    /// A view of the demo mechanism, `width` x `height` pixels. Throws Tolu::Error unless
    /// both are positive, and what building the scene throws.
    ViewerController(int width, int height);
    /// A view of `model`; a model file is seen whole from the front left, above.
    ViewerController(int width, int height, ViewerModel model);
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
    /// Space: play or pause, p: screenshot, r: reload, ?: help overlay, c: reset the
    /// camera, s: shadows, t: transparency mode 0/1/3, 1..9: display-mask bit 0..8,
    /// h: clear highlights, + and -: zoom, q or Esc: quit. Others are ignored.
    void onKey(char key);
    /// Arrows: pause and step one frame (at `stepFps`) back or forward; F1: help overlay.
    void onSpecialKey(SpecialKey key);
    /// Lets `seconds` of wall time pass: a playing motion moves on, from its end back to
    /// its start.
    void tick(double seconds);
    /// The view's new size; sizes below one pixel count as one.
    void resize(int width, int height);

    /// Where screenshots go (the current folder unless set) and where their messages are
    /// printed (standard output unless set; `out` must outlive the controller).
    void setScreenshotFolder(std::filesystem::path folder) { shotFolder = std::move(folder); }
    void setOutput(std::ostream& out) { output = &out; }

    /// Steps the model (moving a dragged body), brings the scene up to date, draws it
    /// with the overlay into the framebuffer bound for drawing and takes a screenshot if
    /// one was asked for. False, without drawing, once quitting was asked for. Throws
    /// what the scene layer throws, and Tolu::GL::Error when OpenGL reports an error.
    bool frame();

    [[nodiscard]] bool isRunning() const noexcept { return running; }
    [[nodiscard]] Gesture getGesture() const noexcept { return gesture; }
    [[nodiscard]] const OrbitCamera& getCamera() const noexcept { return camera; }
    [[nodiscard]] const Orbit& getOrbit() const noexcept { return orbit; }
    [[nodiscard]] const SimGLDemo::SceneView::Style& getStyle() const noexcept { return style; }
    [[nodiscard]] bool getShadows() const noexcept { return style.shadows; }
    [[nodiscard]] unsigned getTranspMode() const noexcept { return style.transpMode; }
    [[nodiscard]] unsigned getMask() const noexcept { return style.mask; }
    [[nodiscard]] ViewerModel& getModel() noexcept { return model; }
    /// The demo mechanism; throws Tolu::Error when a model file is shown.
    [[nodiscard]] SimGLDemo::DemoScene& getDemo();
    [[nodiscard]] SimGLDemo::SceneView& getView() noexcept { return *view; }
    [[nodiscard]] bool isPlaying() const noexcept { return playing; }
    /// The motion's time in seconds (0 without a motion), and its frame at `stepFps`.
    [[nodiscard]] double getTime() const noexcept { return time; }
    [[nodiscard]] long getFrame() const noexcept;
    [[nodiscard]] bool isHelpShown() const noexcept { return helpShown; }
    /// The last message: a screenshot saved, a reload done or failed.
    [[nodiscard]] const std::string& getMessage() const noexcept { return message; }
    /// What the status line shows: time and frame, or that there is no motion; the
    /// picked object's name; the last message.
    [[nodiscard]] std::string getStatusLine() const;

private:
    void home();
    void applyOrbit();
    void applyTime();
    void stepFrames(long frames);
    void reload();
    void endDrag();
    void drawOverlay();
    void saveScreenshot(unsigned framebuffer);
    void say(std::string text);
    void zoom(double factor);
    void clearHighlights();
    /// Where the line through the centre of pixel (`x`, `y`) meets the drag plane.
    [[nodiscard]] V3 onDragPlane(int x, int y) const;
    void dragTo(int x, int y);

    // The view mirrors the model: it goes first.
    ViewerModel model;
    std::unique_ptr<SimGLDemo::SceneView> view;
    TextOverlay overlay;
    OrbitCamera camera;
    Orbit orbit;
    Orbit homeOrbit;
    double scale = 1; ///< the model's size relative to the demo's: zoom limits and lens
    SimGLDemo::SceneView::Style style;
    bool running = true;

    double time = 0;
    bool playing = false;
    bool helpShown = false;
    bool shotPending = false;
    std::string pickedName;
    std::string message;
    std::filesystem::path shotFolder{"."};
    std::ostream* output;

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

#include "DemoRun.h"

#include "Camera.h"
#include "DemoScene.h"
#include "SceneView.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Node.h>
#include <sim_gl/Project.h>

#include <tolu/util/Error.h>

#include <cmath>
#include <ostream>

namespace SimGLDemo {

namespace GLS = Ostra::Sim::GL;

namespace {

// Where the block is pulled to, in world units: up into the air and towards the camera.
const V3 dragOffset{0.4, -0.7, 1.1};

// Highlights cover everything the scene layer draws, the body's own frame included.
constexpr unsigned highlightMask = 0x7F;

Pixel toPixel(const OrbitCamera& camera, const V3& world) {
    double x = 0;
    double y = 0;
    if (!camera.toPixel(world, x, y)) {
        throw Tolu::Error("runDemo: a point of the scene lies behind the camera");
    }
    return {static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))};
}

Pixel originPixel(const OrbitCamera& camera, const Ostra::Sim::Node& node) {
    return toPixel(camera, node.getTransform().getTranslation());
}

const char* className(std::int32_t id) {
    switch (id) {
    case GLS::ClassIdBody:
        return "body";
    case GLS::ClassIdTrack:
        return "track";
    case GLS::ClassIdJoint:
        return "joint";
    case GLS::ClassIdJointTrack:
        return "joint on track";
    case GLS::ClassIdSensorTrack:
        return "sensor on track";
    default:
        return "unknown";
    }
}

// Highlights the node of one simulation object for one frame, and takes it back.
class HighlightScope {
public:
    HighlightScope(SceneView& view, Ostra::Sim::Node& simNode, Vuro::GL::HLMode mode)
        : node(view.getProject().find(&simNode)), mode(mode) {
        if (!node) {
            throw Tolu::Error("runDemo: no scene node for " + simNode.getName());
        }
        node->setHighlight(mode, true, false);
    }
    ~HighlightScope() { node->setHighlight(mode, false, false); }
    HighlightScope(const HighlightScope&) = delete;
    HighlightScope& operator=(const HighlightScope&) = delete;

private:
    Tolu::RefT<GLS::Node> node;
    Vuro::GL::HLMode mode;
};

// Ends a drag however the frame in between goes.
class DragScope {
public:
    explicit DragScope(GLS::Project& project) : project(project) {}
    ~DragScope() {
        try {
            project.stopDrag();
        } catch (...) {
            // The drag states are the driver's; a failure to reset them cannot be
            // reported from here, and the one that brought us here wins.
        }
    }
    DragScope(const DragScope&) = delete;
    DragScope& operator=(const DragScope&) = delete;

    /// Ends the drag where a failure can still be reported.
    void stop() { project.stopDrag(); }

private:
    GLS::Project& project;
};

} // namespace

DemoRun runDemo(Tolu::GL::HeadlessContext& gl, std::ostream& log) {
    gl.makeCurrent();
    OrbitCamera camera(gl.getWidth(), gl.getHeight());
    camera.orbit({0.3, -0.1, 0.5}, 11.5, -62, 30);
    camera.setLens(40, 0.5, 60);

    DemoScene scene;
    SceneView view(scene.getModel());
    // A few steps of the mechanism: the crank turns, the cart runs along the track.
    for (int i = 0; i < 3; ++i) {
        scene.step();
        view.update();
    }
    log << "built the mechanism: " << view.getProject().getBodyList().getCount() << " bodies, "
        << view.getProject().getJointList().getCount() << " joints, "
        << view.getProject().getSensorList().getCount() << " sensor\n";

    DemoRun run;
    run.ground = toPixel(camera, {-3.6, 2.4, 0.0});
    run.highlight0 = originPixel(camera, *scene.ball);
    run.highlight1 = originPixel(camera, *scene.cart);
    run.glass = originPixel(camera, *scene.glass);
    run.picked = originPixel(camera, *scene.block);

    const SceneView::Style plain;
    auto addFrame = [&](const char* name, const SceneView::Style& style) {
        run.frames.push_back({name, view.renderFrame(gl, camera, style)});
        log << "rendered " << name << "\n";
    };
    addFrame("1-plain", plain);
    {
        const HighlightScope highlight(view, *scene.ball, Vuro::GL::HLMode0);
        SceneView::Style style = plain;
        style.hlMask0 = highlightMask;
        addFrame("2-highlight-mode0", style);
    }
    {
        const HighlightScope highlight(view, *scene.cart, Vuro::GL::HLMode1);
        SceneView::Style style = plain;
        style.hlMask1 = highlightMask;
        addFrame("3-highlight-mode1", style);
    }
    {
        SceneView::Style style = plain;
        style.transpMode = 3;
        addFrame("4-depth-peeling", style);
    }

    const GLS::Isect::Hit hit = view.pick(camera, run.picked.x, run.picked.y);
    if (hit.node) {
        run.hitClassId = hit.node->getClassId();
        run.hitName = hit.node->getSimNode()->getName();
        run.hitBlock = hit.node->getSimNode().get() == scene.block.get();
        log << "picked at (" << run.picked.x << ", " << run.picked.y
            << "): " << className(run.hitClassId) << " node (class " << run.hitClassId << ") of '"
            << run.hitName << "'\n";
    } else {
        log << "picked at (" << run.picked.x << ", " << run.picked.y << "): nothing\n";
    }

    OrbitCamera::Pick grab = camera.pickAt(run.picked.x, run.picked.y);
    GLS::Project& project = view.getProject();
    DragScope dragging(project);
    run.grabbed = project.startDrag(grab.segment, grab.frustum);
    log << "drag " << (run.grabbed ? "grabbed a body" : "grabbed nothing") << "\n";
    if (run.grabbed) {
        project.drag(dragOffset);
        // The model's kinematic step lets the driver move the dragged body.
        scene.getModel()->step();
        view.update();
        const HighlightScope highlight(view, *scene.block, Vuro::GL::HLMode0);
        SceneView::Style style = plain;
        style.hlMask0 = highlightMask;
        addFrame("5-dragged", style);
    } else {
        addFrame("5-dragged", plain);
    }
    dragging.stop();
    run.moved = originPixel(camera, *scene.block);
    return run;
}

} // namespace SimGLDemo

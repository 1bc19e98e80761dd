#include "Renderer.h"

#include "Framing.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Node.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/Project.h>
#include <ostra_sim/Sensor.h>
#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/gl/HeadlessContext.h>
#include <tolu/math3d/DegreeT.h>
#include <tolu/util/Error.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/DirectionalLight.h>
#include <vuro_gl/gl/IsectContext.h>

#include <EGL/egl.h>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>

namespace SimGLPy {

namespace {

namespace GLS = Ostra::Sim::GL;
using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;
using C4 = Tolu::Vector4T<float>;

// Frames show what simgl-render shows (showMask); picks test what a frame shows.
using SimGLRender::downsample;
using SimGLRender::findByName;
using SimGLRender::highlightMask;
using SimGLRender::showMask;

double radians(double degrees) {
    return Tolu::DegreeT<double>(degrees).toRadians();
}

const char* kindName(GLS::ClassId id) {
    switch (id) {
    case GLS::ClassIdBody:
        return "body";
    case GLS::ClassIdTrack:
        return "track";
    case GLS::ClassIdJoint:
        return "joint";
    case GLS::ClassIdJointTrack:
        return "joint_track";
    case GLS::ClassIdSensorTrack:
        return "sensor_track";
    }
    return "node";
}

struct Part {
    unsigned bit;
    const char* name;
};
constexpr Part parts[] = {{GLS::BodyGeo, "geometry"},       {GLS::TrackPath, "track_path"},
                          {GLS::JointLines, "joint_lines"}, {GLS::BodyFrame, "body_frame"},
                          {GLS::JointFrame, "joint_frame"}, {GLS::SensorGrips, "sensor_grips"}};

// Pixels and offsets feed the pick volume and the drag offset: a NaN would move a body
// to nowhere.
void requireFinite(const char* function, std::initializer_list<double> values) {
    for (const double v : values) {
        if (!std::isfinite(v)) {
            throw Tolu::Error(std::string(function) + ": a pixel coordinate or offset is " +
                              std::to_string(v));
        }
    }
}

} // namespace

std::mutex& glMutex() {
    static std::mutex mutex;
    return mutex;
}

void releaseCurrentContext() noexcept {
    if (const EGLDisplay display = eglGetCurrentDisplay(); display != EGL_NO_DISPLAY) {
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
}

// Declared in the order they are made; the destructor tears them down with the
// context current, the class map after the project and the context last.
struct Renderer::Gl {
    Tolu::GL::HeadlessContext context;
    Vuro::GL::ClassMap classMap;
    Tolu::RefT<GLS::Project> project;
    Vuro::GL::Context renderContext;

    Gl(int width, int height)
        : context(width, height), project(Tolu::makeRef<GLS::Project>(classMap)) {}
    ~Gl() {
        try {
            context.makeCurrent();
        } catch (...) {
            // Nothing better to do: the objects below are freed without a context.
        }
    }
};

// The fitted camera with what picking needs of it.
struct Renderer::View : SimGLRender::Framing {};

Renderer::Renderer(std::shared_ptr<SceneHandle> scene, int width, int height, unsigned msaa)
    : scene(std::move(scene)), width(width), height(height), msaa(msaa), side(1) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        throw Tolu::Error("Renderer: the size " + std::to_string(width) + "x" +
                          std::to_string(height) + " is not within 1..16384");
    }
    if (msaa < 1 || msaa > 16) {
        throw Tolu::Error("Renderer: msaa " + std::to_string(msaa) + " is not within 1..16");
    }
    side = SimGLRender::gridSide(msaa);
    gl = std::make_unique<Gl>(width * side, height * side);
}

Renderer::~Renderer() = default;

void Renderer::sync() {
    gl->context.makeCurrent();
    if (shown != scene->getData()) {
        // Take the new model before letting go of the old one the project mirrors.
        std::shared_ptr<SceneData> next = scene->getData();
        gl->project->set(next->scene.model);
        shown = std::move(next);
    }
    (void)gl->project->update();
}

Renderer::View Renderer::place() {
    if (!(fovy > 0 && fovy < 180)) {
        throw Tolu::Error("Renderer: fov " + std::to_string(fovy) + " is not within (0, 180)");
    }
    const unsigned hlMask0 = highlights.empty() ? 0 : highlightMask;
    return {SimGLRender::frameView(camera,
                                   SimGLRender::fitSphere(*gl->project, gl->renderContext, hlMask0),
                                   fovy, width, height)};
}

CameraPlace Renderer::fittedCamera() {
    sync();
    applyHighlights();
    const std::optional<CameraPlace> saved = camera;
    camera.reset();
    const View view = place();
    camera = saved;
    return view.camera;
}

void Renderer::applyHighlights() {
    GLS::Project& project = *gl->project;
    project.setHighlight(Vuro::GL::HLMode0, false, true);
    for (const std::string& name : highlights) {
        Ostra::Sim::Node* simNode = findByName(*shown->scene.model, name);
        const Tolu::RefT<GLS::Node> node = simNode ? project.find(simNode) : nullptr;
        if (!node) {
            throw Tolu::Error("Renderer: no shown body, joint or sensor is named \"" + name +
                              "\" (highlights)");
        }
        node->setHighlight(Vuro::GL::HLMode0, true, false);
    }
}

Tolu::GL::Image Renderer::render() {
    sync();
    applyHighlights();
    const View view = place();
    using namespace Tolu::GL;
    const int w = width * side;
    const int h = height * side;
    const GLuint fbo = gl->context.getFramebuffer();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, w, h);
    glClearColor(0.80f, 0.86f, 0.92f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const Vuro::GL::DirectionalLight light{{0.5f, 0.35f, -1.0f}, {1, 1, 1}, 0.4f};
    const M4 identity;
    GLS::render(gl->renderContext, *gl->project, {}, fbo, unsigned(w), unsigned(h), showMask, 0,
                highlights.empty() ? 0 : highlightMask, view.view, view.projection, light, shadows,
                transparency, 0.04 * h, double(h), unsigned(3 * side), C4{0.1f, 0.9f, 1.0f, 1.0f},
                C4{1.0f, 0.5f, 0.0f, 1.0f}, identity, identity);
    if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
        throw Tolu::GL::Error("Renderer.render: OpenGL error " + std::to_string(error));
    }
    return downsample(gl->context.readPixels(), side);
}

namespace {

struct PickVolume {
    Tolu::Segment3T<double> segment;
    Tolu::FrustumT<double> frustum;
};

// The line through the centre of pixel (x, y) from the near to the far plane, and a
// frustum three pixels around it: what a pick and a grab test against.
template <class View>
PickVolume pickAt(const View& view, double fovy, int height, int width, double x, double y) {
    const double pixel = 2 * view.nearClip * std::tan(radians(fovy) / 2) / height;
    const double ex = (x + 0.5 - width / 2.0) * pixel;
    const double ey = (height / 2.0 - (y + 0.5)) * pixel;
    const double half = 3 * pixel;
    const M4 worldFromEye = view.view.inverse();
    const double toFar = view.farClip / view.nearClip;
    return {Tolu::Segment3T<double>(
                worldFromEye.transformAffine(V3(ex, ey, -view.nearClip)),
                worldFromEye.transformAffine(V3(ex * toFar, ey * toFar, -view.farClip))),
            Tolu::FrustumT<double>(ex - half, ex + half, ey - half, ey + half, view.nearClip,
                                   view.farClip, worldFromEye)};
}

} // namespace

std::optional<PickResult> Renderer::pick(double x, double y) {
    requireFinite("Renderer.pick", {x, y});
    sync();
    applyHighlights();
    const View view = place();
    const auto probe = [&](unsigned mask) {
        PickVolume volume = pickAt(view, fovy, height, width, x, y);
        GLS::Isect::Context query(Vuro::GL::allModes, mask, Vuro::GL::Isect::FlagNone, {});
        GLS::Isect::Hit hit;
        gl->project->isect(volume.segment, volume.frustum, query, hit);
        return hit;
    };
    const GLS::Isect::Hit hit = probe(showMask);
    if (!hit.node) {
        return std::nullopt;
    }
    PickResult result;
    result.kind = kindName(hit.node->getClassId());
    result.name = hit.node->getSimNode()->getName();
    result.point = hit.pos;
    result.normal = hit.normal;
    result.scene = shown;
    // The hit does not say which part it met: the part is the one that alone gives it.
    for (const Part& part : parts) {
        const GLS::Isect::Hit alone = probe(part.bit);
        if (alone.node == hit.node && (alone.pos - hit.pos).length() <= 1e-9 * (1 + view.farClip)) {
            result.part = part.name;
            break;
        }
    }
    return result;
}

bool Renderer::drag(double x, double y, double dx, double dy) {
    requireFinite("Renderer.drag", {x, y, dx, dy});
    sync();
    applyHighlights();
    const View view = place();
    GLS::Project& project = *gl->project;
    PickVolume grab = pickAt(view, fovy, height, width, x, y);
    if (!project.startDrag(grab.segment, grab.frustum)) {
        return false;
    }
    // The drag ends however this returns, so that the drivers' states are not left active.
    struct Stop {
        GLS::Project& project;
        bool done = false;
        ~Stop() {
            if (!done) {
                try {
                    project.stopDrag();
                } catch (...) {
                    // Already leaving with an error; it is the one to report.
                }
            }
        }
    } stop{project};
    const V3 planePoint = project.getTouchPos();
    const V3 planeNormal = (view.camera.target - view.camera.eye).normalized();
    const auto onPlane = [&](double px, double py) {
        const PickVolume line = pickAt(view, fovy, height, width, px, py);
        const V3 p0 = line.segment.getP0();
        const V3 direction = line.segment.getDirection();
        // Every pixel's line runs away from the eye: never parallel to a plane facing it.
        const double t = planeNormal.dot(planePoint - p0) / planeNormal.dot(direction);
        return p0 + direction * t;
    };
    // Offsets from the pressed pixel's own line, so that a zero offset moves nothing.
    project.drag(onPlane(x + dx, y + dy) - onPlane(x, y));
    // The drivers move bodies only in a model step.
    shown->scene.model->step();
    stop.done = true;
    project.stopDrag();
    (void)project.update();
    return true;
}

} // namespace SimGLPy

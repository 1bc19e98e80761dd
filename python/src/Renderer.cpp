#include "Renderer.h"

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

// As simgl-render draws: everything but prototype boxes and the frames of bodies with
// geometry; highlighted objects show all their parts. Picks test what a frame shows.
constexpr unsigned showMask = 0x6F;
constexpr unsigned highlightMask = 0x7F;
constexpr double fitYaw = -62;
constexpr double fitPitch = 30;

double radians(double degrees) {
    return Tolu::DegreeT<double>(degrees).toRadians();
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

Tolu::GL::Image downsample(const Tolu::GL::Image& big, int side) {
    if (side == 1) {
        return big;
    }
    Tolu::GL::Image small;
    small.width = big.width / side;
    small.height = big.height / side;
    small.rgba.resize(std::size_t(small.width) * std::size_t(small.height) * 4);
    const int count = side * side;
    for (std::size_t y = 0; y < std::size_t(small.height); ++y) {
        for (std::size_t x = 0; x < std::size_t(small.width); ++x) {
            for (std::size_t c = 0; c < 4; ++c) {
                int sum = 0;
                for (std::size_t dy = 0; dy < std::size_t(side); ++dy) {
                    for (std::size_t dx = 0; dx < std::size_t(side); ++dx) {
                        sum += big.rgba[((y * std::size_t(side) + dy) * std::size_t(big.width) +
                                         x * std::size_t(side) + dx) *
                                            4 +
                                        c];
                    }
                }
                small.rgba[(y * std::size_t(small.width) + x) * 4 + c] =
                    static_cast<std::uint8_t>((sum + count / 2) / count);
            }
        }
    }
    return small;
}

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

struct Renderer::View {
    M4 view;
    M4 projection;
    V3 eye;
    V3 target;
    double nearClip;
    double farClip;
};

Renderer::Renderer(std::shared_ptr<SceneHandle> scene, int width, int height, unsigned msaa)
    : scene(std::move(scene)), width(width), height(height), msaa(msaa), side(1) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        throw Tolu::Error("Renderer: the size " + std::to_string(width) + "x" +
                          std::to_string(height) + " is not within 1..16384");
    }
    if (msaa < 1 || msaa > 16) {
        throw Tolu::Error("Renderer: msaa " + std::to_string(msaa) + " is not within 1..16");
    }
    while (unsigned(side * side) < msaa) {
        ++side;
    }
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
    const unsigned hlMask0 = highlights.empty() ? 0 : highlightMask;
    // The view fits the geometry and track paths: joint frames reach a metre out whatever
    // the model's size, so a small robot would fill a corner. Overlays alone where there is
    // no geometry.
    auto sphere = gl->project->getBSphere(gl->renderContext, GLS::BodyGeo | GLS::TrackPath, 0, 0);
    if (!sphere.valid) {
        sphere = gl->project->getBSphere(gl->renderContext, showMask, 0, hlMask0);
    }
    if (!(fovy > 0 && fovy < 180)) {
        throw Tolu::Error("Renderer: fov " + std::to_string(fovy) + " is not within (0, 180)");
    }
    const double aspect = double(width) / double(height);
    const V3 centre = sphere.valid ? sphere.centre : V3();
    const double radius = sphere.valid && sphere.radius > 0 ? sphere.radius : 1.0;
    CameraPlace where;
    if (camera) {
        where = *camera;
    } else {
        // Far enough that the sphere fits the narrower of the two view angles.
        const double halfY = radians(fovy) / 2;
        const double halfX = std::atan(std::tan(halfY) * aspect);
        const double distance = radius / std::sin(std::min(halfX, halfY)) * 1.05;
        const double yaw = radians(fitYaw);
        const double pitch = radians(fitPitch);
        where.target = centre;
        where.eye = centre + V3(std::cos(pitch) * std::cos(yaw), std::cos(pitch) * std::sin(yaw),
                                std::sin(pitch)) *
                                 distance;
    }
    // Clip planes just around the scene, so depth precision goes where the scene is.
    const double distance = (centre - where.eye).length();
    const double nearClip = std::max(distance - radius * 1.2, radius * 1e-3);
    const double farClip = std::max(distance + radius * 1.2, nearClip * 2);
    return {M4::lookAt(where.eye, where.target, where.up),
            M4::perspective(radians(fovy), aspect, nearClip, farClip),
            where.eye,
            where.target,
            nearClip,
            farClip};
}

CameraPlace Renderer::fittedCamera() {
    sync();
    applyHighlights();
    const std::optional<CameraPlace> saved = camera;
    camera.reset();
    const View view = place();
    camera = saved;
    return {view.eye, view.target, {0, 0, 1}};
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
    const V3 planeNormal = (view.target - view.eye).normalized();
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

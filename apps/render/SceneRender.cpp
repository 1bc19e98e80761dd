#include "SceneRender.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Node.h>
#include <sim_gl/Project.h>

#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/gl/HeadlessContext.h>
#include <tolu/math3d/DegreeT.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/util/Error.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/DirectionalLight.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace SimGLRender {

namespace {

namespace GLS = Ostra::Sim::GL;
using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;
using C4 = Tolu::Vector4T<float>;

// What a frame shows: everything but prototype boxes and the frames of bodies with
// geometry; highlighted objects show all their parts, their frames included.
constexpr unsigned showMask = 0x6F;
constexpr unsigned highlightMask = 0x7F;
// The fitted view: from the front left, raised, like the demo's camera.
constexpr double fitYaw = -62;
constexpr double fitPitch = 30;

double radians(double degrees) {
    return Tolu::DegreeT<double>(degrees).toRadians();
}

/// The sample count's side: n samples are taken as the smallest square grid that holds them.
int gridSide(unsigned samples) {
    int side = 1;
    while (unsigned(side * side) < samples) {
        ++side;
    }
    return side;
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

struct View {
    M4 view;
    M4 projection;
};

View place(const RenderArgs& args, const Tolu::BSphereT<double>& sphere) {
    const double aspect = double(args.width) / double(args.height);
    const V3 centre = sphere.valid ? sphere.centre : V3();
    const double radius = sphere.valid && sphere.radius > 0 ? sphere.radius : 1.0;
    CameraPlace camera;
    if (args.camera) {
        camera = *args.camera;
    } else {
        // Far enough that the sphere fits the narrower of the two view angles.
        const double halfY = radians(args.fovy) / 2;
        const double halfX = std::atan(std::tan(halfY) * aspect);
        const double distance = radius / std::sin(std::min(halfX, halfY)) * 1.05;
        const double yaw = radians(fitYaw);
        const double pitch = radians(fitPitch);
        camera.target = centre;
        camera.eye = centre + V3(std::cos(pitch) * std::cos(yaw), std::cos(pitch) * std::sin(yaw),
                                 std::sin(pitch)) *
                                  distance;
    }
    // Clip planes just around the scene, so depth precision goes where the scene is.
    const double distance = (centre - camera.eye).length();
    const double nearClip = std::max(distance - radius * 1.2, radius * 1e-3);
    const double farClip = std::max(distance + radius * 1.2, nearClip * 2);
    return {M4::lookAt(camera.eye, camera.target, camera.up),
            M4::perspective(radians(args.fovy), aspect, nearClip, farClip)};
}

Tolu::GL::Image downsample(const Tolu::GL::Image& big, int side) {
    if (side == 1) {
        return big;
    }
    Tolu::GL::Image small;
    small.width = big.width / side;
    small.height = big.height / side;
    small.rgba.resize(std::size_t(small.width) * std::size_t(small.height) * 4);
    const int count = side * side;
    for (int y = 0; y < small.height; ++y) {
        for (int x = 0; x < small.width; ++x) {
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int dy = 0; dy < side; ++dy) {
                    for (int dx = 0; dx < side; ++dx) {
                        sum += big.rgba[(std::size_t(y * side + dy) * std::size_t(big.width) +
                                         std::size_t(x * side + dx)) *
                                            4 +
                                        std::size_t(c)];
                    }
                }
                small.rgba[(std::size_t(y) * std::size_t(small.width) + std::size_t(x)) * 4 +
                           std::size_t(c)] = static_cast<std::uint8_t>((sum + count / 2) / count);
            }
        }
    }
    return small;
}

} // namespace

struct SceneRenderer::State {
    State(const Ostra::IO::Scene& scene, const RenderArgs& args)
        : args(args), side(gridSide(args.msaa)), gl(args.width * side, args.height * side),
          model(scene.model), project(Tolu::makeRef<GLS::Project>(classMap)) {}

    RenderArgs args;
    int side;
    Tolu::GL::HeadlessContext gl;
    // Held here too, so the mirrored model cannot go while frames are drawn.
    Tolu::RefT<Ostra::Sim::Project> model;
    // The class map outlives the project; the render context's objects go first.
    Vuro::GL::ClassMap classMap;
    Tolu::RefT<GLS::Project> project;
    Vuro::GL::Context context;
    unsigned hlMask0 = 0;
    std::optional<View> view;
};

SceneRenderer::SceneRenderer(const Ostra::IO::Scene& scene, const RenderArgs& args)
    : state(std::make_unique<State>(scene, args)) {
    State& s = *state;
    s.project->set(s.model);
    (void)s.project->update();
    for (const std::string& name : args.highlights) {
        Ostra::Sim::Node* simNode = s.model ? findByName(*s.model, name) : nullptr;
        const Tolu::RefT<GLS::Node> node = simNode ? s.project->find(simNode) : nullptr;
        if (!node) {
            throw Tolu::Error("--highlight: no shown body, joint or sensor is named \"" + name +
                              "\"");
        }
        node->setHighlight(Vuro::GL::HLMode0, true, false);
    }
    s.hlMask0 = args.highlights.empty() ? 0 : highlightMask;
}

SceneRenderer::~SceneRenderer() = default;

void SceneRenderer::update() {
    // The mirror may free GL objects of its nodes: they belong to this context.
    if (!state->gl.isCurrent()) {
        state->gl.makeCurrent();
    }
    (void)state->project->update();
}

Tolu::GL::Image SceneRenderer::render() {
    State& s = *state;
    if (!s.gl.isCurrent()) {
        s.gl.makeCurrent();
    }
    if (!s.view) {
        s.view = place(s.args, s.project->getBSphere(s.context, showMask, 0, s.hlMask0));
    }
    const int width = s.args.width * s.side;
    const int height = s.args.height * s.side;

    using namespace Tolu::GL;
    const GLuint fbo = s.gl.getFramebuffer();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, width, height);
    glClearColor(0.80f, 0.86f, 0.92f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const Vuro::GL::DirectionalLight light{{0.5f, 0.35f, -1.0f}, {1, 1, 1}, 0.4f};
    const M4 identity;
    GLS::render(s.context, *s.project, {}, fbo, unsigned(width), unsigned(height), showMask, 0,
                s.hlMask0, s.view->view, s.view->projection, light, s.args.shadows,
                s.args.transparency, 0.04 * height, double(height), unsigned(3 * s.side),
                C4{0.1f, 0.9f, 1.0f, 1.0f}, C4{1.0f, 0.5f, 0.0f, 1.0f}, identity, identity);
    if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
        throw Tolu::GL::Error("simgl-render: OpenGL error " + std::to_string(error));
    }
    return downsample(s.gl.readPixels(), s.side);
}

int SceneRenderer::getWidth() const noexcept {
    return state->args.width;
}

int SceneRenderer::getHeight() const noexcept {
    return state->args.height;
}

Tolu::GL::Image renderScene(const Ostra::IO::Scene& scene, const RenderArgs& args) {
    SceneRenderer renderer(scene, args);
    return renderer.render();
}

} // namespace SimGLRender

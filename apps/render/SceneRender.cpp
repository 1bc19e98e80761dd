#include "SceneRender.h"

#include "Framing.h"

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
    std::optional<Framing> view;
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
        s.view = frameView(s.args.camera, fitSphere(*s.project, s.context, s.hlMask0), s.args.fovy,
                           s.args.width, s.args.height);
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

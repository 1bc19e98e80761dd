#include "SceneView.h"

#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <vuro_gl/gl/IsectContext.h>

#include <string>

namespace SimGLDemo {

namespace GLS = Ostra::Sim::GL;
using namespace Tolu::GL;

namespace {

// Display-mask parts that picking tests: geometry, track paths, joint points, body frames.
constexpr unsigned pickMask = 0x1F;

} // namespace

SceneView::SceneView(const Tolu::RefT<Ostra::Sim::Project>& model)
    : project(Tolu::makeRef<GLS::Project>(classMap)) {
    project->set(model);
    update();
}

SceneView::~SceneView() = default;

void SceneView::update() {
    (void)project->update();
}

Image SceneView::renderFrame(HeadlessContext& gl, const OrbitCamera& camera, const Style& style) {
    const auto width = static_cast<unsigned>(camera.getWidth());
    const auto height = static_cast<unsigned>(camera.getHeight());
    const GLuint fbo = gl.getFramebuffer();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glClearColor(style.background.x, style.background.y, style.background.z, style.background.w);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The mask matrices are identities: highlighted parts are outlined where they are.
    const Tolu::Matrix4x4T<double> identity;
    const double hudHeight = height;
    GLS::render(context, *project, {}, fbo, width, height, style.mask, style.hlMask1, style.hlMask0,
                camera.getView(), camera.getProjection(), style.light, style.shadows,
                style.transpMode, style.hudShare * hudHeight, hudHeight, style.hlWidth,
                style.hlColor1, style.hlColor0, identity, identity);
    if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
        throw Error("SceneView::renderFrame: OpenGL error " + std::to_string(error));
    }
    return gl.readPixels();
}

GLS::Isect::Hit SceneView::pick(const OrbitCamera& camera, int x, int y) {
    OrbitCamera::Pick volume = camera.pickAt(x, y);
    GLS::Isect::Context query(Vuro::GL::allModes, pickMask, Vuro::GL::Isect::FlagNone, {});
    GLS::Isect::Hit hit;
    project->isect(volume.segment, volume.frustum, query, hit);
    return hit;
}

} // namespace SimGLDemo

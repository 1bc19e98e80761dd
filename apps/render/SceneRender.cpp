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

Tolu::GL::Image renderScene(const Ostra::IO::Scene& scene, const RenderArgs& args) {
    const int side = gridSide(args.msaa);
    const int width = args.width * side;
    const int height = args.height * side;
    Tolu::GL::HeadlessContext gl(width, height);
    Tolu::GL::Image image;
    {
        // The class map outlives the project; the render context's objects go first.
        Vuro::GL::ClassMap classMap;
        auto project = Tolu::makeRef<GLS::Project>(classMap);
        project->set(scene.model);
        (void)project->update();
        Vuro::GL::Context context;
        for (const std::string& name : args.highlights) {
            Ostra::Sim::Node* simNode = findByName(*scene.model, name);
            const Tolu::RefT<GLS::Node> node = simNode ? project->find(simNode) : nullptr;
            if (!node) {
                throw Tolu::Error("--highlight: no shown body, joint or sensor is named \"" + name +
                                  "\"");
            }
            node->setHighlight(Vuro::GL::HLMode0, true, false);
        }
        const unsigned hlMask0 = args.highlights.empty() ? 0 : highlightMask;
        const View view = place(args, project->getBSphere(context, showMask, 0, hlMask0));

        using namespace Tolu::GL;
        const GLuint fbo = gl.getFramebuffer();
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glViewport(0, 0, width, height);
        glClearColor(0.80f, 0.86f, 0.92f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const Vuro::GL::DirectionalLight light{{0.5f, 0.35f, -1.0f}, {1, 1, 1}, 0.4f};
        const M4 identity;
        GLS::render(context, *project, {}, fbo, unsigned(width), unsigned(height), showMask, 0,
                    hlMask0, view.view, view.projection, light, args.shadows, args.transparency,
                    0.04 * height, double(height), unsigned(3 * side), C4{0.1f, 0.9f, 1.0f, 1.0f},
                    C4{1.0f, 0.5f, 0.0f, 1.0f}, identity, identity);
        if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
            throw Tolu::GL::Error("simgl-render: OpenGL error " + std::to_string(error));
        }
        image = gl.readPixels();
    }
    return downsample(image, side);
}

} // namespace SimGLRender

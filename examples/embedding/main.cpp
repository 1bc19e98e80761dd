// A host that embeds the scene layer: it owns a simulation model and a scene project,
// and each frame brings the scene up to date, draws it, picks under the pointer and drags.
// Headless, so that it runs as a test; a windowed host makes its own context current
// instead of the HeadlessContext and draws into its window's framebuffer.
#include <sim_gl/Functions.h>
#include <sim_gl/Node.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/Project.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/gl/HeadlessContext.h>
#include <tolu/math3d/FrustumT.h>
#include <tolu/math3d/Segment3T.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/DirectionalLight.h>
#include <vuro_gl/gl/IsectContext.h>

#include <cmath>
#include <cstdio>

namespace GLS = Ostra::Sim::GL;
using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;

namespace {

constexpr int width = 320;
constexpr int height = 240;
constexpr double fovy = 0.7; // radians
constexpr double nearClip = 1;
constexpr double farClip = 50;
const V3 eye{0, -10, 0};
const V3 target{0, 0, 0};

//! [pick]
// The line through the centre of pixel (x, y), counted from the top left, from the near
// to the far plane, and a frustum three pixels around it.
struct PickVolume {
    Tolu::Segment3T<double> segment;
    Tolu::FrustumT<double> frustum;
};

PickVolume pickAt(const M4& view, double x, double y) {
    const double pixel = 2 * nearClip * std::tan(fovy / 2) / height;
    const double ex = (x + 0.5 - width / 2.0) * pixel;
    const double ey = (height / 2.0 - (y + 0.5)) * pixel;
    const M4 worldFromEye = view.inverse();
    const double toFar = farClip / nearClip;
    return {{worldFromEye.transformAffine(V3(ex, ey, -nearClip)),
             worldFromEye.transformAffine(V3(ex * toFar, ey * toFar, -farClip))},
            {ex - 3 * pixel, ex + 3 * pixel, ey - 3 * pixel, ey + 3 * pixel, nearClip, farClip,
             worldFromEye}};
}
//! [pick]

} // namespace

int main() {
    //! [setup]
    // The OpenGL context first: it must be current whenever the scene is updated, drawn
    // or destroyed, because nodes make and delete their OpenGL objects then.
    Tolu::GL::HeadlessContext gl(width, height);

    // The host's simulation model: a box, and a driver through which the user drags it.
    auto model = Tolu::makeRef<Ostra::Sim::Project>();
    auto box = Tolu::makeRef<Ostra::Sim::Body>(Ostra::Sim::SrcRef("box"));
    box->setProto(Vuro::makeBox({2, 2, 2}, {0.9f, 0.5f, 0.2f, 1}));
    model->addBody(box);
    auto mouse = Tolu::makeRef<Ostra::Sim::PortDrvUI>(Ostra::Sim::SrcRef("mouse"));
    mouse->setEnabled(true);
    mouse->setCanAll(true);
    model->addPortDrv(mouse);

    // The class map outlives the scene project; the render context keeps shaders and
    // shadow maps between frames.
    Vuro::GL::ClassMap classMap;
    auto scene = Tolu::makeRef<GLS::Project>(classMap);
    scene->set(model);
    Vuro::GL::Context context;
    //! [setup]

    const M4 view = M4::lookAt(eye, target, {0, 0, 1});
    const M4 projection = M4::perspective(fovy, double(width) / height, nearClip, farClip);
    for (int frame = 0; frame < 3; ++frame) {
        //! [frame]
        // 1. Bring the scene into line with the model, after the model changed.
        (void)scene->update();
        // 2. Draw: what the masks select, from the camera, into the framebuffer.
        const unsigned fbo = gl.getFramebuffer();
        Tolu::GL::glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        Tolu::GL::glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const unsigned mask = GLS::BodyGeo | GLS::JointLines | GLS::JointFrame;
        GLS::render(context, *scene, {}, fbo, width, height, mask, 0, 0x7F, view, projection,
                    Vuro::GL::DirectionalLight{}, true, 1, 0.04 * height, height, 3,
                    {0.1f, 0.9f, 1, 1}, {1, 0.5f, 0, 1}, M4(), M4());
        // 3. Pick under the pointer and highlight what is there.
        PickVolume volume = pickAt(view, width / 2.0, height / 2.0);
        GLS::Isect::Context query(Vuro::GL::allModes, mask, Vuro::GL::Isect::FlagNone);
        GLS::Isect::Hit hit;
        scene->isect(volume.segment, volume.frustum, query, hit);
        scene->setHighlight(Vuro::GL::HLMode0, false, true);
        if (hit.node) {
            hit.node->setHighlight(Vuro::GL::HLMode0, true, false);
        }
        // 4. Drag: grab at the pointer, move, let the model step, let go.
        PickVolume grab = pickAt(view, width / 2.0, height / 2.0);
        if (scene->startDrag(grab.segment, grab.frustum)) {
            scene->drag({0.5, 0, 0}); // world offset from the grab point
            model->step();            // the drivers move their bodies in a model step
            scene->stopDrag();
        }
        //! [frame]
        if (!hit.node || hit.node->getSimNode() != box) {
            std::fprintf(stderr, "embedding: frame %d picked nothing at the centre\n", frame);
            return 1;
        }
    }
    const double x = box->getTransform().getTranslation().x;
    std::printf("embedding: the box moved to x = %.2f\n", x);
    return std::abs(x - 1.5) < 1e-6 ? 0 : 1;
}

// Our side: the scene layer over the simulation model, drawn by the render library into a
// headless OpenGL 3.3 core context.

#include "PeerScenes.h"

#include <sim_gl/Body.h>
#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/Project.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/HeadlessContext.h>
#include <tolu/gl/ScopedFunctions.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/IsectContext.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace Peers {

namespace {

namespace GL = Ostra::Sim::GL;
using M4 = Tolu::Matrix4x4T<double>;

class Ours final : public Library {
public:
    explicit Ours(const Grid& grid) : gl(width, height), grid(grid) {
        model = Tolu::makeRef<Ostra::Sim::Project>();
        project = Tolu::makeRef<GL::Project>(classMap);
        project->set(model);
        const auto box = Vuro::makeBox({1.0f, 1.0f, 0.5f}, {0.8f, 0.3f, 0.2f, 1.0f});
        for (int i = 0; i < grid.n; ++i) {
            auto body = Tolu::makeRef<Ostra::Sim::Body>();
            body->setProto(box);
            double p[3];
            grid.position(i, p);
            body->setTransform(M4::translation({p[0], p[1], p[2]}));
            model->addBody(body);
            bodies.push_back(body);
            nodes.emplace_back(new GL::Body(*project, *body));
        }
        auto driver = Tolu::makeRef<Ostra::Sim::PortDrvUI>();
        driver->setCanAll(true);
        model->addPortDrv(driver);
        project->update();
        const double tanHalf = std::tan(0.5 * fovyDegrees * std::numbers::pi / 180.0);
        pixel = 2.0 * nearPlane * tanHalf / height;
        eyeToWorld = M4::translation({grid.centre[0], grid.centre[1], grid.eyeHeight});
        view = eyeToWorld.inverse();
        projection = M4::perspective(fovyDegrees * std::numbers::pi / 180.0, double(width) / height,
                                     nearPlane, grid.eyeHeight + 10.0);
    }
    ~Ours() override {
        makeCurrent();
        nodes.clear();
        project = nullptr;
        context.releaseGL();
    }

    void makeCurrent() override { gl.makeCurrent(); }

    void moveAll(bool thenUpdate) override {
        step = -step;
        const auto by = M4::translation({step, 0.0, 0.0});
        for (const auto& body : bodies)
            body->setTransform(by * body->getTransform());
        if (thenUpdate)
            project->update();
    }

    double run(Op op) override {
        switch (op) {
        case Op::UpdateUnchanged:
        case Op::UpdateAfterMove:
            project->update();
            return 0;
        case Op::RayPick:
        case Op::FrustumPick: {
            auto [segment, frustum] = pick(op == Op::RayPick ? 1.0 : 5.0);
            Vuro::GL::Isect::Context ctx(Vuro::GL::allModes, 0x1B, Vuro::GL::Isect::FlagNone);
            GL::Isect::Hit hit;
            project->isect(segment, frustum, ctx, hit);
            return hit.pos.z;
        }
        case Op::BSphere:
        case Op::BSphereAfterMove:
            return project->getBSphere(context, 0x19, 0, 0).radius;
        case Op::DragStep:
            if (!project->isDrag()) {
                auto [segment, frustum] = pick(1.0);
                project->startDrag(segment, frustum);
            }
            dragSign = -dragSign;
            project->drag({1e-3 * dragSign, 0.0, 0.0});
            return 0;
        case Op::StartDrag: {
            auto [segment, frustum] = pick(1.0);
            return project->startDrag(segment, frustum) ? 1 : 0;
        }
        case Op::FrameNoShadows:
        case Op::FrameShadows:
            frame(op == Op::FrameShadows);
            return 0;
        }
        return 0;
    }

private:
    // The volume under `pixels` x `pixels` pixels at the image centre.
    std::pair<Tolu::Segment3T<double>, Tolu::FrustumT<double>> pick(double pixels) const {
        const double h = 0.5 * pixels * pixel;
        const double far = grid.eyeHeight + 10.0;
        return {Tolu::Segment3T<double>(eyeToWorld.transformAffine({0, 0, -nearPlane}),
                                        eyeToWorld.transformAffine({0, 0, -far})),
                Tolu::FrustumT<double>(-h, h, -h, h, nearPlane, far, eyeToWorld)};
    }

    void frame(bool shadows) {
        Tolu::GL::ScopedFunctions real(Tolu::GL::loadedFunctions());
        // Geometry only (BodyGeo): the peers draw the boxes and nothing else, no frames.
        GL::render(context, *project, {}, gl.getFramebuffer(), width, height, 0x01, 0, 0, view,
                   projection, Vuro::GL::DirectionalLight(), shadows, 0, 30.0, double(height), 3,
                   {0, 1, 1, 1}, {1, 0.5f, 0, 1}, M4(), M4());
        Tolu::GL::glFinish();
    }

    static constexpr double nearPlane = 1.0;
    Tolu::GL::HeadlessContext gl;
    Grid grid;
    Vuro::GL::ClassMap classMap;
    Vuro::GL::Context context;
    Tolu::RefT<Ostra::Sim::Project> model;
    Tolu::RefT<GL::Project> project;
    std::vector<Tolu::RefT<Ostra::Sim::Body>> bodies;
    std::vector<Tolu::RefT<GL::Body>> nodes;
    double pixel = 0;
    double step = 1e-3;
    double dragSign = 1;
    M4 eyeToWorld;
    M4 view;
    M4 projection;
};

} // namespace

std::unique_ptr<Library> makeOurs(const Grid& grid) {
    return std::make_unique<Ours>(grid);
}

} // namespace Peers

// The physics engine's side: a model of free-floating boxes, its abstract scene, selection
// and perturbation, and its fixed-function renderer.

#include "PeerScenes.h"

#include <GL/gl.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mujoco/mujoco.h>
#include <sstream>
#include <stdexcept>
#include <string>

namespace Peers {

namespace {

std::string modelXml(const Grid& grid) {
    std::ostringstream xml;
    xml << "<mujoco><visual><global offwidth=\"" << width << "\" offheight=\"" << height
        << "\" fovy=\"" << fovyDegrees << "\"/><quality shadowsize=\"2048\"/></visual>"
        << "<worldbody><light directional=\"true\" castshadow=\"true\" pos=\"0 0 50\" "
           "dir=\"0.3 0.2 -1\"/>";
    for (int i = 0; i < grid.n; ++i) {
        double p[3];
        grid.position(i, p);
        xml << "<body pos=\"" << p[0] << ' ' << p[1] << ' ' << p[2] << "\"><freejoint/>"
            << "<geom type=\"box\" size=\"" << boxHalf[0] << ' ' << boxHalf[1] << ' ' << boxHalf[2]
            << "\" rgba=\"0.8 0.3 0.2 1\"/></body>";
    }
    xml << "</worldbody></mujoco>";
    return xml.str();
}

class Engine final : public Library {
public:
    explicit Engine(const Grid& grid) : grid(grid) {
        // The engine reads models from files only.
        const auto path = std::filesystem::temp_directory_path() /
                          ("simgl-peer-" + std::to_string(grid.n) + ".xml");
        std::ofstream(path) << modelXml(grid);
        char error[1000] = "";
        m = mj_loadXML(path.c_str(), nullptr, error, sizeof error);
        std::filesystem::remove(path);
        if (!m)
            throw std::runtime_error(std::string("engine model: ") + error);
        d = mj_makeData(m);
        mj_kinematics(m, d);
        mjv_defaultCamera(&cam);
        cam.type = mjCAMERA_FREE;
        cam.lookat[0] = grid.centre[0];
        cam.lookat[1] = grid.centre[1];
        cam.lookat[2] = 0;
        cam.distance = grid.eyeHeight;
        cam.elevation = -90;
        cam.azimuth = 90;
        mjv_defaultOption(&opt);
        mjv_defaultPerturb(&pert);
        mjv_defaultScene(&scn);
        mjv_makeScene(m, &scn, grid.n + 100);
        mjv_updateScene(m, d, &opt, &pert, &cam, mjCAT_ALL, &scn);
        mjr_defaultContext(&con);
        mjr_makeContext(m, &con, mjFONTSCALE_100);
        mjr_setBuffer(mjFB_OFFSCREEN, &con);
    }
    ~Engine() override {
        gl.makeCurrent();
        mjr_freeContext(&con);
        mjv_freeScene(&scn);
        mj_deleteData(d);
        mj_deleteModel(m);
    }

    void makeCurrent() override {
        gl.makeCurrent();
        mjr_setBuffer(mjFB_OFFSCREEN, &con);
    }

    void moveAll(bool) override {
        step = -step;
        for (int j = 0; j < m->njnt; ++j)
            d->qpos[m->jnt_qposadr[j]] += step;
    }

    double run(Op op) override {
        switch (op) {
        case Op::UpdateUnchanged:
            mjv_updateScene(m, d, &opt, &pert, &cam, mjCAT_ALL, &scn);
            return 0;
        case Op::UpdateAfterMove: // positions to poses, then the abstract scene
            mj_kinematics(m, d);
            mjv_updateScene(m, d, &opt, &pert, &cam, mjCAT_ALL, &scn);
            return 0;
        case Op::RayPick:
            return select();
        case Op::DragStep:
            if (pert.select <= 0)
                grab();
            dragSign = -dragSign;
            mjv_movePerturb(m, d, mjMOUSE_MOVE_H, 1e-3 * dragSign, 0, &scn, &pert);
            mjv_applyPerturbPose(m, d, &pert, 1);
            return 0;
        case Op::StartDrag:
            return grab();
        case Op::FrameNoShadows:
        case Op::FrameShadows: {
            scn.flags[mjRND_SHADOW] = op == Op::FrameShadows;
            mjr_render(mjrRect{0, 0, width, height}, &scn, &con);
            glFinish();
            return 0;
        }
        default:
            throw std::logic_error("the engine has no counterpart of this operation");
        }
    }

private:
    double select() {
        mjtNum point[3];
        int geom = -1;
        int skin = -1;
        return mjv_select(m, d, &opt, double(width) / height, 0.5, 0.5, &scn, point, &geom, &skin);
    }
    // Ray select and perturbation set-up: what grabbing a body with the mouse costs.
    double grab() {
        pert.select = int(select());
        if (pert.select > 0)
            mjv_initPerturb(m, d, &scn, &pert);
        return pert.select;
    }

    CompatContext gl;
    Grid grid;
    mjModel* m = nullptr;
    mjData* d = nullptr;
    mjvCamera cam{};
    mjvOption opt{};
    mjvPerturb pert{};
    mjvScene scn{};
    mjrContext con{};
    double step = 1e-3;
    double dragSign = 1;
};

} // namespace

std::unique_ptr<Library> makeMujoco(const Grid& grid) {
    return std::make_unique<Engine>(grid);
}

} // namespace Peers

#pragma once

#include "support/GLContextTest.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Project.h>
#include <tolu/gl/Functions.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/gl/Image.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>
#include <tolu/util/RefT.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/DirectionalLight.h>
#include <vuro_gl/gl/HLMode.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>

namespace SceneGL {

using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;
using C4 = Tolu::Vector4T<float>;

/// What one frame shows: display masks, transparency mode and highlight settings, as a
/// host's frame driver receives them.
struct FrameSettings {
    unsigned mask = 0x01;    ///< display mask of the normal passes
    unsigned hlMask0 = 0x00; ///< display mask of the mode-0 highlight passes (0: none)
    unsigned transpMode = 0;
    C4 clearColor{0.1f, 0.1f, 0.2f, 1.0f};
    C4 hlColor0{1.0f, 0.0f, 0.0f, 1.0f};
    double hudSize = 16.0;     ///< pixels
    unsigned outlineWidth = 3; ///< pixels
};

/// A scene project on a real headless context, drawn the way the host draws a frame:
/// camera on +z at distance 10 looking at the origin with a 45 degree field of view, so
/// pixel (32, 32) sees the origin; the light shines along the view direction.
class SceneGLFixture : public Tolu::Test::GLContextTest {
protected:
    void TearDown() override {
        // The scene and its GL objects go while the context is still current.
        project->set(nullptr);
        if (Tolu::GL::isInited()) {
            render.releaseGL();
            resetState();
        }
        GLContextTest::TearDown();
    }

    /// Mirrors the model into the scene, as the host does before a frame.
    void update() {
        project->set(model);
        project->update();
    }

    /// Draws one frame through the frame driver into the context's framebuffer and reads it
    /// back.
    Tolu::GL::Image drawFrame(const FrameSettings& frame) {
        using namespace Tolu::GL;
        const unsigned fbo = context().getFramebuffer();
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(frame.clearColor.x, frame.clearColor.y, frame.clearColor.z,
                     frame.clearColor.w);
        glDepthMask(GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Ostra::Sim::GL::render(render, *project, {}, fbo, kWidth, kHeight, frame.mask, 0,
                               frame.hlMask0, view, projection, light, false, frame.transpMode,
                               frame.hudSize, kHeight, frame.outlineWidth, frame.hlColor0,
                               frame.hlColor0, M4(), M4());
        resetState();
        return context().readPixels();
    }

    /// The pixel (column, row from the top) that sees world point `p`.
    [[nodiscard]] std::pair<int, int> pixelOf(const V3& p) const {
        const Tolu::Vector4T<double> clip = (projection * view).transform({p.x, p.y, p.z, 1.0});
        const double x = (clip.x / clip.w + 1.0) * 0.5 * kWidth;
        const double y = (1.0 - clip.y / clip.w) * 0.5 * kHeight;
        return {int(std::floor(x)), int(std::floor(y))};
    }

    /// Pixels per world unit across the view at distance `depth` from the camera.
    [[nodiscard]] static double pixelsPerUnit(double depth) {
        return kHeight * 0.5 / (depth * std::tan(fovy / 2));
    }

    static constexpr double fovy = std::numbers::pi / 4;

    const M4 view = M4::lookAt({0, 0, 10}, {0, 0, 0}, {0, 1, 0});
    const M4 projection = M4::perspective(fovy, 1.0, 1.0, 100.0);
    // Along the view direction: faces towards the camera are fully lit.
    Vuro::GL::DirectionalLight light{{0.0f, 0.0f, -1.0f}, {1.0f, 1.0f, 1.0f}, 0.35f};

    Vuro::GL::Context render;
    Vuro::GL::ClassMap classMap; // outlives the project, which is declared after it
    Tolu::RefT<Ostra::Sim::GL::Project> project = Tolu::makeRef<Ostra::Sim::GL::Project>(classMap);
    Tolu::RefT<Ostra::Sim::Project> model = Tolu::makeRef<Ostra::Sim::Project>();

private:
    // What the host puts back after a frame, so that the next test starts clean.
    static void resetState() {
        using namespace Tolu::GL;
        glBindVertexArray(0);
        glUseProgram(0);
        glLineWidth(1.0f);
        glDisable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_LINE_SMOOTH);
        glDepthMask(GL_TRUE);
        glBindFramebuffer(GL_FRAMEBUFFER, context().getFramebuffer());
        glViewport(0, 0, kWidth, kHeight);
    }
};

} // namespace SceneGL

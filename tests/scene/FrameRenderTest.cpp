#include "support/RecordingContext.h"

#include <sim_gl/Body.h>
#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Project.h>
#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/gl/Recorder.h>
#include <tolu/gl/ScopedFunctions.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/DataClass.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace GL = Ostra::Sim::GL;
namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::Matrix4x4T;
using Tolu::RefT;
using Vuro::GL::Context;
using Lines = std::vector<std::string>;

struct PassFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

bool same(const Matrix4x4T<double>& a, const Matrix4x4T<double>& b) {
    return std::equal(std::begin(a.m), std::end(a.m), std::begin(b.m));
}

const Matrix4x4T<double> cam1 = Matrix4x4T<double>::translation({0, 0, -10});
const Matrix4x4T<double> cam2 = Matrix4x4T<double>::translation({0, 0, 1});

// Adds to the recording the display mask and pass flags that each node and data class sees,
// and fails at a chosen operation. Every init must get the frame's cameras and, where the
// model matrix is the frame's own, the identity.
class FrameContext : public Tolu::Test::RecordingContext {
public:
    using RecordingContext::RecordingContext;

    // Forgets everything logged, the GL calls and their armed fault too.
    void restart() {
        clear();
        notes.clear();
    }
    void note(const std::string& who) {
        failIf(who);
        notes.push_back(
            {log().size(), who + " mask=" + hex(renderMask) + " flags=" + hex(passFlags)});
    }
    // The log with the notes in place; GL calls only those named in `keep`.
    Lines trace(const Lines& keep) const {
        const Lines all = log();
        Lines out;
        auto note = notes.begin();
        for (std::size_t i = 0; i <= all.size(); ++i) {
            for (; note != notes.end() && note->first == i; ++note) {
                out.push_back(note->second);
            }
            if (i == all.size()) {
                break;
            }
            const std::string& line = all[i];
            const bool isGL = line.rfind("gl", 0) == 0 && std::isupper(line[2]);
            if (!isGL ||
                std::find(keep.begin(), keep.end(), line.substr(0, line.find('('))) != keep.end()) {
                out.push_back(line);
            }
        }
        return out;
    }

    void initShadowRender(const Tolu::Vector3T<double>& direction,
                          const Tolu::SphereT<double>& sphere) override {
        failIf("initShadowRender");
        RecordingContext::initShadowRender(direction, sphere);
    }
    void initSolidRender(unsigned width, unsigned height, const Matrix4x4T<double>& c1,
                         const Matrix4x4T<double>& c2, const Matrix4x4T<double>& model,
                         const Vuro::GL::DirectionalLight& light, bool shadows, unsigned transpMode,
                         Vuro::GL::HLMode mode, const Tolu::Vector4T<float>& color,
                         float mix) override {
        failIf("initSolidRender");
        EXPECT_TRUE(same(c1, cam1) && same(c2, cam2) && same(model, {}));
        RecordingContext::initSolidRender(width, height, c1, c2, model, light, shadows, transpMode,
                                          mode, color, mix);
    }
    void initHUDRender(const Matrix4x4T<double>& c1, const Matrix4x4T<double>& c2,
                       const Matrix4x4T<double>& model, double hudSize, double hudHeight,
                       Vuro::GL::HLMode mode, const Tolu::Vector4T<float>& color) override {
        failIf("initHUDRender");
        EXPECT_TRUE(same(c1, cam1) && same(c2, cam2) && same(model, {}));
        RecordingContext::initHUDRender(c1, c2, model, hudSize, hudHeight, mode, color);
    }
    void initHLRenderMask(const Matrix4x4T<double>& c1, const Matrix4x4T<double>& c2,
                          const Matrix4x4T<double>& maskMat, double hudSize, double hudHeight,
                          Vuro::GL::HLMode mode) override {
        EXPECT_TRUE(same(c1, cam1) && same(c2, cam2));
        RecordingContext::initHLRenderMask(c1, c2, maskMat, hudSize, hudHeight, mode);
    }
    void renderHL(unsigned fbo) override {
        failIf("renderHL");
        RecordingContext::renderHL(fbo);
    }

    std::string failAt;

private:
    void failIf(const std::string& what) const {
        if (what == failAt) {
            throw PassFailure(what);
        }
    }

    std::vector<std::pair<std::size_t, std::string>> notes;
};

// A body that only notes which pass reached it; its bounding sphere is a real body's.
struct NotingBody : GL::Body {
    using Body::Body;
    static void note(Context& c, const char* who) { static_cast<FrameContext&>(c).note(who); }
    void render(Context& c) override { note(c, "body.render"); }
    void renderHL(Context& c) override { note(c, "body.renderHL"); }
    void renderHLMask(Context& c) override { note(c, "body.renderHLMask"); }
    void renderHUD(Context& c) override { note(c, "body.renderHUD"); }
    void renderHUDHL(Context& c) override { note(c, "body.renderHUDHL"); }
    void renderHUDHLMask(Context& c) override { note(c, "body.renderHUDHLMask"); }
};

struct NotingData : Vuro::GL::DataClass {
    explicit NotingData(std::string name) : name(std::move(name)) {}
    void render(Context& c) override { static_cast<FrameContext&>(c).note(name); }
    std::string name;
};

const Lines driverGL = {"glViewport",   "glEnable",          "glDisable",    "glCullFace",
                        "glBlendFunc",  "glClear",           "glLineWidth",  "glPointSize",
                        "glBindBuffer", "glBindFramebuffer", "glUseProgram", "glBindVertexArray"};
const Lines solidState = {"glEnable(2929)", "glEnable(2884)", "glCullFace(1029)"};
const Lines overlayState = {"glDisable(2929)", "glDisable(2884)"};
// Blending (3042) and line smoothing (2848) follow the depth test and face culling.
const Lines resetState = {
    "glBindVertexArray(0)", "glBindBuffer(34962, 0)", "glBindBuffer(34963, 0)", "glUseProgram(0)",
    "glPointSize(1)",       "glLineWidth(1)",         "glDisable(2929)",        "glDisable(2884)",
    "glDisable(3042)",      "glDisable(2848)"};

Lines cat(std::initializer_list<Lines> parts) {
    Lines out;
    for (const Lines& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// Everything up to and including the first line that starts with `prefix`.
Lines upTo(const Lines& lines, const std::string& prefix) {
    auto last = std::find_if(lines.begin(), lines.end(),
                             [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    return Lines(lines.begin(), last == lines.end() ? last : last + 1);
}

struct Frame {
    unsigned mask = 0;
    unsigned hlMask1 = 0;
    unsigned hlMask0 = 0;
    bool shadows = false;
    unsigned transpMode = 0;
};

class FrameRender : public ::testing::Test {
protected:
    void addBody(const RefT<Vuro::BodyProto>& geometry) {
        auto sim = makeRef<Sim::Body>(Sim::SrcRef("b" + std::to_string(bodies.size())));
        sim->setProto(geometry);
        sim->setTransform(Matrix4x4T<double>::translation({1, 2, 3}));
        model->addBody(sim);
        bodies.emplace_back(new NotingBody(*project, *sim));
    }
    void addBox() { addBody(Vuro::makeBox({2, 2, 2}, {1, 1, 1, 1})); }
    // A fresh recording of one frame.
    Lines draw(const Frame& f) {
        context.restart();
        run(f);
        return context.trace(driverGL);
    }
    // The pass flags carry a bit that the transparency handling must leave alone.
    void run(const Frame& f) {
        context.passFlags = Context::PassHideHL1 | Context::PassTranspOnly;
        GL::render(context, *project, dataClasses, 7, 640, 480, f.mask, f.hlMask1, f.hlMask0, cam1,
                   cam2, Vuro::GL::DirectionalLight{}, f.shadows, f.transpMode, 8.0, 480.0, 3,
                   {1, 0, 0, 1}, {0, 0, 1, 1}, Matrix4x4T<double>::translation({1, 0, 0}),
                   Matrix4x4T<double>::translation({0, 1, 0}));
    }

    Tolu::GL::Recorder gl;
    Tolu::GL::ScopedFunctions useRecorder{gl.getTable()};
    FrameContext context{gl};
    Vuro::GL::ClassMap classMap;
    RefT<GL::Project> project = makeRef<GL::Project>(classMap);
    RefT<Sim::Project> model = makeRef<Sim::Project>();
    std::vector<RefT<GL::Body>> bodies;
    std::vector<RefT<Vuro::GL::DataClass>> dataClasses{makeRef<NotingData>("data")};
};

// The frame's GL calls, after a failure too, end with the full reset.
void expectEndsWithReset(const Lines& frame) {
    ASSERT_GE(frame.size(), resetState.size());
    EXPECT_EQ(Lines(frame.end() - long(resetState.size()), frame.end()), resetState);
}

TEST_F(FrameRender, EveryPassInOrderWithItsMaskAndFlags) {
    addBody({});
    const Lines expected = {
        "initSolidRender(640x480, shadows 0, transp 0, mode -1, (0 0 1 1), 0)",
        "body.render mask=0x301 flags=0x2", "data mask=0x301 flags=0x2",
        "initHUDRender(8, 480, mode -1, (0 0 1 1))", "body.renderHUD mask=0x2fe flags=0x2",
        // Mode 0: one outline set-up for both parts.
        "initHLRender(640x480, (0 0 1 1), 3)", "initHLRenderMask(T(0 1 0), 8, 480, mode 0)",
        "body.renderHLMask mask=0x301 flags=0x2", "renderHL(7)",
        "initHUDRender(8, 480, mode 0, (0 0 1 1))", "body.renderHUDHL mask=0x2fe flags=0x2",
        "initHLRenderMask(T(0 1 0), 8, 480, mode 0)", "body.renderHUDHLMask mask=0x2fe flags=0x2",
        "renderHL(7)",
        // Mode 1: geometry again over a cleared depth buffer, an outline per part.
        "glClear(256)", "initSolidRender(640x480, shadows 0, transp 0, mode 1, (1 0 0 1), 0.5)",
        "body.renderHL mask=0x301 flags=0x2", "initHLRender(640x480, (1 0 0 1), 3)",
        "initHLRenderMask(T(1 0 0), 8, 480, mode 1)", "body.renderHLMask mask=0x301 flags=0x2",
        "renderHL(7)", "initHUDRender(8, 480, mode 1, (1 0 0 1))",
        "body.renderHUDHL mask=0x2fe flags=0x2", "initHLRender(640x480, (1 0 0 1), 3)",
        "initHLRenderMask(T(1 0 0), 8, 480, mode 1)", "body.renderHUDHLMask mask=0x2fe flags=0x2",
        "renderHL(7)"};
    draw({0x3ff, 0x3ff, 0x3ff, false, 0});
    EXPECT_EQ(context.trace({"glClear"}), expected);
}

TEST_F(FrameRender, TransparencyModesDrawTheSceneOncePerSubPass) {
    addBody({});
    const Lines opaque = {"body.render mask=0x1 flags=0xa", "data mask=0x1 flags=0xa"};
    const Lines transparent = {"body.render mask=0x1 flags=0x6", "data mask=0x1 flags=0x6"};
    const std::pair<unsigned, Lines> modes[] = {
        {0,
         {"glBindFramebuffer(36160, 7)", "body.render mask=0x1 flags=0x2",
          "data mask=0x1 flags=0x2"}},
        {1, cat({{"glBindFramebuffer(36160, 7)"},
                 opaque,
                 {"glEnable(3042)", "glBlendFunc(770, 771)"},
                 transparent,
                 {"glDisable(3042)"}})},
        // Two peeled layers.
        {3, cat({{"initDepthPeeling()"},
                 opaque,
                 {"initDepthPeelingLayer(1)"},
                 transparent,
                 {"initDepthPeelingLayer(2)"},
                 transparent,
                 {"renderDepthPeeling(7)"}})}};
    for (const auto& [mode, solid] : modes) {
        SCOPED_TRACE(mode);
        const std::string init = "initSolidRender(640x480, shadows 0, transp " +
                                 std::to_string(mode) + ", mode -1, (0 0 1 1), 0)";
        EXPECT_EQ(draw({0x001, 0, 0, false, mode}),
                  cat({{"glLineWidth(1)", init}, solidState, solid, overlayState, resetState}));
    }
}

TEST_F(FrameRender, ShadowPassDrawsWhatAnyMaskSelectsThenRestoresTheViewport) {
    addBox();
    dataClasses.push_back({});
    dataClasses.push_back(makeRef<NotingData>("more"));
    const Lines frame = draw({0x001, 0x204, 0x108, true, 0});
    EXPECT_EQ(upTo(frame, "initSolidRender"),
              cat({{"glLineWidth(1)"},
                   overlayState,
                   {"initShadowRender((-0.4 -0.3 -1), (1 2 3) 1.73205)",
                    "body.render mask=0x301 flags=0x2", "data mask=0x301 flags=0x2",
                    "more mask=0x301 flags=0x2", "glViewport(0, 0, 640, 480)",
                    "initSolidRender(640x480, shadows 1, transp 0, mode -1, (0 0 1 1), 0)"}}));
}

TEST_F(FrameRender, NothingToShadeSwitchesShadowsOffForTheFrame) {
    const Lines expected = {"glLineWidth(1)",
                            "initSolidRender(640x480, shadows 0, transp 0, mode -1, (0 0 1 1), 0)"};
    EXPECT_EQ(upTo(draw({0x009, 0, 0, true, 0}), "initSolidRender"), expected) << "empty";
    // Only the solid part sizes the shadow: a frame alone gives no sphere.
    addBody({});
    EXPECT_EQ(upTo(draw({0x009, 0, 0, true, 0}), "initSolidRender"), expected) << "frame only";
}

TEST_F(FrameRender, ModeOneHighlightDrawsWithoutNormalPasses) {
    addBox();
    const Lines expected =
        cat({overlayState,
             {"glClear(256)"},
             solidState,
             {"initSolidRender(640x480, shadows 0, transp 0, mode 1, (1 0 0 1), 0.5)",
              "body.renderHL mask=0x1 flags=0x6", "initHLRender(640x480, (1 0 0 1), 3)"},
             overlayState,
             {"initHLRenderMask(T(1 0 0), 8, 480, mode 1)", "body.renderHLMask mask=0x1 flags=0x6",
              "renderHL(7)"},
             resetState});
    EXPECT_EQ(draw({0, 0x001, 0, true, 0}), expected);
}

TEST_F(FrameRender, SolidPassesGet301AndHUDPasses2fe) {
    const std::string solid =
        "initSolidRender(640x480, shadows 0, transp 0, mode -1, (0 0 1 1), 0)";
    const std::string hud = "initHUDRender(8, 480, mode -1, (0 0 1 1))";
    // The HUD pass leaves its mask in the context: no node shows it here.
    const std::pair<unsigned, Lines> masks[] = {{0x001, {solid, "data mask=0x1 flags=0x2"}},
                                                {0x080, {hud}},
                                                {0x200, {solid, "data mask=0x200 flags=0x2", hud}}};
    for (const auto& [mask, passes] : masks) {
        SCOPED_TRACE(hex(mask));
        draw({mask});
        EXPECT_EQ(context.trace({}), passes);
        EXPECT_EQ(context.renderMask, mask);
    }
}

TEST_F(FrameRender, FailuresResetGLStateAndReachTheCaller) {
    addBox();
    for (const char* pass :
         {"initShadowRender", "body.render", "data", "initSolidRender", "initHUDRender",
          "body.renderHUDHL", "renderHL", "body.renderHUDHLMask"}) {
        SCOPED_TRACE(pass);
        context.failAt = pass;
        EXPECT_THROW(draw({0x3ff, 0x3ff, 0x3ff, true, 1}), PassFailure);
        expectEndsWithReset(context.trace(driverGL));
    }
    context.failAt.clear();
    draw({0x001, 0, 0, false, 1});
    const Lines names = gl.names();
    // A failing draw-state call, and one inside the final reset, which is then run again.
    for (const std::string name : {"glBindFramebuffer", "glBlendFunc", "glUseProgram"}) {
        SCOPED_TRACE(name);
        context.restart();
        gl.throwAt(std::size_t(std::find(names.begin(), names.end(), name) - names.begin()) + 1);
        EXPECT_THROW(run({0x001, 0, 0, false, 1}), Tolu::GL::Error);
        expectEndsWithReset(context.trace(driverGL));
        // A failure in the blended sub-pass does not leave blending on for the host.
        EXPECT_FALSE(Tolu::GL::glIsEnabled(GL_BLEND));
    }
    gl.throwAt(0);
}

// The shadow pass is sized to twin bodies a hair apart, and to bodies at the ends of the
// double range, without an exception.
TEST_F(FrameRender, ShadowsOfNearlyCoincidentAndFarFlungBodies) {
    addBox();
    addBox();
    addBox();
    const double top = std::numeric_limits<double>::max();
    for (const double offset : {1e-16, 1e-12, 5e-11, 2e-10, top}) {
        SCOPED_TRACE(offset);
        const double other = offset == top ? -top : 0.0;
        bodies[0]->getSimNode()->setTransform(Matrix4x4T<double>::translation({0, other, 0}));
        bodies[1]->getSimNode()->setTransform(Matrix4x4T<double>::translation({0, offset, 0}));
        bodies[2]->getSimNode()->setTransform(Matrix4x4T<double>::translation({0, 0, 0}));
        Lines frame;
        ASSERT_NO_THROW(frame = draw({0x001, 0, 0, true, 0}));
        EXPECT_NE(std::find_if(
                      frame.begin(), frame.end(),
                      [](const std::string& op) { return op.rfind("initShadowRender", 0) == 0; }),
                  frame.end());
    }
}

} // namespace

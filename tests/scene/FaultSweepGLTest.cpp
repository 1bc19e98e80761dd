#include "support/GLContextTest.h"

#include <sim_gl/Body.h>
#include <sim_gl/Functions.h>
#include <sim_gl/Joint.h>
#include <sim_gl/Project.h>
#include <sim_gl/Sensor.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/JointTrack.h>
#include <ostra_sim/Project.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Track.h>
#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/gl/Image.h>
#include <tolu/gl/Recorder.h>
#include <tolu/gl/ScopedFunctions.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/DirectionalLight.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace GL = Ostra::Sim::GL;
namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;
using Tolu::GL::Image;
using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;
using C4 = Tolu::Vector4T<float>;
using Problems = std::vector<std::string>;

constexpr int kSize = Tolu::Test::GLContextTest::kWidth;
// Every node part, prototype boxes too; the highlight passes show every part as well.
constexpr unsigned kMask = 0x17f;
constexpr unsigned kHLMask = 0x07f;
// The pass flags the frame must hand back as it found them: the transparency bits are
// the driver's to leave as its last solid sub-pass set them, the mode-1 hiding bit the
// context's to set for each pass.
constexpr std::uint8_t kKeptFlags =
    std::uint8_t(~(Vuro::GL::Context::PassTranspOnly | Vuro::GL::Context::PassOpaqueOnly |
                   Vuro::GL::Context::PassHideHL1));

/// The render context of the sweep. With a recording table it notes which calls draw a
/// sensor's grips: a failure there costs only those grips, as sensors catch it by design,
/// so it does not reach the caller.
class SweepContext : public Vuro::GL::Context {
public:
    void renderGrip(const V3& pos, const C4& front, const C4& back) override {
        const auto at = [&](const V3& p) { return (pos - p).lengthSquared() < 1e-18; };
        const bool first = gl && at(sensorGrips[0]);
        const bool sensor = first || (gl && at(sensorGrips[1]));
        const std::size_t before = sensor ? gl->calls().size() : 0;
        Context::renderGrip(pos, front, back);
        if (sensor) {
            // Calls by 1-based index; the first grip follows the sensor's own line width.
            sensorCalls.emplace_back(first ? before : before + 1, gl->calls().size());
        }
    }

    const Tolu::GL::Recorder* gl = nullptr;
    V3 sensorGrips[2];
    std::vector<std::pair<std::size_t, std::size_t>> sensorCalls;
};

/// What a host holds for one scene: a render context, a model with a node of every kind
/// (bodies with and without geometry, one of them half transparent, a track, a joint, a
/// joint and a sensor on the track), and its scene project with highlights in both modes.
struct Scene {
    Scene() {
        auto box = body({-1.5, 1, 0}, Vuro::makeBox({1.5f, 1.5f, 1.5f}, {0.9f, 0.5f, 0.1f, 1}));
        auto slab = body({0.5, 0.5, 1.5}, Vuro::makeBox({2, 2, 0.3f}, {0.1f, 0.2f, 0.9f, 1}));
        slab->setAlpha(0.5f);
        auto bare = body({2, 1.5, 0}, {});
        auto track = makeRef<Sim::Track>();
        track->addStraight(2);
        track->addArc(1, Tolu::DegreeT<double>(90.0));
        track->setTransform(M4::translation({-2.5, -2, 0}));
        model->addBody(track);
        auto joint = makeRef<Sim::Joint>();
        joint->setFrame(M4::translation({0, 2, 0}));
        joint->setBody1(box);
        joint->setBody2(bare);
        model->addJoint(joint);
        auto onTrack = makeRef<Sim::JointTrack>();
        onTrack->setFrame(M4::translation({0, -1, 0}));
        onTrack->setBody1(track);
        onTrack->setBody2(slab);
        onTrack->setCurrentPos(1.0);
        model->addJoint(onTrack);
        auto sensor = makeRef<Sim::SensorTrack>();
        sensor->setTrack(track);
        sensor->setPos1(0.5);
        sensor->setPos2(-0.5);
        model->addSensor(sensor);
        render.sensorGrips[0] = track->getTransform().transformAffine(track->getPos(0.5));
        render.sensorGrips[1] =
            track->getTransform().transformAffine(track->getPos(track->getLength() - 0.5));
        project->set(model);
        (void)project->update();

        project->find(box.get())->setHighlight(Vuro::GL::HLMode0, true, false);
        project->find(slab.get())->setHighlight(Vuro::GL::HLMode1, true, false);
        project->find(track.get())->setHighlight(Vuro::GL::HLMode0, true, false);
        project->find(joint.get())->setHighlight(Vuro::GL::HLMode1, true, false);
        project->find(onTrack.get())->setHighlight(Vuro::GL::HLMode0, true, false);
        project->getSensorList().first->setHighlight(Vuro::GL::HLMode1, true, false);
        render.hideHL1InSolid = true;
    }
    ~Scene() {
        // Everything goes while the context is current, so that the census can count it.
        project->set(nullptr);
        project = nullptr;
        render.releaseGL();
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    RefT<Sim::Body> body(const V3& at, const RefT<Vuro::BodyProto>& geometry) {
        auto made = makeRef<Sim::Body>();
        made->setProto(geometry);
        made->setTransform(M4::translation(at));
        model->addBody(made);
        return made;
    }

    /// The highlight bits of the project and of every node, and the pass flags kept.
    [[nodiscard]] std::string flags() const {
        std::string out = std::to_string(render.passFlags & kKeptFlags) + ':';
        const auto bits = [&](const auto& node) {
            out += char('0' + (node.isHighlighted(0) ? 1 : 0) + (node.isHighlighted(1) ? 2 : 0));
        };
        bits(*project);
        for (auto* n = project->getBodyList().first.get(); n; n = n->getNext().get()) {
            bits(*n);
        }
        for (auto* n = project->getJointList().first.get(); n; n = n->getNext().get()) {
            bits(*n);
        }
        for (auto* n = project->getSensorList().first.get(); n; n = n->getNext().get()) {
            bits(*n);
        }
        return out;
    }

    SweepContext render;
    Vuro::GL::ClassMap classMap; // outlives the project
    RefT<Sim::Project> model = makeRef<Sim::Project>();
    RefT<GL::Project> project = makeRef<GL::Project>(classMap);
};

/// Binds and clears the host's target, as a host does before each frame.
void prepareTarget(Tolu::GL::GLuint fbo) {
    using namespace Tolu::GL;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, kSize, kSize);
    glClearColor(0.1f, 0.1f, 0.2f, 1.0f);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

/// The frame driver with shadows and both highlight modes.
void renderFrame(Scene& scene, unsigned transpMode, Tolu::GL::GLuint fbo) {
    static const M4 view = M4::lookAt({0, 0, 10}, {0, 0, 0}, {0, 1, 0});
    static const M4 projection = M4::perspective(std::numbers::pi / 4, 1.0, 1.0, 100.0);
    static const Vuro::GL::DirectionalLight light{{-0.3f, -0.4f, -1.0f}, {1, 1, 1}, 0.35f};
    GL::render(scene.render, *scene.project, {}, fbo, kSize, kSize, kMask, kHLMask, kHLMask, view,
               projection, light, true, transpMode, 12.0, kSize, 2, {1.0f, 1.0f, 0.0f, 1.0f},
               {1.0f, 0.0f, 0.0f, 1.0f}, M4(), M4());
}

void drawFrame(Scene& scene, unsigned transpMode, Tolu::GL::GLuint fbo) {
    prepareTarget(fbo);
    renderFrame(scene, transpMode, fbo);
}

std::string differences(const Image& got, const Image& expected) {
    std::size_t differing = 0;
    std::string first;
    for (int y = 0; y < got.height; ++y) {
        for (int x = 0; x < got.width; ++x) {
            if (got.at(x, y) != expected.at(x, y) && differing++ == 0) {
                first = " first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
    }
    return differing ? std::to_string(differing) + " pixels differ," + first : std::string();
}

// The state the frame driver resets on every way out.
Problems resetStateProblems() {
    using namespace Tolu::GL;
    Problems out;
    const auto integer = [](GLenum name) {
        GLint value = -1;
        glGetIntegerv(name, &value);
        return value;
    };
    const auto real = [](GLenum name) {
        GLfloat value = -1;
        glGetFloatv(name, &value);
        return value;
    };
    for (const auto& [name, what] : {std::pair{GL_VERTEX_ARRAY_BINDING, "vertex array"},
                                     std::pair{GL_ARRAY_BUFFER_BINDING, "array buffer"},
                                     std::pair{GL_ELEMENT_ARRAY_BUFFER_BINDING, "element buffer"},
                                     std::pair{GL_CURRENT_PROGRAM, "program"}}) {
        if (integer(name) != 0) {
            out.push_back(std::string(what) + " still bound");
        }
    }
    if (real(GL_POINT_SIZE) != 1.0f || real(GL_LINE_WIDTH) != 1.0f) {
        out.emplace_back("point size or line width not 1");
    }
    for (const auto& [cap, what] :
         {std::pair{GL_DEPTH_TEST, "depth test"}, std::pair{GL_CULL_FACE, "face culling"},
          std::pair{GL_BLEND, "blending"}, std::pair{GL_LINE_SMOOTH, "line smoothing"}}) {
        if (glIsEnabled(cap)) {
            out.push_back(std::string(what) + " left on");
        }
    }
    return out;
}

// Frames per run: the one that may fail is the first (cold) or the second (warm), and
// three clean ones follow it.
constexpr int kFrames = 5;
constexpr int kLater = 3;

/// Every call of a whole frame made to fail in turn, through a recording table that
/// passes the calls on to the real context.
class FaultSweep : public Tolu::Test::GLContextTest,
                   public ::testing::WithParamInterface<unsigned> {
protected:
    void SetUp() override {
        GLContextTest::SetUp();
        gl.forwardTo(&Tolu::GL::loadedFunctions());
    }

    /// The frames of one run without a fault; the calls of frame `failing`, and those of
    /// them that draw a sensor's grips (by 1-based index in the frame).
    std::vector<Image> cleanRun(int failing, std::size_t& frameCalls,
                                std::vector<std::pair<std::size_t, std::size_t>>& sensorCalls) {
        const Tolu::GL::ScopedFunctions use(gl.getTable());
        gl.reset();
        std::vector<Image> images;
        {
            Scene scene;
            scene.render.gl = &gl;
            for (int i = 0; i < kFrames; ++i) {
                prepareTarget(context().getFramebuffer());
                const std::size_t before = gl.calls().size();
                scene.render.sensorCalls.clear();
                renderFrame(scene, GetParam(), context().getFramebuffer());
                if (i == failing) {
                    frameCalls = gl.calls().size() - before;
                    for (const auto& [from, to] : scene.render.sensorCalls) {
                        sensorCalls.emplace_back(from - before, to - before);
                    }
                }
                images.push_back(context().readPixels());
            }
        }
        EXPECT_EQ(gl.liveObjects(), std::vector<std::string>{}) << "a clean run leaks";
        return images;
    }

    /// One run whose frame `failing` fails at its call `k`: what went wrong, if anything.
    Problems faultyRun(int failing, std::size_t k, bool absorbed,
                       const std::vector<Image>& expected) {
        Problems out;
        const Tolu::GL::ScopedFunctions use(gl.getTable());
        gl.reset();
        {
            Scene scene;
            for (int i = 0; i < failing; ++i) {
                drawFrame(scene, GetParam(), context().getFramebuffer());
            }
            const std::string flags = scene.flags();
            prepareTarget(context().getFramebuffer());
            const std::size_t at = gl.calls().size() + k;
            gl.throwAt(at);
            try {
                renderFrame(scene, GetParam(), context().getFramebuffer());
                if (!absorbed) {
                    out.emplace_back("no exception reached the caller");
                }
            } catch (const Tolu::GL::Error&) {
            }
            gl.throwAt(0);
            const std::string failed = at <= gl.calls().size() ? gl.calls()[at - 1].name : "?";
            for (const std::string& p : resetStateProblems()) {
                out.push_back(p);
            }
            if (scene.flags() != flags) {
                out.push_back("flags " + flags + " became " + scene.flags());
            }
            (void)Tolu::GL::glGetError(); // the failed frame's own errors do not count
            for (int i = failing + 1; i < failing + 1 + kLater; ++i) {
                drawFrame(scene, GetParam(), context().getFramebuffer());
                if (i == failing + 1 && Tolu::GL::glGetError() != GL_NO_ERROR) {
                    out.emplace_back("a GL error after the next frame");
                }
                const std::string diff = differences(context().readPixels(), expected[i]);
                if (!diff.empty()) {
                    out.push_back("frame " + std::to_string(i + 1) + ": " + diff);
                }
            }
            for (std::string& p : out) {
                p = failed + ": " + p;
            }
        }
        for (const std::string& leak : gl.liveObjects()) {
            out.push_back("leaked " + leak);
        }
        return out;
    }

    /// Sweeps the frame `failing` (0 cold, 1 warm); returns the number of points tried.
    std::size_t sweep(int failing) {
        std::size_t frameCalls = 0;
        std::vector<std::pair<std::size_t, std::size_t>> sensorCalls;
        const std::vector<Image> expected = cleanRun(failing, frameCalls, sensorCalls);
        const auto absorbed = [&](std::size_t k) {
            return std::any_of(sensorCalls.begin(), sensorCalls.end(), [k](const auto& range) {
                return range.first <= k && k <= range.second;
            });
        };
        // The whole sweep on demand; normally a sample spread over the frame.
        const char* full = std::getenv("TOLU_FULL_FAULT_SWEEP");
        const bool all = full && *full && std::string(full) != "0";
        const std::size_t step = all ? 1 : frameCalls / 4 + 1;
        std::vector<std::size_t> points;
        for (std::size_t k = 1 + (all ? 0 : step / 2); k <= frameCalls; k += step) {
            points.push_back(k);
        }
        if (points.empty() || points.back() != frameCalls) {
            points.push_back(frameCalls); // the last call: the reset's own
        }
        Problems problems;
        for (const std::size_t k : points) {
            for (const std::string& p : faultyRun(failing, k, absorbed(k), expected)) {
                problems.push_back("call " + std::to_string(k) + " " + p);
            }
        }
        const std::size_t tried = points.size();
        std::string report;
        for (std::size_t i = 0; i < problems.size() && i < 40; ++i) {
            report += problems[i] + '\n';
        }
        EXPECT_TRUE(problems.empty()) << problems.size() << " problems in " << tried
                                      << " points of " << frameCalls << " calls:\n"
                                      << report;
        const auto inGrips = std::size_t(std::count_if(points.begin(), points.end(), absorbed));
        std::printf("[ sweep    ] transparency mode %u, %s frame of %zu calls: failed %zu of them "
                    "in turn, %zu inside a sensor's grips\n",
                    GetParam(), failing == 0 ? "cold" : "warm", frameCalls, tried, inGrips);
        return tried;
    }

    Tolu::GL::Recorder gl;
};

TEST_P(FaultSweep, AFailureAtAnyCallOfAColdOrWarmFrameChangesNothingLaterFramesShow) {
    sweep(0);
    sweep(1);
}

INSTANTIATE_TEST_SUITE_P(TranspModes, FaultSweep, ::testing::Values(0u, 1u, 3u),
                         [](const auto& info) { return "Mode" + std::to_string(info.param); });

// Its own suite, so that the context is fresh: nothing the frames leave behind may
// change the next one.
class FreshContext : public Tolu::Test::GLContextTest {};

TEST_F(FreshContext, ThreeFramesOfAnUnchangedSceneAreIdentical) {
    for (const unsigned transpMode : {0u, 1u, 3u}) {
        SCOPED_TRACE("transparency mode " + std::to_string(transpMode));
        Scene scene;
        drawFrame(scene, transpMode, context().getFramebuffer());
        const Image first = context().readPixels();
        for (int i = 2; i <= 3; ++i) {
            drawFrame(scene, transpMode, context().getFramebuffer());
            EXPECT_EQ(differences(context().readPixels(), first), "") << "frame " << i;
        }
    }
}

} // namespace

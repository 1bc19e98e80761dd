#include "NodeFixture.h"

#include <ostra_sim/Error.h>
#include <ostra_sim/Project.h>
#include <tolu/gl/Error.h>
#include <vuro_gl/gl/GripColors.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace NodeTest {
namespace {

constexpr unsigned jointLines = 0x04;
constexpr unsigned jointFrame = 0x20;
const Vuro::GL::HLMode none = Vuro::GL::HLModeNone;

class Joints : public Nodes {
protected:
    void SetUp() override {
        b1 = simBody({1, 0, 0});
        b2 = simBody({0, 2, 0});
        node(*b1);
        node(*b2);
        sim = simJoint({0, 0, 5}, b1.get(), b2.get());
        joint = &node<GL::Joint>(*sim);
        EXPECT_EQ(hud(), (Lines{"glGenVertexArrays", "glGenBuffers", "glBufferData"}));
    }
    // `update`, then one HUD pass of the lines: the names of the buffer calls it made.
    Lines hud() {
        (void)joint->update();
        Lines ops = pass(
            &GL::Node::renderHUD, *joint, jointLines, none, 0,
            {"glGenVertexArrays", "glGenBuffers", "glBufferData", "glMapBuffer", "glUnmapBuffer"});
        std::erase_if(ops, [](const std::string& op) { return op.rfind("gl", 0) != 0; });
        for (auto& op : ops) {
            op.resize(op.find('('));
        }
        return ops;
    }
    Vector3T<float> end(std::size_t i) const { return joint->getLines()[i].pos; }
    // The HUD pass of the lines, without `pass`, which forgets the log and an armed fault.
    void drawLines() {
        context.renderMask = jointLines;
        context.hlMode = none;
        joint->renderHUD(context);
    }

    RefT<Sim::Body> b1, b2;
    RefT<Sim::Joint> sim;
    GL::Joint* joint = nullptr;
};

const Lines rewritten = {"glMapBuffer", "glUnmapBuffer"};

TEST_F(Joints, LinesAreRewrittenInPlaceExactlyWhenAStampSaysSo) {
    EXPECT_TRUE(hud().empty()) << "nothing changed";
    sim->setFrame(Matrix4x4T<double>::translation({0, 0, 6}));
    EXPECT_EQ(hud(), rewritten) << "frame moved";
    EXPECT_EQ(end(0), Vector3T<float>(0, 0, 6));
    b2->setRefPoint({0, 0, 1});
    b2->setTransform(Matrix4x4T<double>::translation({0, 3, 0}));
    EXPECT_EQ(hud(), rewritten) << "body moved";
    EXPECT_EQ(end(3), Vector3T<float>(0, 3, 1));
    // Re-linking the same body records where it is: moving it meanwhile goes unnoticed.
    b1->setTransform(Matrix4x4T<double>::translation({4, 0, 0}));
    sim->setBody1(b1);
    EXPECT_TRUE(hud().empty()) << "same body re-linked";
    sim->setBody1(b2);
    EXPECT_EQ(hud(), rewritten) << "body exchanged";
    EXPECT_EQ(end(1), Vector3T<float>(0, 3, 1));
    EXPECT_FALSE(joint->update()) << "a plain joint never reports a change";
}

// A host body whose refresh fails once when told to.
struct FailingBody : GL::Body {
    using Body::Body;
    void update() override {
        if (std::exchange(failNext, false)) {
            throw std::runtime_error("refresh failed");
        }
    }
    bool failNext = false;
};

// Update leaves a joint unrefreshed while neither it nor its bodies took a stamp since
// the last complete update; every change in between must still show in the lines.
TEST_F(Nodes, UpdatesRebuildExactlyTheJointsWhoseStampsMoved) {
    auto model = makeRef<Sim::Project>();
    auto b1 = simBody({1, 0, 0}), b2 = simBody({0, 2, 0});
    auto b3 = simBody({3, 0, 0}), b4 = simBody({0, 4, 0});
    for (const auto& b : {b1, b2, b3, b4}) {
        model->addBody(b);
    }
    auto j12 = simJoint({0, 0, 5}, b1.get(), b2.get());
    auto j34 = simJoint({0, 0, 6}, b3.get(), b4.get());
    model->addJoint(j12);
    model->addJoint(j34);
    project->set(model);
    auto& failing = node<FailingBody>(*b1); // update keeps it and makes the others
    using Rebuilt = std::vector<const Sim::Node*>;
    const auto drawJoints = [&] {
        Rebuilt out;
        for (GL::Joint* j = project->getJointList().first.get(); j; j = j->getNext().get()) {
            const Lines ops = pass(&GL::Node::renderHUD, *j, jointLines, none, 0,
                                   {"glBufferData", "glMapBuffer"});
            if (std::any_of(ops.begin(), ops.end(),
                            [](const std::string& op) { return op.rfind("gl", 0) == 0; })) {
                out.push_back(j->getSimNode().get());
            }
        }
        return out;
    };
    const auto rebuilt = [&] {
        (void)project->update();
        return drawJoints();
    };
    const auto translation = Matrix4x4T<double>::translation;

    EXPECT_EQ(rebuilt(), (Rebuilt{j12.get(), j34.get()})) << "first build";
    EXPECT_EQ(rebuilt(), Rebuilt{}) << "nothing changed";
    b2->setTransform(translation({0, 3, 0}));
    EXPECT_EQ(rebuilt(), Rebuilt{j12.get()}) << "a body moved";
    EXPECT_EQ(project->getJointList().first->getLines()[3].pos, Vector3T<float>(0, 3, 0));
    j34->setFrame(translation({0, 0, 7}));
    EXPECT_EQ(rebuilt(), Rebuilt{j34.get()}) << "a frame moved";
    j12->setBody2(b4);
    EXPECT_EQ(rebuilt(), Rebuilt{j12.get()}) << "a body exchanged";
    b4->setTransform(translation({0, 5, 0}));
    EXPECT_EQ(rebuilt(), (Rebuilt{j12.get(), j34.get()})) << "a shared body moved";

    // An update that fails before it reaches the joints leaves them to the next one.
    b3->setTransform(translation({3, 1, 0}));
    failing.failNext = true;
    EXPECT_THROW((void)project->update(), std::runtime_error);
    EXPECT_EQ(rebuilt(), Rebuilt{j34.get()}) << "moved before the failed update";
    EXPECT_EQ(rebuilt(), Rebuilt{});
}

TEST_F(Joints, AFailedMappingOrAReleaseIsRecoveredByTheNextRebuild) {
    gl.setMapBufferFails(true);
    sim->setFrame(Matrix4x4T<double>::translation({0, 0, 6}));
    EXPECT_EQ(hud(), Lines{"glMapBuffer"});
    EXPECT_EQ(hud(), Lines{"glMapBuffer"}) << "tried again until the buffer is written";
    gl.setMapBufferFails(false);
    EXPECT_EQ(hud(), rewritten);
    EXPECT_TRUE(hud().empty());

    joint->release();
    EXPECT_EQ(gl.count("glDeleteBuffers"), 1u);
    sim->setFrame(Matrix4x4T<double>::translation({0, 0, 7}));
    EXPECT_EQ(hud(), (Lines{"glGenVertexArrays", "glGenBuffers", "glBufferData"}));
}

// A failure at any call of the first upload deletes what was made, and the next pass
// starts over and draws: no buffer without a store, no vertex array without attributes.
TEST_F(Joints, AFailedFirstUploadStartsOverInTheNextPass) {
    // Array made and bound, buffer made, bound and filled, two attributes enabled and set.
    constexpr std::size_t uploadCalls = 9;
    for (std::size_t k = 1; k <= uploadCalls; ++k) {
        gl.reset();
        joint->release(); // two calls
        sim->setFrame(Matrix4x4T<double>::translation({0, 0, double(k)}));
        (void)joint->update();
        gl.throwAt(2 + k);
        EXPECT_THROW(drawLines(), Tolu::GL::Error);
        SCOPED_TRACE("failed at " + gl.calls()[1 + k].str());
        EXPECT_EQ(gl.liveObjects(), Lines{}) << "half-made objects deleted";
        EXPECT_EQ(hud(), (Lines{"glGenVertexArrays", "glGenBuffers", "glBufferData"}));
        EXPECT_EQ(end(0), Vector3T<float>(0, 0, float(k)));
    }
}

// Written in place, the buffer is never left mapped: a failure while it is mapped starts
// over, and contents lost while mapped are specified again.
TEST_F(Joints, AMappedBufferIsUnmappedOnEveryWayOutAndRefilledWhenItsContentsAreLost) {
    sim->setFrame(Matrix4x4T<double>::translation({0, 0, 6}));
    (void)joint->update();
    const std::size_t mark = gl.calls().size();
    gl.throwAt(mark + 4); // bind array, bind buffer, map, unmap
    EXPECT_THROW(drawLines(), Tolu::GL::Error);
    EXPECT_EQ(gl.calls()[mark + 3].name, "glUnmapBuffer");
    EXPECT_EQ(gl.count("glDeleteBuffers"), 1u) << "deleting the buffer unmaps it";
    EXPECT_EQ(hud(), (Lines{"glGenVertexArrays", "glGenBuffers", "glBufferData"}));

    // A table whose unmapping reports the store lost.
    static const Tolu::GL::Functions* recording = nullptr;
    recording = &gl.getTable();
    Tolu::GL::Functions losing = gl.getTable();
    losing.glUnmapBuffer = [](Tolu::GL::GLenum target) -> Tolu::GL::GLboolean {
        (void)recording->glUnmapBuffer(target);
        return 0;
    };
    const Tolu::GL::ScopedFunctions useLosing(losing);
    sim->setFrame(Matrix4x4T<double>::translation({0, 0, 7}));
    EXPECT_EQ(hud(), (Lines{"glMapBuffer", "glUnmapBuffer", "glBufferData"}));
    EXPECT_TRUE(hud().empty());
}

TEST_F(Joints, TheDestructorDeletesNamesOnlyWhileOpenGLIsLoaded) {
    for (const bool inited : {false, true}) {
        const Tolu::GL::ScopedFunctions scoped(gl.getTable(), inited);
        {
            auto other = makeRef<TestProject>(classMap);
            pass(&GL::Node::renderHUD, *new GL::Joint(*other, *sim), jointLines);
        }
        EXPECT_EQ(gl.count("glDeleteVertexArrays"), inited ? 1u : 0u);
        EXPECT_EQ(gl.count("glDeleteBuffers"), inited ? 1u : 0u);
    }
}

TEST_F(Joints, HUDPassesFollowTheHighlight) {
    EXPECT_EQ(pass(&GL::Node::renderHUD, *joint, jointLines),
              (Lines{"applyHUDColors(1)", "disableHUDRescale()", "applyMats(T(0 0 0))",
                     "glDrawArrays(1, 0, 4)"}));
    sim->setFrame(Matrix4x4T<double>::translation({0, 0, 5}));
    (void)joint->update();
    EXPECT_EQ(
        pass(&GL::Node::renderHUD, *joint, jointFrame, none, 0, {"glMapBuffer", "glDrawArrays"}),
        (Lines{"glMapBuffer(34962, 35001)", "renderCS(T(0 0 5), 1)"}))
        << "the buffer stays current, only the frame is drawn";

    const std::string hl = fmt(context.hlColor);
    EXPECT_TRUE(pass(&GL::Node::renderHUDHL, *joint, jointLines, 0).empty());
    EXPECT_EQ(pass(&GL::Node::renderHUDHL, *joint, jointLines, 0, Context::PassForcedHL).front(),
              "applyHUDColors(" + hl + ", 1)");
    joint->setHighlight(0, true, false);
    EXPECT_TRUE(pass(&GL::Node::renderHUD, *joint, jointLines).empty());
    EXPECT_EQ(pass(&GL::Node::renderHUDHL, *joint, jointFrame, 0),
              (Lines{"applyHUDColors(" + hl + ", 0.5)", "renderCS(T(0 0 5))"}));
    context.maskMatrix = Matrix4x4T<double>::translation({0, 0, 1});
    EXPECT_EQ(pass(&GL::Node::renderHUDHLMask, *joint, jointFrame, 0), Lines{"renderCS(T(0 0 6))"});

    joint->setHighlight(0, false, false);
    joint->setHighlight(1, true, false);
    EXPECT_TRUE(pass(&GL::Node::renderHUDHL, *joint, jointLines, 0, Context::PassForcedHL).empty());
    EXPECT_TRUE(pass(&GL::Node::renderHUDHLMask, *joint, jointLines, 0).empty());
    EXPECT_FALSE(pass(&GL::Node::renderHUDHL, *joint, jointLines, 1).empty());
}

class JointsOnTracks : public Nodes {
protected:
    RefT<Sim::Track> simTrack(const Vector3T<double>& at) {
        auto track = simBody<Sim::Track>(at);
        track->addStraight(10);
        return track;
    }
    // The grips one pass draws.
    Lines grips(GL::Joint& joint, Pass fn = &GL::Node::renderHUD, Vuro::GL::HLMode mode = none,
                unsigned mask = jointLines) {
        Lines ops = pass(fn, joint, mask, mode, 0, {});
        std::erase_if(ops, [](const std::string& op) { return op.rfind("renderGrip", 0) != 0; });
        return ops;
    }
};

TEST_F(JointsOnTracks, OnAPlainBodyTheRedLineHasNoLengthAndThereIsNoGrip) {
    auto plain = simBody({1, 0, 0});
    auto other = simBody({0, 3, 0}); // without a scene node
    auto& joint =
        node<GL::JointTrack>(*simJoint<Sim::JointTrack>({0, 0, 2}, plain.get(), other.get()));
    EXPECT_TRUE(grips(joint).empty());
    EXPECT_EQ(joint.getLines()[1].pos, joint.getLines()[0].pos);
    EXPECT_EQ(joint.getLines()[3].pos, Vector3T<float>(0, 3, 0));
    EXPECT_FALSE(joint.update());
}

TEST_F(JointsOnTracks, ExchangingTheTrackRestartsAtItsBeginningOnce) {
    auto first = simTrack({0, 0, 0});
    auto second = simTrack({0, 5, 0});
    auto sim = simJoint<Sim::JointTrack>({0, 0, 0}, first.get(), nullptr);
    sim->setInitialPos(2);
    auto& joint = node<GL::JointTrack>(*sim);
    pass(&GL::Node::renderHUD, joint, jointLines);
    EXPECT_EQ(joint.getLines()[1].pos, Vector3T<float>(2, 0, 0));
    sim->setBody1(second);
    EXPECT_TRUE(joint.update());
    EXPECT_EQ(joint.getTrackParam(), 0.0);
    EXPECT_FALSE(joint.update());
    pass(&GL::Node::renderHUD, joint, jointLines);
    EXPECT_EQ(joint.getLines()[1].pos, Vector3T<float>(0, 5, 0));
}

TEST_F(JointsOnTracks, GripsAreTintedByTheHighlightAndPlacedByTheMask) {
    auto track = simTrack({0, 1, 0});
    auto sim = simJoint<Sim::JointTrack>({0, 0, 0}, track.get(), nullptr);
    sim->setCurrentPos(4);
    auto& joint = node<GL::JointTrack>(*sim);
    using Colors = Vuro::GL::JointTrack;
    const Vector4T<float> hl = context.hlColor;
    EXPECT_EQ(grips(joint), Lines{"renderGrip((4 1 0), " + fmt(Colors::colorGripF) + ", " +
                                  fmt(Colors::colorGripB) + ")"});
    EXPECT_TRUE(grips(joint, &GL::Node::renderHUD, none, jointFrame).empty());
    joint.setHighlight(0, true, false);
    EXPECT_EQ(grips(joint),
              Lines{"renderGrip((4 1 0), " + fmt(Colors::colorGripF * 0.5f + hl * 0.5f) + ", " +
                    fmt(hl) + ")"});
    // The mask matrix goes on top of an own-highlighted grip twice.
    context.maskMatrix = Matrix4x4T<double>::translation({0, 0, 1});
    EXPECT_EQ(grips(joint, &GL::Node::renderHUDHLMask, 0),
              Lines{"renderGrip((4 1 2), (1 1 1 1), (1 1 1 1))"});
}

TEST_F(JointsOnTracks, AFailingConstructorLeavesNeitherNodeNorLeak) {
    auto empty = makeRef<Sim::Track>(); // no segments: no position resolves
    auto sim = simJoint<Sim::JointTrack>({0, 0, 0}, empty.get(), nullptr);
    new GL::Joint(*project, *sim); // a neighbour in the list
    const auto live = Tolu::Class::getLiveCount();
    EXPECT_THROW(new GL::JointTrack(*project, *sim), Sim::Error);
    EXPECT_EQ(Tolu::Class::getLiveCount(), live);
    EXPECT_EQ(project->getJointList().getCount(), 1u);
    EXPECT_FALSE(project->getJointList().first->getNext());
}

} // namespace
} // namespace NodeTest

#include "support/RecordingContext.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/Project.h>
#include <tolu/gl/Error.h>
#include <tolu/gl/Recorder.h>
#include <tolu/gl/ScopedFunctions.h>
#include <vuro_gl/BodyProto.h>
#include <vuro_gl/gl/BodyProto.h>
#include <vuro_gl/gl/ClassMap.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

namespace GL = Ostra::Sim::GL;
namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;
using Tolu::Vector4T;
using Vuro::GL::Context;
using Lines = std::vector<std::string>;

struct InspectJoint : GL::Joint {
    using Joint::Joint;
    std::uint32_t flags() const { return hlFlags; }
};

Vuro::PrimGroup group(Vuro::PrimType type, unsigned vertices, float alpha, unsigned slot) {
    Vuro::PrimGroup g;
    g.type = type;
    g.slot = slot;
    g.color = {0.2f, 0.4f, 0.6f, alpha};
    for (unsigned i = 0; i < vertices; ++i) {
        g.vertices.push_back({{float(i), float(i % 2), 0.0f}, {0.0f, 0.0f, 1.0f}});
    }
    return g;
}

// Geometry with an opaque and a transparent triangle group in slot 0 and a line group in
// slot 1; every draw of the tests below goes through it.
RefT<Vuro::BodyProto> makeGeometry() {
    auto proto = makeRef<Vuro::BodyProto>("parts");
    proto->addGroup(group(Vuro::PrimType::Triangles, 3, 1.0f, 0));
    proto->addGroup(group(Vuro::PrimType::Triangles, 3, 0.5f, 0));
    proto->addGroup(group(Vuro::PrimType::Lines, 2, 1.0f, 1));
    return proto;
}

class RenderPass : public ::testing::Test {
protected:
    GL::Body& addBody(const RefT<Vuro::BodyProto>& geometry, float alpha = 1.0f) {
        auto sim = makeRef<Sim::Body>(Sim::SrcRef("b" + std::to_string(bodies.size())));
        sim->setProto(geometry);
        sim->setAlpha(alpha);
        sim->setTransform(Tolu::Matrix4x4T<double>::translation({1, 2, 3}));
        model->addBody(sim);
        bodies.emplace_back(new GL::Body(*project, *sim));
        return *bodies.back();
    }
    Lines draws() { return context.ops({"glDrawArrays"}); }
    void pass(void (GL::Project::*fn)(Context&), unsigned mask, std::uint8_t flags,
              Vuro::GL::HLMode mode = Vuro::GL::HLModeNone) {
        context.clear();
        context.renderMask = mask;
        context.passFlags = flags;
        context.hlMode = mode;
        ((*project).*fn)(context);
    }

    Tolu::GL::Recorder gl;
    Tolu::GL::ScopedFunctions useRecorder{gl.getTable()};
    Tolu::Test::RecordingContext context{gl};
    Vuro::GL::ClassMap classMap;
    RefT<GL::Project> project = makeRef<GL::Project>(classMap);
    RefT<Sim::Project> model = makeRef<Sim::Project>();
    std::vector<RefT<GL::Body>> bodies;
};

const Lines allGroups = {"applyGState(s1, 1)", "applyMats(T(1 2 3))", "glDrawArrays(4, 0, 3)",
                         "applyGState(s2, 1)", "applyMats(T(1 2 3))", "glDrawArrays(4, 3, 3)",
                         "applyGState(s3, 1)", "applyMats(T(1 2 3))", "glDrawArrays(1, 0, 2)"};

TEST_F(RenderPass, SolidPassDrawsSlotsInOrderSkipsSlotsWithoutBufferAndAddsTheBox) {
    GL::Body& body = addBody(makeGeometry());
    // A group in a slot that has no buffer is never drawn.
    Vuro::GL::BodyProto& glProto = *body.getProto()->getGLProto();
    Vuro::GL::SlotBuffer orphan;
    glProto.getGLTris()[5].emplace_back(orphan, 5, 0, 3, makeRef<Vuro::GL::GState>());
    pass(&GL::Project::render, 0x01, 0);
    EXPECT_EQ(draws(), allGroups);
    pass(&GL::Project::render, 0x02, 0); // no body geometry in the mask
    EXPECT_TRUE(draws().empty());

    // The box: box colour at full mix, then the mix reset to the highlight colour.
    context.boxColor = {0.1f, 0.2f, 0.3f};
    context.hlColor = {1, 0, 0, 1};
    pass(&GL::Project::render, 0x101, 0);
    Lines expected = allGroups;
    expected.insert(expected.end(), {"applyGState(s4, 1)", "applyMats(T(1 2 3))",
                                     "applyHLRenderMix(1, (0.1 0.2 0.3 1))",
                                     "glDrawArrays(1, 0, 24)", "applyHLRenderMix(0, (1 0 0 1))"});
    EXPECT_EQ(draws(), expected);
    // Never in a transparent-only pass.
    pass(&GL::Project::render, 0x101, Context::PassTranspOnly);
    EXPECT_EQ(draws().size(), 3u);
    glProto.getGLTris()[5].clear();
}

TEST_F(RenderPass, TransparencyFlagsSplitGroupsAndWholeBodies) {
    addBody(makeGeometry());
    pass(&GL::Project::render, 0x01, Context::PassOpaqueOnly);
    // States are named in the order they are first applied.
    EXPECT_EQ(draws(),
              (Lines{"applyGState(s1, 1)", "applyMats(T(1 2 3))", "glDrawArrays(4, 0, 3)",
                     "applyGState(s2, 1)", "applyMats(T(1 2 3))", "glDrawArrays(1, 0, 2)"}));
    pass(&GL::Project::render, 0x01, Context::PassTranspOnly);
    EXPECT_EQ(draws(),
              (Lines{"applyGState(s3, 1)", "applyMats(T(1 2 3))", "glDrawArrays(4, 3, 3)"}));

    // A body that is not fully opaque belongs wholly to the transparent pass.
    bodies.clear();
    project->set(nullptr);
    addBody(makeGeometry(), 0.5f);
    pass(&GL::Project::render, 0x01, Context::PassOpaqueOnly);
    EXPECT_TRUE(draws().empty());
    pass(&GL::Project::render, 0x01, Context::PassTranspOnly);
    EXPECT_EQ(context.ops({"glDrawArrays"}).size(), 9u);
}

TEST_F(RenderPass, BodyColourAndHighlightMixes) {
    GL::Body& body = addBody(makeGeometry());
    auto& sim = static_cast<Sim::Body&>(*body.getSimNode());
    context.hlColor = {1, 0, 0, 1};
    auto mixes = [&] {
        pass(&GL::Project::render, 0x01, 0);
        Lines out;
        for (const auto& line : draws()) {
            if (line.rfind("applyHLRenderMix", 0) == 0) {
                out.push_back(line);
            }
        }
        return out;
    };
    EXPECT_TRUE(mixes().empty());

    body.setHighlight(0, true, false);
    EXPECT_EQ(mixes(), (Lines{"applyHLRenderMix(0.5, (1 0 0 1))", "applyHLRenderMix(0)"}));

    sim.setUseColor(true);
    sim.setColor({0, 1, 0});
    sim.setColorMix(0.25f);
    EXPECT_EQ(mixes(), (Lines{"applyHLRenderMix(0.5, (0.5 0.5 0 1))", "applyHLRenderMix(0)"}));

    body.setHighlight(0, false, false);
    EXPECT_EQ(mixes(), (Lines{"applyHLRenderMix(0.25, (0 1 0 1))", "applyHLRenderMix(0)"}));
}

TEST_F(RenderPass, HiddenOrModeOneBodiesStayOutOfTheSolidPass) {
    GL::Body& body = addBody(makeGeometry());
    auto& sim = static_cast<Sim::Body&>(*body.getSimNode());
    body.setHighlight(1, true, false);
    pass(&GL::Project::render, 0x01, Context::PassHideHL1);
    EXPECT_TRUE(draws().empty());
    body.setHighlight(1, false, false);
    sim.setVisible(false);
    pass(&GL::Project::render, 0x01, 0);
    EXPECT_TRUE(draws().empty());
    // Highlight passes do not look at visibility; groups draw only when the body forces them.
    pass(&GL::Project::renderHL, 0x01, 0, 0);
    EXPECT_TRUE(draws().empty());
    body.setHighlight(0, true, false);
    pass(&GL::Project::renderHL, 0x01, 0, 0);
    EXPECT_EQ(draws().size(), 9u);
    pass(&GL::Project::renderHL, 0x01, 0, 1);
    EXPECT_TRUE(draws().empty()); // but not in another mode
}

TEST_F(RenderPass, ModeOneTakesPrecedenceInModeZeroHighlightButNotInItsMask) {
    GL::Body& body = addBody(makeGeometry());
    body.getProto()->setHighlight(1, true, false);
    EXPECT_FALSE(body.getProto()->isHighlighted()); // passed on, not kept
    project->setHighlight(0, true, false);          // forces every node in mode 0

    pass(&GL::Project::renderHL, 0x01, 0, 0);
    EXPECT_TRUE(draws().empty());
    pass(&GL::Project::renderHLMask, 0x01, 0, 0);
    EXPECT_EQ(draws(),
              (Lines{"applyMats(T(1 2 3))", "glDrawArrays(4, 0, 3)", "applyMats(T(1 2 3))",
                     "glDrawArrays(4, 3, 3)", "applyMats(T(1 2 3))", "glDrawArrays(1, 0, 2)"}));
    EXPECT_EQ(context.passFlags, 0u);
}

TEST_F(RenderPass, MaskUsesMaskMatrixOnlyForOwnHighlight) {
    GL::Body& own = addBody(makeGeometry());
    addBody(makeGeometry());
    own.setHighlight(1, true, false);
    project->setHighlight(1, true, false);
    context.maskMatrix = Tolu::Matrix4x4T<double>::translation({10, 0, 0});
    pass(&GL::Project::renderHLMask, 0x01, 0, 1);
    const Lines ops = context.ops();
    EXPECT_EQ(std::count(ops.begin(), ops.end(), "applyMats(T(11 2 3))"), 3);
    EXPECT_EQ(std::count(ops.begin(), ops.end(), "applyMats(T(1 2 3))"), 3);
}

TEST_F(RenderPass, ForcedBitIsRestoredWhenADrawThrows) {
    GL::Body& body = addBody(makeGeometry());
    body.setHighlight(0, true, false);
    project->setHighlight(0, true, false);
    pass(&GL::Project::renderHL, 0x01, 0, 0); // buffers made; the next pass only draws
    for (std::size_t n = 1; n <= 6; ++n) {
        context.clear();
        context.passFlags = 0;
        gl.throwAt(n);
        EXPECT_THROW(project->renderHL(context), Tolu::GL::Error) << n;
        EXPECT_EQ(context.passFlags, 0u) << n;
        context.clear();
        context.passFlags = Context::PassForcedHL;
        gl.throwAt(n);
        EXPECT_THROW(project->renderHLMask(context), Tolu::GL::Error) << n;
        EXPECT_EQ(context.passFlags, Context::PassForcedHL) << n;
    }
    gl.throwAt(0);
}

TEST_F(RenderPass, FramesFollowTheirMaskBitAndHighlight) {
    GL::Body& withProto = addBody(makeGeometry());
    addBody({});
    pass(&GL::Project::renderHUD, 0x10, 0);
    EXPECT_EQ(context.ops({"glLineWidth"}), (Lines{"glLineWidth(2)", "renderCS(T(1 2 3), 1)"}));
    pass(&GL::Project::renderHUD, 0x08, 0);
    EXPECT_EQ(context.ops(), (Lines{"renderCS(T(1 2 3), 1)"}));
    pass(&GL::Project::renderHUD, 0x02, 0); // tracks only: every body declines
    EXPECT_TRUE(context.ops().empty());

    withProto.setHighlight(0, true, false);
    context.hlColor = {1, 0, 0, 1};
    pass(&GL::Project::renderHUD, 0x18, 0);
    EXPECT_EQ(context.ops(), (Lines{"renderCS(T(1 2 3), 1)"})); // only the plain one
    pass(&GL::Project::renderHUDHL, 0x18, 0, 0);
    EXPECT_EQ(context.ops(), (Lines{"renderCS(T(1 2 3), (1 0 0 1), 0.5)"}));
    project->setHighlight(0, true, false);
    pass(&GL::Project::renderHUDHL, 0x18, 0, 0);
    EXPECT_EQ(context.ops(),
              (Lines{"renderCS(T(1 2 3), (1 0 0 1), 0.5)", "renderCS(T(1 2 3), (1 0 0 1), 1)"}));
}

TEST_F(RenderPass, EmptyProjectCallsNothingAndKeepsFlags) {
    for (auto fn :
         {&GL::Project::render, &GL::Project::renderHL, &GL::Project::renderHLMask,
          &GL::Project::renderHUD, &GL::Project::renderHUDHL, &GL::Project::renderHUDHLMask}) {
        project->setHighlight(0, true, false);
        pass(fn, 0xFFFF, 0x0A, 0);
        EXPECT_TRUE(context.log().empty());
        EXPECT_EQ(context.passFlags, 0x0A);
    }
}

TEST_F(RenderPass, HighlightBitsPerOwner) {
    GL::Body& body = addBody(makeGeometry());
    auto simJoint = makeRef<Sim::Joint>();
    model->addJoint(simJoint);
    RefT<InspectJoint> joint(new InspectJoint(*project, *simJoint));
    EXPECT_FALSE(joint->isHighlighted()) << "the geometry-invalid bit is no highlight";
    joint->setHighlight(1, true, false);
    EXPECT_EQ(joint->flags(), GL::Joint::FlagGeoInvalid | GL::Joint::FlagHL1);
    joint->setHighlight(2, false, false); // mode 2 would be the geometry flag's bit
    EXPECT_EQ(joint->flags(), GL::Joint::FlagGeoInvalid | GL::Joint::FlagHL1);
    EXPECT_FALSE(joint->isHighlighted(2));

    project->setHighlight(0, true, false); // the project's own bit
    EXPECT_TRUE(project->isHighlighted(0));
    EXPECT_FALSE(body.isHighlighted(0));
    project->setHighlight(1, true, true); // passed on to every node
    EXPECT_TRUE(body.isHighlighted(1));
    project->setHighlight(1, false, true);
    EXPECT_FALSE(body.isHighlighted());
    EXPECT_FALSE(joint->isHighlighted());
    EXPECT_TRUE(project->isHighlighted(0));
    project->setHighlight(5, true, false);
    EXPECT_FALSE(project->isHighlighted(5));

    // Modes from 32 on are no aliases of 0 and 1 on joints and the project...
    joint->setHighlight(1, true, false);
    for (const Vuro::GL::HLMode mode : {32u, 33u, 34u, 0x80000001u, Vuro::GL::allModes}) {
        project->setHighlight(mode, mode != 32u, false);
        joint->setHighlight(mode, mode != 32u, false);
        EXPECT_TRUE(project->isHighlighted(0)) << mode;
        EXPECT_FALSE(project->isHighlighted(1)) << mode;
        EXPECT_EQ(joint->flags(), GL::Joint::FlagGeoInvalid | GL::Joint::FlagHL1) << mode;
        EXPECT_FALSE(project->isHighlighted(mode) || joint->isHighlighted(mode)) << mode;
    }
    // ...while a body takes the mode modulo 32.
    body.setHighlight(33, true, false);
    EXPECT_TRUE(body.isHighlighted(1));
    EXPECT_TRUE(body.isHighlighted(Vuro::GL::allModes) == body.isHighlighted(31));
}

} // namespace

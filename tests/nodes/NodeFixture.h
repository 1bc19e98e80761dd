#pragma once

#include "support/RecordingContext.h"

#include <sim_gl/Functions.h>
#include <sim_gl/JointTrack.h>
#include <sim_gl/Project.h>
#include <sim_gl/SensorTrack.h>
#include <sim_gl/Track.h>

#include <ostra_sim/JointTrack.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Track.h>
#include <tolu/gl/Recorder.h>
#include <tolu/gl/ScopedFunctions.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/IsectContext.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace NodeTest {

namespace GL = Ostra::Sim::GL;
namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::Matrix4x4T;
using Tolu::RefT;
using Tolu::Vector3T;
using Tolu::Vector4T;
using Tolu::Test::fmt;
using Vuro::GL::Context;
using Lines = std::vector<std::string>;
using Pass = void (GL::Node::*)(Context&);

// Lets tests register nodes for `find` without running a whole update.
struct TestProject : GL::Project {
    using Project::Project;
    void mirror(Sim::Node& sim, GL::Node& node) { nodeMap[&sim] = &node; }
};

/// A pick straight down −z through (x, y) from z = 10 (near plane at z = 9), `half` wide
/// either side at the near plane, ten times that at z = 0.
struct Pick {
    Pick(double x, double y, double half = 0.01)
        : frustum(-half, half, -half, half, 1, 100, Matrix4x4T<double>::translation({x, y, 10})),
          segment(frustum.toWorld.transformAffine({0, 0, -1}),
                  frustum.toWorld.transformAffine({0, 0, -100})) {}
    Tolu::FrustumT<double> frustum;
    Tolu::Segment3T<double> segment;
};

class Nodes : public ::testing::Test {
protected:
    template <class T = Sim::Body> RefT<T> simBody(const Vector3T<double>& at) {
        auto body = makeRef<T>();
        body->setTransform(Matrix4x4T<double>::translation(at));
        return body;
    }
    template <class S = Sim::Joint>
    RefT<S> simJoint(const Vector3T<double>& at, Sim::Body* b1, Sim::Body* b2) {
        auto joint = makeRef<S>();
        joint->setFrame(Matrix4x4T<double>::translation(at));
        joint->setBody1(RefT<Sim::Body>(b1));
        joint->setBody2(RefT<Sim::Body>(b2));
        return joint;
    }
    // Scene nodes live in the project's lists; the references returned stay valid.
    template <class N = GL::Body, class S> N& node(S& sim) {
        auto* made = new N(*project, sim);
        project->mirror(sim, *made);
        return *made;
    }
    /// Runs one pass; the context operations and the GL calls named in `keep`.
    Lines pass(Pass fn, GL::Node& node, unsigned mask, Vuro::GL::HLMode mode = Vuro::GL::HLModeNone,
               std::uint8_t flags = 0, const Lines& keep = {"glDrawArrays"}) {
        context.clear();
        context.renderMask = mask;
        context.hlMode = mode;
        context.passFlags = flags;
        (node.*fn)(context);
        EXPECT_EQ(context.passFlags, flags) << "the pass must leave the flags as it found them";
        return context.ops(keep);
    }

    Tolu::GL::Recorder gl;
    Tolu::GL::ScopedFunctions useRecorder{gl.getTable()};
    Tolu::Test::RecordingContext context{gl};
    Vuro::GL::ClassMap classMap;
    RefT<TestProject> project = makeRef<TestProject>(classMap);
};

} // namespace NodeTest

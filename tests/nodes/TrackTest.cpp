#include "NodeFixture.h"

#include <tolu/gl/Error.h>
#include <vuro_gl/gl/GripColors.h>

#include <cmath>
#include <numeric>

namespace NodeTest {
namespace {

constexpr unsigned trackPath = 0x02;
constexpr unsigned sensorGrips = 0x40;
using Tolu::DegreeT;

struct PathCase {
    const char* name;
    void (*build)(Sim::Track&);
    std::vector<std::uint64_t> counts;
};

class TrackPaths : public Nodes, public ::testing::WithParamInterface<PathCase> {};

TEST_P(TrackPaths, SampleEachSegmentByItsKindAndDrawAStripWithAConeAtTheEnd) {
    auto sim = makeRef<Sim::Track>();
    GetParam().build(*sim);
    auto& track = node<GL::Track>(*sim);
    EXPECT_EQ(track.getSegPointCounts(), GetParam().counts);
    const auto& counts = GetParam().counts;
    const std::size_t points =
        counts.empty() ? 0 : 1 + std::accumulate(counts.begin(), counts.end(), std::size_t{0});
    ASSERT_EQ(track.getPoints().size(), points) << "the origin, then each segment's points";
    const Lines drawn = pass(&GL::Node::renderHUD, track, trackPath);
    EXPECT_EQ(drawn[3], "glDrawArrays(3, 0, " + std::to_string(points) + ")");
    EXPECT_EQ(drawn.size(), points ? 5u : 4u) << "a cone only with a path";
    if (points) {
        EXPECT_EQ(track.getPoints().back(), Vector3T<float>(sim->getPos(counts.size() - 1, 1)));
    } else {
        EXPECT_EQ(track.getEndTransform(), Matrix4x4T<double>::identity());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TrackPaths,
    ::testing::Values(
        PathCase{"Straight", [](Sim::Track& t) { t.addStraight(3); }, {1}},
        PathCase{"FullCircle", [](Sim::Track& t) { t.addArc(1, DegreeT(360.0)); }, {73}},
        PathCase{"RightTurn", [](Sim::Track& t) { t.addArc(1, DegreeT(-90.0)); }, {19}},
        PathCase{"Curves",
                 [](Sim::Track& t) {
                     t.addBezier({1, 0, 0}, {2, 1, 0}, {3, 1, 0});
                     t.addHelix(1, DegreeT(4.0), 1);
                     t.addArc(1, DegreeT(4.0));
                 },
                 {16, 16, 1}},
        PathCase{"NoSegments", [](Sim::Track&) {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Nodes, APathIsDrawnInTheTrackColourAndByTheHighlightPassesWhenHidden) {
    auto sim = simBody<Sim::Track>({0, 0, 1});
    sim->addStraight(2);
    sim->setColor({0.5f, 0.25f, 1.0f});
    auto& track = node<GL::Track>(*sim);
    EXPECT_EQ(gl.count("glBufferData"), 0u) << "filled by the first pass that draws";
    pass(&GL::Node::renderHUD, track, trackPath);
    EXPECT_EQ(
        pass(&GL::Node::renderHUD, track, trackPath, Vuro::GL::HLModeNone, 0,
             {"glBufferData", "glDrawArrays"}),
        (Lines{"applyHUDColors((0.5 0.25 1 1), 0)", "applyMats(T(0 0 1))", "disableHUDRescale()",
               "glDrawArrays(3, 0, 2)", "renderCone(T(2 0 1), (0.5 0.25 1 1))"}));
    sim->setVisible(false);
    EXPECT_TRUE(pass(&GL::Node::renderHUD, track, trackPath).empty());
    track.setHighlight(0, true, false);
    EXPECT_EQ(pass(&GL::Node::renderHUDHLMask, track, trackPath, 0).back(),
              "renderCone(T(2 0 1), (1 1 1 1))");
    track.setHighlight(1, true, false);
    EXPECT_TRUE(pass(&GL::Node::renderHUDHL, track, trackPath, 0).empty());
}

// A path too long to sample is refused, naming the track and the segment, before
// anything is sampled: an arc's point count past the integer range once came out as one
// point and the update succeeded.
TEST_F(Nodes, APathTooLongToSampleIsRefusedNamingTheTrackAndTheSegment) {
    struct Case {
        void (*build)(Sim::Track&);
        const char* says;
    };
    for (const Case& c :
         {Case{[](Sim::Track& t) { t.addStraight(1), t.addArc(1, DegreeT(-1e20)); },
               "segment 1: an arc of -1e+20 degrees"},
          Case{[](Sim::Track& t) { t.addArc(1, DegreeT(9.3e19)); }, "segment 0: an arc"},
          Case{[](Sim::Track& t) { t.addArc(1, DegreeT(5e7)), t.addArc(1, DegreeT(5e7)); },
               "segment 1: the path would have 20000002 points (a path has at most 16777216)"}}) {
        auto sim = makeRef<Sim::Track>(Sim::SrcRef("long"));
        c.build(*sim);
        try {
            (void)RefT<GL::Track>(new GL::Track(*project, *sim));
            ADD_FAILURE() << "accepted: " << c.says;
        } catch (const Tolu::Error& error) {
            EXPECT_NE(std::string(error.what()).find(std::string("track \"long\" ") + c.says),
                      std::string::npos)
                << error.what();
        }
    }
}

// A failure at any call of the first upload deletes what was made, and the next pass
// uploads the path and draws it.
TEST_F(Nodes, AFailedFirstUploadOfThePathStartsOverInTheNextPass) {
    auto sim = simBody<Sim::Track>({0, 0, 1});
    sim->addStraight(2);
    auto& track = node<GL::Track>(*sim);
    // Array made and bound, buffer made, bound and filled, the attribute enabled and set.
    constexpr std::size_t uploadCalls = 7;
    for (std::size_t k = 1; k <= uploadCalls; ++k) {
        gl.reset();
        track.release(); // two calls
        gl.throwAt(2 + k);
        // Not through `pass`, which forgets the log and the armed fault.
        context.renderMask = trackPath;
        context.hlMode = Vuro::GL::HLModeNone;
        EXPECT_THROW(track.renderHUD(context), Tolu::GL::Error);
        SCOPED_TRACE("failed at " + gl.calls()[1 + k].str());
        EXPECT_EQ(gl.liveObjects(), Lines{}) << "half-made objects deleted";
        const Lines next = pass(&GL::Node::renderHUD, track, trackPath, Vuro::GL::HLModeNone, 0,
                                {"glBufferData", "glDrawArrays"});
        ASSERT_GE(next.size(), 4u);
        EXPECT_EQ(next[0].substr(0, 13), "glBufferData(") << "uploaded again";
        EXPECT_EQ(next[4], "glDrawArrays(3, 0, 2)");
    }
}

TEST(SensorPositions, CountBackFromTheEndAndClampToTheTrack) {
    const double cases[][3] = {{-2, 10, 8},    {12, 10, 10}, {-12, 10, 0}, {0.0, 10, 0},
                               {-0.0, 10, 10}, {5, 0, 0},    {-2, 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(GL::SensorTrack::normalizePos(c[0], c[1]), c[2])
            << (std::signbit(c[0]) ? "-" : "+") << std::fabs(c[0]) << " on length " << c[1];
    }
}

class Sensors : public Nodes {
protected:
    GL::Sensor& sensor(Sim::Body* on, double pos1, double pos2) {
        auto sim = makeRef<Sim::SensorTrack>();
        sim->setTrack(RefT<Sim::Body>(on));
        sim->setPos1(pos1);
        sim->setPos2(pos2);
        return *GL::newSensor(*project, *sim); // the sensor list holds it
    }
    Lines grips(GL::Sensor& sensor, Pass fn, Vuro::GL::HLMode mode = Vuro::GL::HLModeNone) {
        return pass(fn, sensor, sensorGrips, mode, 0, {});
    }
};

TEST_F(Sensors, GripsSitAtBothPositionsTintedByTheHighlight) {
    auto track = simBody<Sim::Track>({0, 1, 0});
    track->addStraight(10);
    auto& sensor = this->sensor(track.get(), 2, -1);
    using Colors = Vuro::GL::SensorTrack;
    const std::string back = fmt(Colors::colorGripB) + ")";
    EXPECT_EQ(grips(sensor, &GL::Node::renderHUD),
              (Lines{"renderGrip((2 1 0), " + fmt(Colors::colorGripF1) + ", " + back,
                     "renderGrip((9 1 0), " + fmt(Colors::colorGripF2) + ", " + back}));
    sensor.setHighlight(0, true, false);
    const Vector4T<float> hl = context.hlColor;
    EXPECT_EQ(grips(sensor, &GL::Node::renderHUDHL, 0).front(),
              "renderGrip((2 1 0), " + fmt(Colors::colorGripF1 * 0.5f + hl * 0.5f) + ", " +
                  fmt(hl) + ")");
    sensor.setHighlight(1, true, false);
    EXPECT_TRUE(grips(sensor, &GL::Node::renderHUD).empty());
    EXPECT_TRUE(grips(sensor, &GL::Node::renderHUDHLMask, 0).empty());
}

TEST_F(Sensors, APositionTheTrackCannotResolveCostsOnlyTheGrips) {
    auto plain = simBody({0, 0, 0});
    EXPECT_TRUE(grips(sensor(plain.get(), 1, 2), &GL::Node::renderHUD).empty());

    auto empty = makeRef<Sim::Track>(); // no segments: every position query throws
    auto& onEmpty = sensor(empty.get(), 1, 2);
    onEmpty.setHighlight(0, true, false);
    EXPECT_TRUE(grips(onEmpty, &GL::Node::renderHUDHL, 0).empty()); // `pass` checks the flags
    EXPECT_FALSE(onEmpty.getBSphere(context, sensorGrips, 0, 0).valid);
    Pick at(0, 0);
    Vuro::GL::Isect::Context query(Vuro::GL::allModes, sensorGrips, Vuro::GL::Isect::FlagNone);
    GL::Isect::Hit hit;
    onEmpty.isect(at.segment, at.frustum, query, hit);
    EXPECT_FALSE(hit.node);
}

} // namespace
} // namespace NodeTest

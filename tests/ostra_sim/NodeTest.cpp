#include <ostra_sim/Body.h>
#include <ostra_sim/Error.h>
#include <ostra_sim/JointTrack.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Stamp.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace Ostra::Sim;
using Tolu::makeRef;
using M4 = Tolu::Matrix4x4T<double>;

TEST(NodeStamps, TransformRaisesBothStampsOtherSettersOnlyTheNodeStamp) {
    const Stamp first = nextStamp();
    EXPECT_GT(first, 0u);
    EXPECT_GT(nextStamp(), first);
    auto body = makeRef<Body>(SrcRef("b"));
    EXPECT_GT(body->getStamp(), first + 1);
    Stamp last = body->getStamp();
    const auto raisedAlone = [&](auto&& write) {
        const Stamp transformStamp = body->getTransformStamp();
        write();
        const bool ok = body->getStamp() > last && body->getTransformStamp() == transformStamp;
        last = body->getStamp();
        return ok;
    };
    EXPECT_TRUE(raisedAlone([&] { body->setVisible(false); }));
    EXPECT_TRUE(raisedAlone([&] { body->setPickable(false); }));
    EXPECT_TRUE(raisedAlone([&] { body->setUseColor(true); }));
    EXPECT_TRUE(raisedAlone([&] { body->setColor({1, 0, 0}); }));
    EXPECT_TRUE(raisedAlone([&] { body->setColorMix(0.25f); }));
    EXPECT_TRUE(raisedAlone([&] { body->setAlpha(0.5f); }));
    EXPECT_TRUE(raisedAlone([&] { body->setStatus(1); }));
    EXPECT_TRUE(raisedAlone([&] { body->setRefPoint({1, 2, 3}); }));
    EXPECT_TRUE(raisedAlone([&] { body->setProto(makeRef<Vuro::BodyProto>("p")); }));

    body->setTransform(M4::translation({1, 2, 3}));
    EXPECT_GT(body->getStamp(), last);
    EXPECT_EQ(body->getTransformStamp(), body->getStamp());
}

TEST(NodeStamps, JointSettersRaiseTheJointStampAndTheFinerOne) {
    auto joint = makeRef<JointTrack>(SrcRef("j"));
    auto body = makeRef<Body>(SrcRef("b"));
    const Stamp frame = joint->getFrameStamp();
    const Stamp link2 = joint->getBody2LinkStamp();
    joint->setBody1(body);
    EXPECT_EQ(joint->getBody1LinkStamp(), joint->getStamp());
    EXPECT_EQ(joint->getFrameStamp(), frame);
    EXPECT_EQ(joint->getBody2LinkStamp(), link2);
    joint->setFrame(M4::translation({0, 0, 1}));
    EXPECT_EQ(joint->getFrameStamp(), joint->getStamp());
    EXPECT_GT(joint->getFrameStamp(), joint->getBody1LinkStamp());
    const Stamp before = joint->getStamp();
    joint->setCurrentPos(2.5);
    EXPECT_GT(joint->getStamp(), before);

    auto sensor = makeRef<SensorTrack>(SrcRef("s"));
    const Stamp sensorStamp = sensor->getStamp();
    sensor->setTrack(body);
    sensor->setPos2(-1);
    EXPECT_GT(sensor->getStamp(), sensorStamp);
    body = nullptr;
    EXPECT_FALSE(sensor->getTrack());
    EXPECT_FALSE(joint->getBody1());
}

TEST(NodeErrors, NonFiniteValuesAreRefusedWithTheObjectName) {
    auto body = makeRef<Body>(SrcRef("crane", "plant.model", 12));
    const Stamp stamp = body->getStamp();
    M4 bad;
    bad.m[3] = std::numeric_limits<double>::quiet_NaN();
    try {
        body->setTransform(bad);
        FAIL() << "no exception";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("crane: ", 0), 0u) << error.what();
        EXPECT_EQ(error.getSrcRef().line, 12);
    }
    EXPECT_THROW(body->setAlpha(std::nanf("")), Tolu::Error);
    EXPECT_EQ(body->getStamp(), stamp);
    EXPECT_STREQ(Error(SrcRef(), "text").what(), "text");
}

} // namespace

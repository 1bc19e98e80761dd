#include "DemoScene.h"

#include <tolu/math3d/DegreeT.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>
#include <vuro_gl/Shapes.h>

#include <numbers>
#include <string>

namespace SimGLDemo {

namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;
using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;
using C4 = Tolu::Vector4T<float>;

namespace {

// Where the crank turns: in front of the pillar's top, about the world's y axis.
const V3 pillarBase{-2.2, 1.0, 0.0};
const V3 crankPivotPos{-2.2, 0.68, 1.45};
constexpr double crankLength = 1.6;
constexpr double cartLift = 0.16; // half the cart's height: it sits on the track

RefT<Sim::Body> makeBody(Sim::Project& model, const std::string& name,
                         const RefT<Vuro::BodyProto>& proto, const M4& worldFromBody) {
    auto body = makeRef<Sim::Body>(Sim::SrcRef(name));
    body->setProto(proto);
    body->setTransform(worldFromBody);
    model.addBody(body);
    return body;
}

RefT<Sim::Joint> makeJoint(Sim::Project& model, const std::string& name, const V3& pos,
                           const RefT<Sim::Body>& body1, const RefT<Sim::Body>& body2) {
    auto joint = makeRef<Sim::Joint>(Sim::SrcRef(name));
    joint->setFrame(M4::translation(pos));
    joint->setBody1(body1);
    joint->setBody2(body2);
    model.addJoint(joint);
    return joint;
}

double radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

} // namespace

DemoScene::DemoScene() : model(makeRef<Sim::Project>(Sim::SrcRef("demo mechanism"))) {
    Sim::Project& m = *model;
    ground = makeBody(m, "ground", Vuro::makeBox({8.6f, 5.6f, 0.2f}, {0.82f, 0.80f, 0.76f, 1}),
                      M4::translation({0, -0.3, -0.1}));
    // The pillar's foot joint draws its line to here rather than to the plate's centre.
    ground->setRefPoint({-2.2, 1.3, 0.1});
    pillar = makeBody(m, "pillar", Vuro::makeCylinder(0.22f, 1.6f, {0.25f, 0.45f, 0.85f, 1}, 32),
                      M4::translation(pillarBase + V3(0, 0, 0.8)));
    crank =
        makeBody(m, "crank", Vuro::makeBox({1.6f, 0.16f, 0.16f}, {0.85f, 0.18f, 0.15f, 1}), M4());
    ball = makeBody(m, "ball", Vuro::makeSphere(0.3f, {0.95f, 0.82f, 0.15f, 1}, 32), M4());
    cone = makeBody(m, "cone", Vuro::makeCone(0.45f, 1.0f, {0.2f, 0.7f, 0.3f, 1}, 32),
                    M4::translation({2.1, 1.6, 0}));
    arrow = makeBody(m, "arrow", Vuro::makeArrow(1.4f, 0.07f, {0.8f, 0.2f, 0.7f, 1}),
                     M4::translation({3.4, 0.2, 0}) * M4::rotationX(-0.35));
    // Plain grey geometry that the node colours: the simulation's own colour wins.
    block = makeBody(m, "block", Vuro::makeBox({0.7f, 0.7f, 0.7f}, {0.8f, 0.8f, 0.8f, 1}),
                     M4::translation({0.6, 0.3, 0.35}) * M4::rotationZ(radians(20)));
    block->setUseColor(true);
    block->setColor({0.5f, 0.3f, 0.85f});
    block->setColorMix(1.0f);
    glass = makeBody(m, "glass", Vuro::makeBox({1.1f, 0.9f, 1.3f}, {0.6f, 0.8f, 1.0f, 1}),
                     M4::translation({-1.4, -0.6, 0.65}));
    glass->setAlpha(0.5f);
    cart = makeBody(m, "cart", Vuro::makeBox({0.7f, 0.42f, 0.32f}, {0.1f, 0.6f, 0.6f, 1}), M4());

    // A path along the front: straight, a left bend, an S-curve to the right side.
    track = makeRef<Sim::Track>(Sim::SrcRef("track"));
    track->addStraight(3.0);
    track->addArc(1.0, Tolu::DegreeT<double>(90));
    track->addBezier({0.6, 0, 0}, {0.6, -1.4, 0}, {1.2, -2.2, 0});
    track->addStraight(0.6);
    track->setColor({0.15f, 0.25f, 0.75f});
    track->setTransform(M4::translation({-3.8, -2.3, 0.03}));
    m.addBody(track);

    pillarFoot = makeJoint(m, "pillar foot", pillarBase, ground, pillar);
    crankPivot = makeJoint(m, "crank pivot", crankPivotPos, pillar, crank);
    ballPin = makeJoint(m, "ball pin", crankPivotPos, crank, ball);
    blockLink = makeJoint(m, "block link", {1.4, 1.0, 0.2}, block, cone);

    slider = makeRef<Sim::JointTrack>(Sim::SrcRef("cart slider"));
    slider->setBody1(track);
    slider->setBody2(cart);
    slider->setInitialPos(0.6);
    m.addJoint(slider);

    sensor = makeRef<Sim::SensorTrack>(Sim::SrcRef("light barrier"));
    sensor->setTrack(track);
    sensor->setPos1(4.0);
    sensor->setPos2(5.4);
    m.addSensor(sensor);

    driver = makeRef<Sim::PortDrvUI>(Sim::SrcRef("mouse"));
    driver->setCanAll(true);
    m.addPortDrv(driver);

    pose(-20, 0.6);
}

void DemoScene::step() {
    pose(crankAngle + 20, cartPos + 0.55);
}

void DemoScene::pose(double crankDegrees, double cartDistance) {
    crankAngle = crankDegrees;
    cartPos = cartDistance;
    // rotationY by a negative angle lifts +x towards +z.
    const M4 worldFromPivot = M4::translation(crankPivotPos) * M4::rotationY(-radians(crankAngle));
    crank->setTransform(worldFromPivot * M4::translation({crankLength / 2, 0, 0}));
    const M4 worldFromEnd = worldFromPivot * M4::translation({crankLength, 0, 0});
    ball->setTransform(worldFromEnd);
    ballPin->setFrame(worldFromEnd);

    const M4 worldFromSlide = track->getTransform() * track->getTransformAt(cartPos);
    cart->setTransform(worldFromSlide * M4::translation({0, 0, cartLift}));
    slider->setFrame(worldFromSlide);
    slider->setCurrentPos(cartPos);
}

} // namespace SimGLDemo

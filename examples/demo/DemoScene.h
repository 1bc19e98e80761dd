#pragma once

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/JointTrack.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/Project.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Track.h>
#include <tolu/util/RefT.h>

namespace SimGLDemo {

/// The built-in mechanism of the demo, in a z-up world with the ground's top at z = 0:
/// a crank on a pillar swinging a ball, a cart running on a curved track with a
/// sensor stretch, a few free shapes, a half-transparent glass block and a UI port
/// driver that may drag every body.
class DemoScene {
public:
    /// Builds the model. Throws what the simulation model throws.
    DemoScene();

    /// Advances the mechanism by one step: the crank turns and the cart moves on.
    void step();
    /// The crank angle in degrees and the cart's distance along the track.
    void pose(double crankDegrees, double cartDistance);

    [[nodiscard]] const Tolu::RefT<Ostra::Sim::Project>& getModel() const noexcept { return model; }

    Tolu::RefT<Ostra::Sim::Body> ground;
    Tolu::RefT<Ostra::Sim::Body> pillar;
    Tolu::RefT<Ostra::Sim::Body> crank;
    Tolu::RefT<Ostra::Sim::Body> ball;
    Tolu::RefT<Ostra::Sim::Body> cone;
    Tolu::RefT<Ostra::Sim::Body> arrow;
    Tolu::RefT<Ostra::Sim::Body> block; ///< grey geometry, coloured by the node
    Tolu::RefT<Ostra::Sim::Body> glass; ///< half transparent
    Tolu::RefT<Ostra::Sim::Body> cart;
    Tolu::RefT<Ostra::Sim::Track> track;
    Tolu::RefT<Ostra::Sim::Joint> crankPivot;
    Tolu::RefT<Ostra::Sim::Joint> ballPin;
    Tolu::RefT<Ostra::Sim::Joint> pillarFoot;
    Tolu::RefT<Ostra::Sim::Joint> blockLink;
    Tolu::RefT<Ostra::Sim::JointTrack> slider;
    Tolu::RefT<Ostra::Sim::SensorTrack> sensor;
    Tolu::RefT<Ostra::Sim::PortDrvUI> driver;

private:
    Tolu::RefT<Ostra::Sim::Project> model;
    double crankAngle = 0;
    double cartPos = 0;
};

} // namespace SimGLDemo

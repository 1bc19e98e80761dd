#pragma once

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/NodeListT.h>
#include <ostra_sim/PortDrv.h>
#include <ostra_sim/Sensor.h>
#include <ostra_sim/Stamp.h>

#include <cstdint>

namespace Ostra::Sim {

/// A simulation model: owns its bodies, joints, sensors and port drivers in ordered lists.
/// An object belongs to at most one project. Every list change raises `getStamp()`.
class OSTRA_SIM_EXPORT Project : public Tolu::Class {
public:
    ///@{
    /// The owning lists of bodies, joints, sensors and port drivers.
    using BodyList = NodeListT<Body, Tolu::RefT<Body>>;
    using JointList = NodeListT<Joint, Tolu::RefT<Joint>>;
    using SensorList = NodeListT<Sensor, Tolu::RefT<Sensor>>;
    using PortDrvList = NodeListT<PortDrv, Tolu::RefT<PortDrv>>;
    ///@}

    /// An empty model.
    explicit Project(SrcRef srcRef = {});

    ///@{
    /// Adds at the end, inserts before `before` (null: at the end) or removes. Adding throws Error
    /// for null or an object already in a project; removing throws Error for a non-member.
    // List editing. Adding throws Error for null or for an object already in a project;
    // `before` must be a member (null = at the end); removing throws Error for a non-member.
    void addBody(const Tolu::RefT<Body>& body);
    void insertBody(const Tolu::RefT<Body>& body, const Tolu::RefT<Body>& before);
    void removeBody(const Tolu::RefT<Body>& body);
    ///@}
    /// Moves a member in front of `before` (null = to the end). Throws Error for non-members.
    void moveBody(const Tolu::RefT<Body>& body, const Tolu::RefT<Body>& before);
    ///@{
    /// Joint list editing, as the bodies'.
    void addJoint(const Tolu::RefT<Joint>& joint);
    void insertJoint(const Tolu::RefT<Joint>& joint, const Tolu::RefT<Joint>& before);
    void removeJoint(const Tolu::RefT<Joint>& joint);
    ///@}
    ///@{
    /// Sensor list editing, as the bodies'.
    void addSensor(const Tolu::RefT<Sensor>& sensor);
    void insertSensor(const Tolu::RefT<Sensor>& sensor, const Tolu::RefT<Sensor>& before);
    void removeSensor(const Tolu::RefT<Sensor>& sensor);
    ///@}
    ///@{
    /// Port driver list editing, as the bodies'.
    void addPortDrv(const Tolu::RefT<PortDrv>& drv);
    void insertPortDrv(const Tolu::RefT<PortDrv>& drv, const Tolu::RefT<PortDrv>& before);
    void removePortDrv(const Tolu::RefT<PortDrv>& drv);
    ///@}

    /// One kinematic step: every enabled UI driver with an active drag moves its dragged
    /// body (see `PortDrvUI::applyDrag`). Nothing else changes.
    void step();

    /// Where the model comes from, for messages.
    [[nodiscard]] const SrcRef& getSrcRef() const noexcept { return srcRef; }
    /// Raised by every list change.
    [[nodiscard]] Stamp getStamp() const noexcept { return stamp; }
    ///@{
    /// The lists; edit them only through the project's functions.
    [[nodiscard]] BodyList& getBodyList() noexcept { return bodies; }
    [[nodiscard]] const BodyList& getBodyList() const noexcept { return bodies; }
    [[nodiscard]] JointList& getJointList() noexcept { return joints; }
    [[nodiscard]] const JointList& getJointList() const noexcept { return joints; }
    [[nodiscard]] SensorList& getSensorList() noexcept { return sensors; }
    [[nodiscard]] const SensorList& getSensorList() const noexcept { return sensors; }
    [[nodiscard]] const PortDrvList& getPortDrvs() const noexcept { return portDrvs; }
    ///@}

protected:
    ~Project() override;

private:
    template <class T, class L>
    void add(L& list, const Tolu::RefT<T>& object, const Tolu::RefT<T>& before,
             const char* function);
    template <class T, class L>
    void remove(L& list, const Tolu::RefT<T>& object, const char* function);

    SrcRef srcRef;
    BodyList bodies;
    JointList joints;
    SensorList sensors;
    PortDrvList portDrvs;
    Stamp stamp;
};

} // namespace Ostra::Sim

#include <ostra_sim/Error.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/Project.h>
#include <ostra_sim/Stamp.h>

#include <string>
#include <utility>

namespace Ostra::Sim {

Project::Project(SrcRef srcRef) : srcRef(std::move(srcRef)), stamp(nextStamp()) {}

Project::~Project() {
    // Members outlive the project when held elsewhere: they must read as free again. Weak
    // references to a dying object still read it until the base destructor runs.
    for (Body* body = bodies.getFirst().get(); body; body = body->getNext().get()) {
        body->project = nullptr;
    }
    for (Joint* joint = joints.getFirst().get(); joint; joint = joint->getNext().get()) {
        joint->project = nullptr;
    }
    for (Sensor* sensor = sensors.getFirst().get(); sensor; sensor = sensor->getNext().get()) {
        sensor->project = nullptr;
    }
    for (PortDrv* drv = portDrvs.getFirst().get(); drv; drv = drv->getNext().get()) {
        drv->project = nullptr;
    }
}

template <class T, class L>
void Project::add(L& list, const Tolu::RefT<T>& object, const Tolu::RefT<T>& before,
                  const char* function) {
    if (!object) {
        throw Error(srcRef, std::string("Project::") + function + ": null object");
    }
    if (object->project) {
        throw Error(object->getSrcRef(),
                    std::string("Project::") + function + ": already in a project");
    }
    if (before && before->project.get() != this) {
        throw Error(before->getSrcRef(), std::string("Project::") + function +
                                             ": insertion point is not in this project");
    }
    list.insertBefore(object, before);
    object->project = Tolu::PtrT<Project>(this);
    stamp = nextStamp();
}

template <class T, class L>
void Project::remove(L& list, const Tolu::RefT<T>& object, const char* function) {
    if (!object) {
        throw Error(srcRef, std::string("Project::") + function + ": null object");
    }
    if (object->project.get() != this) {
        throw Error(object->getSrcRef(),
                    std::string("Project::") + function + ": not a member of this project");
    }
    list.remove(object);
    object->project = nullptr;
    stamp = nextStamp();
}

void Project::addBody(const Tolu::RefT<Body>& body) {
    add(bodies, body, {}, "addBody");
}
void Project::insertBody(const Tolu::RefT<Body>& body, const Tolu::RefT<Body>& before) {
    add(bodies, body, before, "insertBody");
}
void Project::removeBody(const Tolu::RefT<Body>& body) {
    remove(bodies, body, "removeBody");
}

void Project::moveBody(const Tolu::RefT<Body>& body, const Tolu::RefT<Body>& before) {
    if (!body || body->project.get() != this) {
        throw Error(body ? body->getSrcRef() : srcRef,
                    "Project::moveBody: not a member of this project");
    }
    if (before && before->project.get() != this) {
        throw Error(before->getSrcRef(),
                    "Project::moveBody: insertion point is not in this project");
    }
    if (before == body) {
        return; // already in front of itself
    }
    bodies.remove(body);
    bodies.insertBefore(body, before);
    stamp = nextStamp();
}

void Project::addJoint(const Tolu::RefT<Joint>& joint) {
    add(joints, joint, {}, "addJoint");
}
void Project::insertJoint(const Tolu::RefT<Joint>& joint, const Tolu::RefT<Joint>& before) {
    add(joints, joint, before, "insertJoint");
}
void Project::removeJoint(const Tolu::RefT<Joint>& joint) {
    remove(joints, joint, "removeJoint");
}

void Project::addSensor(const Tolu::RefT<Sensor>& sensor) {
    add(sensors, sensor, {}, "addSensor");
}
void Project::insertSensor(const Tolu::RefT<Sensor>& sensor, const Tolu::RefT<Sensor>& before) {
    add(sensors, sensor, before, "insertSensor");
}
void Project::removeSensor(const Tolu::RefT<Sensor>& sensor) {
    remove(sensors, sensor, "removeSensor");
}

void Project::addPortDrv(const Tolu::RefT<PortDrv>& drv) {
    add(portDrvs, drv, {}, "addPortDrv");
}
void Project::insertPortDrv(const Tolu::RefT<PortDrv>& drv, const Tolu::RefT<PortDrv>& before) {
    add(portDrvs, drv, before, "insertPortDrv");
}
void Project::removePortDrv(const Tolu::RefT<PortDrv>& drv) {
    remove(portDrvs, drv, "removePortDrv");
}

void Project::step() {
    // Hold each driver: moving a body may run code that edits the driver list.
    for (Tolu::RefT<PortDrv> drv = portDrvs.getFirst(); drv; drv = drv->getNext()) {
        if (auto* ui = dynamic_cast<PortDrvUI*>(drv.get())) {
            ui->applyDrag();
        }
    }
}

} // namespace Ostra::Sim

#pragma once

// Edits of a simulation model, and of a project's lists as a host may make them, chosen
// by a source of bytes: a seeded generator in the randomized test, the input when
// fuzzing. `checkUpdate` then holds one update against the simple account of it.

#include "support/MirrorModel.h"

#include <sim_gl/Body.h>

#include <ostra_sim/JointTrack.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Track.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

namespace Tolu::Test {

class ModelEditor {
public:
    using Bytes = std::function<unsigned()>;

    ModelEditor(Ostra::Sim::Project& model, Ostra::Sim::GL::Project& project, Bytes bytes)
        : model(model), project(project), byte(std::move(bytes)) {}

    // One edit of the model or of the project's lists.
    void edit() {
        namespace Sim = Ostra::Sim;
        switch (byte() % 12) {
        case 0: { // a body or a track, anywhere
            RefT<Sim::Body> made = makeRef<Sim::Body>();
            if (byte() % 3 == 0) {
                auto track = makeRef<Sim::Track>();
                track->addStraight(1.0 + byte() % 8); // joints on it ask it for positions
                made = track;
            }
            made->setStatus(status());
            model.insertBody(made, body());
            break;
        }
        case 1:
            if (auto victim = body()) {
                model.removeBody(victim);
            }
            break;
        case 2:
            if (auto moved = body(), before = body(); moved && moved != before) {
                model.moveBody(moved, before);
            }
            break;
        case 3:
            if (auto b = body()) {
                byte() % 2 ? b->setStatus(status()) : b->setTransform(place());
            }
            break;
        case 4: { // a joint of either kind, anywhere
            RefT<Sim::Joint> made =
                byte() % 2 ? RefT<Sim::Joint>(makeRef<Sim::JointTrack>()) : makeRef<Sim::Joint>();
            made->setStatus(status());
            made->setBody1(body());
            made->setBody2(body());
            model.insertJoint(made, joint());
            break;
        }
        case 5:
            if (auto victim = joint()) {
                byte() % 2 ? model.removeJoint(victim) : victim->setStatus(status());
            }
            break;
        case 6:
            if (auto j = joint()) {
                const unsigned what = byte() % 3;
                what == 0   ? j->setBody1(body())
                : what == 1 ? j->setBody2(body())
                            : j->setFrame(place());
            }
            break;
        case 7: { // sensors of either kind come and go
            auto& sensors = model.getSensorList();
            if (byte() % 3 == 0 && sensors.count > 0) {
                model.removeSensor(nth(sensors));
            } else {
                RefT<Sim::Sensor> made = byte() % 2 ? RefT<Sim::Sensor>(makeRef<Sim::SensorTrack>())
                                                    : makeRef<Sim::Sensor>();
                model.insertSensor(made, nth(sensors));
            }
            break;
        }
        case 8: { // drivers come and go
            auto driver = makeRef<Sim::PortDrvUI>();
            driver->setCanAll(byte() % 4 == 0);
            driver->setEnabled(std::uint8_t(byte() % 3 != 0));
            if (auto b = body()) {
                driver->addBody(b);
            }
            model.addPortDrv(driver);
            if (model.getPortDrvs().count > 3) {
                model.removePortDrv(RefT<Sim::PortDrv>(model.getPortDrvs().first.get()));
            }
            break;
        }
        case 9: // the host puts a node of its own for an object outside the model
            (void)RefT<Ostra::Sim::GL::Body>(
                new Ostra::Sim::GL::Body(project, *makeRef<Sim::Body>()));
            break;
        case 10: // the host lets go of the model and takes it back
            project.set(nullptr);
            project.set(RefT<Sim::Project>(&model));
            break;
        default: // an update in between
            (void)project.update();
        }
    }

private:
    template <class T> RefT<T> nth(const Ostra::Sim::NodeListT<T, RefT<T>>& list) {
        const unsigned index = byte();
        if (list.count == 0) {
            return {};
        }
        T* object = list.first.get();
        for (std::uint64_t i = index % list.count; i > 0; --i) {
            object = object->getNext().get();
        }
        return RefT<T>(object);
    }
    RefT<Ostra::Sim::Body> body() { return nth(model.getBodyList()); }
    RefT<Ostra::Sim::Joint> joint() { return nth(model.getJointList()); }
    std::int32_t status() { return std::int32_t(byte() % 5) - 1; }
    Matrix4x4T<double> place() { return Matrix4x4T<double>::translation({double(byte()), 0, 0}); }

    Ostra::Sim::Project& model;
    Ostra::Sim::GL::Project& project;
    Bytes byte;
};

// Updates `project` and says what is wrong with the result, or nothing: the removed and
// created nodes, the lists in model order, the lookups (found exactly while mirrored),
// and a second update that must change nothing.
inline std::string checkUpdate(Ostra::Sim::GL::Project& project, Ostra::Sim::Project& model) {
    const Kinds old = listedIn(project);
    const Kinds mirrored = mirroredIn(model);
    if (changeOf(project.update()) != expectedChange(old, mirrored)) {
        return "removed or created the wrong nodes";
    }
    if (listedIn(project) != mirrored) {
        return "lists out of model order";
    }
    for (std::size_t kind = 0; kind < mirrored.size(); ++kind) {
        for (const auto* object : mirrored[kind]) {
            const auto found = project.find(const_cast<Ostra::Sim::Node*>(object));
            if (!found || found->getSimNode().get() != object) {
                return "a mirrored object is not found";
            }
        }
        for (const auto* object : old[kind]) {
            if (std::find(mirrored[kind].begin(), mirrored[kind].end(), object) ==
                    mirrored[kind].end() &&
                project.find(const_cast<Ostra::Sim::Node*>(object))) {
                return "an object no longer mirrored is still found";
            }
        }
    }
    if (changeOf(project.update()) != Change{}) {
        return "a second update changed something";
    }
    return {};
}

} // namespace Tolu::Test

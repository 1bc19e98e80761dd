// Edits a simulation model as the input says, with updates in between, and checks after
// every update that the scene mirrors the model exactly: the lists in model order, what
// was removed and created, the lookups, and that a second update changes nothing.

#include "support/MirrorModel.h"

#include <sim_gl/Body.h>
#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/JointTrack.h>
#include <ostra_sim/Project.h>
#include <ostra_sim/Sensor.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Track.h>
#include <tolu/gl/NoOpFunctions.h>
#include <tolu/gl/ScopedFunctions.h>
#include <vuro_gl/gl/ClassMap.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

namespace GL = Ostra::Sim::GL;
namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;
using Tolu::Test::Change;
using Tolu::Test::Kinds;

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "the scene no longer mirrors the model: %s\n", what);
    std::abort();
}

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    bool empty() const { return size == 0; }
    unsigned byte() {
        if (size == 0) {
            return 0;
        }
        --size;
        return *data++;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
};

// The member of `list` at `index` modulo its length, or null when it is empty.
template <class T> RefT<T> nth(const Sim::NodeListT<T, RefT<T>>& list, unsigned index) {
    if (list.count == 0) {
        return {};
    }
    T* object = list.first.get();
    for (std::uint64_t i = index % list.count; i > 0; --i) {
        object = object->getNext().get();
    }
    return RefT<T>(object);
}

class Session {
public:
    explicit Session(Input& in) : in(in) { project->set(model); }

    void run() {
        while (!in.empty()) {
            edit();
        }
        update();
    }

private:
    RefT<Sim::Body> body() { return nth(model->getBodyList(), in.byte()); }
    RefT<Sim::Joint> joint() { return nth(model->getJointList(), in.byte()); }
    std::int32_t status() { return std::int32_t(in.byte() % 5) - 1; }
    Tolu::Matrix4x4T<double> place() {
        return Tolu::Matrix4x4T<double>::translation({double(in.byte()), 0, 0});
    }

    void edit() {
        switch (in.byte() % 12) {
        case 0: { // a body or a track, anywhere
            RefT<Sim::Body> made = makeRef<Sim::Body>();
            if (in.byte() % 3 == 0) {
                auto track = makeRef<Sim::Track>();
                track->addStraight(1.0 + in.byte());
                made = track;
            }
            made->setStatus(status());
            model->insertBody(made, body());
            break;
        }
        case 1:
            if (auto victim = body()) {
                model->removeBody(victim);
            }
            break;
        case 2:
            if (auto moved = body(); auto before = body()) {
                if (moved != before) {
                    model->moveBody(moved, before);
                }
            }
            break;
        case 3:
            if (auto b = body()) {
                b->setStatus(status());
            }
            break;
        case 4:
            if (auto b = body()) {
                b->setTransform(place());
            }
            break;
        case 5: { // a joint of either kind, anywhere
            RefT<Sim::Joint> made = in.byte() % 2 ? RefT<Sim::Joint>(makeRef<Sim::JointTrack>())
                                                  : makeRef<Sim::Joint>();
            made->setStatus(status());
            made->setBody1(body());
            made->setBody2(body());
            model->insertJoint(made, joint());
            break;
        }
        case 6:
            if (auto victim = joint()) {
                if (in.byte() % 2) {
                    model->removeJoint(victim);
                } else {
                    victim->setStatus(status());
                }
            }
            break;
        case 7:
            if (auto j = joint()) {
                switch (in.byte() % 3) {
                case 0:
                    j->setBody1(body());
                    break;
                case 1:
                    j->setBody2(body());
                    break;
                default:
                    j->setFrame(place());
                }
            }
            break;
        case 8: { // sensors of either kind come and go
            const unsigned how = in.byte();
            auto& sensors = model->getSensorList();
            if (how % 3 == 0 && sensors.count > 0) {
                model->removeSensor(nth(sensors, how));
            } else {
                RefT<Sim::Sensor> made = how % 2 ? RefT<Sim::Sensor>(makeRef<Sim::SensorTrack>())
                                                 : makeRef<Sim::Sensor>();
                model->insertSensor(made, nth(sensors, in.byte()));
            }
            break;
        }
        case 9: { // the host puts a node of its own for an object outside the model
            auto stranger = makeRef<Sim::Body>();
            strangers.push_back(stranger);
            (void)RefT<GL::Body>(new GL::Body(*project, *stranger));
            break;
        }
        case 10: // the host lets go of the model and takes it back
            project->set(nullptr);
            project->set(model);
            break;
        default:
            update();
        }
    }

    void update() {
        const Kinds old = Tolu::Test::listedIn(*project);
        const Kinds mirrored = Tolu::Test::mirroredIn(*model);
        if (Tolu::Test::changeOf(project->update()) != Tolu::Test::expectedChange(old, mirrored)) {
            broken("removed or created the wrong nodes");
        }
        if (Tolu::Test::listedIn(*project) != mirrored) {
            broken("lists out of model order");
        }
        for (const auto& objects : mirrored) {
            for (const auto* object : objects) {
                const RefT<GL::Node> found = project->find(const_cast<Sim::Node*>(object));
                if (!found || found->getSimNode().get() != object) {
                    broken("a mirrored object is not found");
                }
            }
        }
        for (const auto& stranger : strangers) {
            if (project->find(stranger.get())) {
                broken("a retired node is still found");
            }
        }
        strangers.clear();
        if (Tolu::Test::changeOf(project->update()) != Change{}) {
            broken("a second update changed something");
        }
    }

    Input& in;
    Tolu::GL::NoOpFunctions noOp;
    Tolu::GL::ScopedFunctions useNoOp{noOp.getTable()};
    Vuro::GL::ClassMap classMap;
    RefT<Sim::Project> model = makeRef<Sim::Project>();
    RefT<GL::Project> project = makeRef<GL::Project>(classMap);
    std::vector<RefT<Sim::Body>> strangers;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    Session(in).run();
    return 0;
}

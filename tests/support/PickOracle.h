#pragma once

// Picks of a scene under random edits, each made twice on copies of one pick volume: by
// the project (its index and tree) and by the plain walk over the node lists that the
// project's pick must equal; and the project's bounding sphere against the plain walk's.
// Driven by a source of bytes: a seeded generator in the test, the input when fuzzing.

#include "support/PlainSphere.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Joint.h>
#include <ostra_sim/Project.h>
#include <ostra_sim/Track.h>
#include <tolu/gl/NoOpFunctions.h>
#include <tolu/gl/ScopedFunctions.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/IsectContext.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

namespace Tolu::Test {

/// The project's pick as defined, node by node in list order, with no index.
inline void plainPick(Ostra::Sim::GL::Project& project, Segment3T<double>& segment,
                      FrustumT<double>& frustum, Vuro::GL::Isect::Context& context,
                      Ostra::Sim::GL::Isect::Hit& hit) {
    const bool savedHL = context.inheritedHL;
    const unsigned mask = context.classMask;
    context.inheritedHL = savedHL || project.isHighlighted(0);
    const auto all = [&](const auto& list, unsigned parts) {
        context.classMask = mask & parts;
        if (context.classMask) {
            for (auto* node = list.first.get(); node; node = node->getNext().get()) {
                node->isect(segment, frustum, context, hit);
            }
        }
        context.classMask = mask;
    };
    if (!(context.inheritedHL && context.mode != 0)) {
        all(project.getSensorList(), 0x40);
        all(project.getJointList(), 0x24);
        all(project.getBodyList(), 0x1A);
        if (!hit.node) {
            all(project.getBodyList(), 0x01);
        }
    }
    context.inheritedHL = savedHL;
}

class PickOracle {
public:
    using Bytes = std::function<unsigned()>;

    // The first scene comes from a fixed sequence, so that every input byte edits or picks.
    explicit PickOracle(Bytes bytes)
        : byte([n = 1u]() mutable {
              n = n * 1103515245u + 12345u;
              return n >> 16;
          }) {
        project->set(model);
        for (int i = 0; i < 3; ++i) {
            shapes[i] =
                Vuro::makeBox({0.5f + 0.4f * float(i), 0.6f, 0.3f + 0.2f * float(i)}, {1, 1, 1, 1});
        }
        for (int i = 0; i < 48; ++i) {
            insertBody();
        }
        (void)project->update();
        byte = std::move(bytes);
    }

    /// One edit or pick; empty while the two picks agree, else what differed.
    std::string step() {
        namespace Sim = Ostra::Sim;
        switch (byte() % 12) {
        case 0:
            if (auto* b = body()) {
                b->setTransform(place());
            }
            break;
        case 1:
            if (auto* b = body()) {
                b->setStatus(std::int32_t(byte() % 4) - 1);
            }
            break;
        case 2:
            if (auto* b = body()) {
                byte() % 2 ? b->setVisible(!b->isVisible()) : b->setPickable(!b->isPickable());
            }
            break;
        case 3:
            insertBody();
            break;
        case 4:
            if (auto* b = body()) {
                model->removeBody(RefT<Sim::Body>(b));
            }
            break;
        case 5:
            highlight();
            break;
        case 6:
            if (auto* b = body()) {
                const unsigned which = byte() % 4;
                b->setProto(which < 3 ? shapes[which] : RefT<Vuro::BodyProto>());
            }
            break;
        case 7: {
            auto& joints = model->getJointList();
            if (joints.count > 8 || (joints.count > 0 && byte() % 2)) {
                model->removeJoint(RefT<Sim::Joint>(joints.first.get()));
            } else {
                auto joint = makeRef<Sim::Joint>();
                joint->setFrame(place());
                joint->setBody1(RefT<Sim::Body>(body()));
                model->addJoint(joint);
            }
            break;
        }
        case 8:
            (void)project->update();
            break;
        case 9:
            return sphere();
        default:
            return pick();
        }
        return {};
    }

    std::uint64_t picks = 0;
    std::uint64_t hits = 0;
    std::uint64_t spheres = 0;

private:
    Ostra::Sim::Body* body() {
        auto& list = model->getBodyList();
        if (list.count == 0) {
            return nullptr;
        }
        auto* b = list.first.get();
        for (std::uint64_t i = byte() % list.count; i > 0; --i) {
            b = b->getNext().get();
        }
        return b;
    }
    Matrix4x4T<double> place() {
        const Vector3T<double> at(double(byte() % 24) * 0.5, double(byte() % 18) * 0.5,
                                  double(byte() % 5) * 0.25);
        const auto spin = Matrix4x4T<double>::rotationZ(double(byte() % 8) * 0.4);
        return Matrix4x4T<double>::translation(at) * spin;
    }
    void insertBody() {
        namespace Sim = Ostra::Sim;
        RefT<Sim::Body> made;
        if (byte() % 8 == 0) {
            auto track = makeRef<Sim::Track>();
            track->addStraight(1.0 + byte() % 4);
            made = track;
        } else {
            made = makeRef<Sim::Body>();
            const unsigned which = byte() % 4;
            made->setProto(which < 3 ? shapes[which] : RefT<Vuro::BodyProto>());
        }
        made->setTransform(place());
        made->setStatus(2);
        auto& list = model->getBodyList();
        model->insertBody(made, list.count > 0 && byte() % 2 ? RefT<Sim::Body>(body())
                                                             : RefT<Sim::Body>());
    }
    void highlight() {
        const auto mode = Vuro::GL::HLMode(byte() % 2);
        const bool on = byte() % 2 != 0;
        const auto nth = [&](const auto& list) {
            auto* node = list.first.get();
            for (std::uint64_t i = list.count ? byte() % list.count : 0; node && i > 0; --i) {
                node = node->getNext().get();
            }
            return node;
        };
        switch (byte() % 3) {
        case 0:
            if (auto* node = nth(project->getBodyList())) {
                node->setHighlight(mode, on, false);
            }
            break;
        case 1:
            if (auto* node = nth(project->getJointList())) {
                node->setHighlight(mode, on, false);
            }
            break;
        default:
            project->setHighlight(mode, on, byte() % 4 == 0);
        }
    }

    std::string pick() {
        ++picks;
        // Looking down, tilted, from above a point of the grid.
        const double x = double(byte() % 64) * 0.2 - 0.5;
        const double y = double(byte() % 48) * 0.2 - 0.5;
        const double half = 0.002 * double(1 + byte() % 64);
        const auto toWorld = Matrix4x4T<double>::translation({x, y, 20.0}) *
                             Matrix4x4T<double>::rotationX(double(byte() % 9) * 0.05 - 0.2) *
                             Matrix4x4T<double>::rotationY(double(byte() % 9) * 0.05 - 0.2);
        const FrustumT<double> frustum(-half, half, -half, half, 1.0, 60.0, toWorld);
        const Segment3T<double> segment(toWorld.transformAffine({0, 0, -1}),
                                        toWorld.transformAffine({0, 0, -60}));
        static constexpr unsigned masks[] = {0x1B, 0x7F, 0x01, 0x1A, 0x5F, 0x19};
        const unsigned mask = masks[byte() % 6];
        const unsigned modeByte = byte() % 8;
        const Vuro::GL::HLMode mode = modeByte < 6 ? Vuro::GL::allModes : modeByte - 6;
        // A filter that runs host code: it stamps a body of the model (changing nothing
        // else), so that the index must check again after the test.
        Ostra::Sim::Body* touched = byte() % 4 == 0 ? body() : nullptr;
        const auto filter = [touched](Vuro::GL::DataClass&) {
            if (touched) {
                touched->setVisible(touched->isVisible());
            }
            return true;
        };
        struct Run {
            Segment3T<double> segment;
            FrustumT<double> frustum;
            Ostra::Sim::GL::Isect::Hit hit;
        } indexed{segment, frustum, {}}, plain{segment, frustum, {}};
        Vuro::GL::Isect::Context c1(mode, mask, Vuro::GL::Isect::FlagNone, filter);
        project->isect(indexed.segment, indexed.frustum, c1, indexed.hit);
        Vuro::GL::Isect::Context c2(mode, mask, Vuro::GL::Isect::FlagNone, filter);
        plainPick(*project, plain.segment, plain.frustum, c2, plain.hit);
        hits += plain.hit.node ? 1 : 0;
        const auto same = [](const auto& a, const auto& b) {
            return std::memcmp(&a, &b, sizeof a) == 0;
        };
        if (indexed.hit.node.get() != plain.hit.node.get() ||
            !same(indexed.hit.pos, plain.hit.pos) || !same(indexed.hit.normal, plain.hit.normal) ||
            indexed.hit.mode != plain.hit.mode || !same(indexed.segment.p1, plain.segment.p1) ||
            !same(indexed.frustum.f, plain.frustum.f)) {
            return "pick " + std::to_string(picks) + " at (" + std::to_string(x) + ", " +
                   std::to_string(y) + ") mask " + std::to_string(mask) + " mode " +
                   std::to_string(mode) + ": the index found " +
                   (indexed.hit.node ? "a node" : "nothing") + ", the walk " +
                   (plain.hit.node ? "a node" : "nothing");
        }
        return {};
    }

    // Asked twice: the second time after a highlight in a mode no sphere reads, which
    // drops the project's answer but not its walk over the bodies.
    std::string sphere() {
        ++spheres;
        static constexpr unsigned masks[][3] = {{0x19, 0, 0}, {0x01, 0, 0}, {0x18, 0, 0},
                                                {0x7F, 0, 0}, {0, 0x1B, 0}, {0x01, 0, 0x19}};
        const unsigned* q = masks[byte() % 6];
        const BSphereT<double> first = project->getBSphere(context, q[0], q[1], q[2]);
        if (auto* node = project->getBodyList().first.get()) {
            node->setHighlight(2, !node->isHighlighted(2), false);
        }
        const BSphereT<double> again = project->getBSphere(context, q[0], q[1], q[2]);
        const BSphereT<double> plain = plainSphere(*project, context, q[0], q[1], q[2]);
        if (!sameSphere(first, plain) || !sameSphere(again, plain)) {
            return "sphere " + std::to_string(spheres) + " masks " + std::to_string(q[0]) + " " +
                   std::to_string(q[1]) + " " + std::to_string(q[2]) + ": the project's " +
                   (sameSphere(first, plain) ? "second" : "first") + " answer differs";
        }
        return {};
    }

    Bytes byte;
    Tolu::GL::NoOpFunctions noOp;
    Tolu::GL::ScopedFunctions useNoOp{noOp.getTable()};
    Vuro::GL::ClassMap classMap;
    Vuro::GL::Context context;
    RefT<Ostra::Sim::Project> model = makeRef<Ostra::Sim::Project>();
    RefT<Ostra::Sim::GL::Project> project = makeRef<Ostra::Sim::GL::Project>(classMap);
    RefT<Vuro::BodyProto> shapes[3];
};

} // namespace Tolu::Test

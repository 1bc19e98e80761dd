#pragma once

// The project's bounding sphere as defined: every node of each list asked afresh, in
// list order, and merged. The project's own answer (kept answers, kept body walks, bodies
// left out) must equal it bit for bit.

#include "interaction/Geometry.h"

#include <sim_gl/Project.h>

#include <vuro_gl/gl/Context.h>

#include <cstring>

namespace Tolu::Test {

inline BSphereT<double> plainSphere(Ostra::Sim::GL::Project& project, Vuro::GL::Context& context,
                                    unsigned mask, unsigned hl1, unsigned hl0) {
    BSphereT<double> sphere;
    const auto all = [&](const auto& list) {
        for (auto* node = list.first.get(); node; node = node->getNext().get()) {
            const BSphereT<double> part = node->getBSphere(context, mask, hl1, hl0);
            if (part.valid) {
                Ostra::Sim::GL::Geometry::merge(sphere, part);
            }
        }
    };
    const unsigned any = mask | hl1 | hl0;
    if (any & 0x1B) {
        all(project.getBodyList());
    }
    if (any & 0x24) {
        all(project.getJointList());
    }
    if (any & 0x40) {
        all(project.getSensorList());
    }
    return sphere;
}

inline bool sameSphere(const BSphereT<double>& a, const BSphereT<double>& b) {
    return a.valid == b.valid &&
           (!a.valid || (std::memcmp(&a.centre, &b.centre, sizeof a.centre) == 0 &&
                         std::memcmp(&a.radius, &b.radius, sizeof a.radius) == 0));
}

} // namespace Tolu::Test

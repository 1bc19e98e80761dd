#include "interaction/PickIndex.h"

#include "interaction/Geometry.h"
#include "interaction/Prefetch.h"

#include <sim_gl/Track.h>

#include <ostra_sim/Node.h>
#include <vuro_gl/gl/IsectContext.h>

#include <algorithm>
#include <limits>
#include <map>
#include <typeinfo>

namespace Ostra::Sim::GL {

bool PickIndex::prepare(const BodyList& list) {
    if (!stale) {
        return !foreign;
    }
    checked = false;
    treeMade = false;
    notPlain.clear();
    links.clear();
    frames.clear();
    meshes.clear();
    protos.clear();
    const auto count = std::size_t(list.getCount());
    links.reserve(count);
    frames.reserve(count);
    meshes.reserve(count);
    foreign = false;
    std::map<const BodyProto*, std::uint32_t> protoIndex;
    for (Body* node = list.first.get(); node; node = node->getNext().get()) {
        Link& link = links.emplace_back();
        link.node.reset(node);
        link.sim = node->getSimNode().get();
        Frame& frame = frames.emplace_back();
        frame.frameBit = std::uint8_t(node->getFrameBit());
        const bool plain = typeid(*node) == typeid(Body);
        frame.flags = plain ? Plain : 0;
        foreign = foreign || (!plain && typeid(*node) != typeid(Track));
        if (!plain) {
            notPlain.push_back(std::uint32_t(links.size() - 1));
        }
        Mesh& mesh = meshes.emplace_back();
        mesh.flags = frame.flags;
        if (const BodyProto* proto = node->getProto().get()) {
            const auto [at, added] = protoIndex.try_emplace(proto, std::uint32_t(protos.size()));
            if (added) {
                protos.push_back(proto);
            }
            mesh.proto = at->second;
        }
    }
    uses.assign(protos.size(), BodyProto::SphereUse::TestDecides);
    useSerials.assign(protos.size(), 0); // the serial is never 0 during a pass
    stale = false;
    return !foreign;
}

void PickIndex::refresh(std::size_t i, Body& node) {
    Link& link = links[i];
    Frame& frame = frames[i];
    Mesh& mesh = meshes[i];
    const Sim::Node& sim = *link.sim;
    const std::uint8_t pickable = sim.isVisible() && sim.isPickable() ? Pickable : 0;
    frame.origin = sim.getTransform().getTranslation();
    frame.flags = std::uint8_t((frame.flags & Plain) | pickable);
    mesh.flags = frame.flags;
    // The body's placed sphere, made as the body makes it but kept off the body: after a
    // move every entry is refreshed, and the body's own copy is made only if a test asks.
    const BodyProto* proto = mesh.proto != noProto ? node.proto.get() : nullptr;
    BSphereT<double> sphere;
    if (proto && proto->localSphere.valid) {
        const BSphereT<double>& local = proto->localSphere;
        sphere = Geometry::transformSphere(sim.getTransform(), local.centre, local.radius);
    }
    mesh.centre = sphere.centre;
    // A NaN radius fails every sphere test, as a missing sphere must.
    mesh.radius = sphere.valid ? sphere.radius : std::numeric_limits<double>::quiet_NaN();
    link.stamp = sim.getStamp();
}

template <class Pass>
bool PickIndex::walk(const BodyList& list, Segment3T<double>& segment, FrustumT<double>& frustum,
                     Isect::Context& context, Isect::Hit& hit, Pass& pass, bool trusted,
                     bool useTree) {
    // While checking, `expected` is the node the list has at the current entry's place.
    Body* expected = list.first.get();
    bool checking = !trusted;
    // Along the tree's candidates (ascending entry indices) while it holds.
    bool treeWalk = useTree && trusted && pass.candidates(candidates);
    std::size_t next = 0;
    // Volumes that keep narrowing (bodies stacked along the ray) would ask the tree again
    // and again: after a few times the walk goes on through every entry.
    int asked = 0;
    constexpr int maxAsked = 16;
    const std::size_t count = links.size();
    constexpr std::size_t prefetchAhead = 8;
    for (std::size_t i = 0; i < count; ++i) {
        if (treeWalk) {
            while (next < candidates.size() && candidates[next] < i) {
                ++next;
            }
            if (next == candidates.size()) {
                break;
            }
            i = candidates[next];
        }
        Body* node = nullptr;
        const bool plain = pass.flags(i) & Plain;
        if (checking) {
            // Checking reads every node and, after a move, its simulation node: far ones.
            if (i + prefetchAhead < count) {
                const Link& ahead = links[i + prefetchAhead];
                prefetchBytes(ahead.node.get(), sizeof(Body));
                prefetchSimNode(ahead.sim);
            }
            Link& link = links[i];
            node = link.node.get();
            if (!node || node != expected) {
                goOnAlongList(expected, segment, frustum, context, hit);
                return false;
            }
            if (plain && link.sim->getStamp() != link.stamp) {
                refresh(i, *node);
            }
        }
        // Only a body that may be hit runs its own test, which decides.
        if (!plain || pass.mayHit(i)) {
            if (!node) {
                node = links[i].node.get(); // trusted: alive and in its place
            }
            if (plain) {
                node->Body::isect(segment, frustum, context, hit);
            } else {
                node->isect(segment, frustum, context, hit);
            }
            pass.tested();
            if (treeWalk && stillChecked(list)) {
                if (++asked <= maxAsked && pass.candidates(candidates)) {
                    next = 0; // the narrowed volume's candidates, from the next entry on
                    continue;
                }
                // Still as checked: on through every entry, without checking.
                treeWalk = false;
                continue;
            }
            treeWalk = false;
            // A mesh test runs the host's filter: from here on every link is checked.
            checking = true;
            expected = node->getNext().get();
        } else if (checking) {
            expected = node->getNext().get();
        }
    }
    if (checking && expected) {
        goOnAlongList(expected, segment, frustum, context, hit);
        return false;
    }
    return true;
}

bool PickIndex::treeReady(const BodyList& list, bool make) {
    if (!stillChecked(list)) {
        return false;
    }
    if (!treeMade && make) {
        std::vector<Vector3T<double>> origins;
        std::vector<Vector3T<double>> centres;
        std::vector<double> radii;
        origins.reserve(frames.size());
        centres.reserve(frames.size());
        radii.reserve(frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            origins.push_back(frames[i].origin);
            centres.push_back(meshes[i].centre);
            radii.push_back(meshes[i].radius);
        }
        tree.build(origins, centres, radii);
        treeMade = true;
    }
    return treeMade;
}

bool PickIndex::stillChecked(const BodyList& list) const {
    return checked && list.getChanges() == checkedChanges && Sim::peekStamp() == checkedStamp;
}

bool PickIndex::finishCandidates(std::vector<std::uint32_t>& out) const {
    out.insert(out.end(), notPlain.begin(), notPlain.end());
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return true;
}

std::size_t PickIndex::candidateLimit() const {
    // Beyond this many the plain order of the index is the cheaper walk.
    return links.size() / 8 + 64;
}

void PickIndex::goOnAlongList(Body* from, Segment3T<double>& segment, FrustumT<double>& frustum,
                              Isect::Context& context, Isect::Hit& hit) {
    stale = true;
    checked = false;
    treeMade = false;
    for (Body* node = from; node; node = node->getNext().get()) {
        node->isect(segment, frustum, context, hit);
    }
}

bool PickIndex::framePass(const BodyList& list, Segment3T<double>& segment,
                          FrustumT<double>& frustum, Isect::Context& context, Isect::Hit& hit) {
    struct Frames {
        std::uint8_t flags(std::size_t i) const { return frames[i].flags; }
        bool mayHit(std::size_t i) {
            const Frame& frame = frames[i];
            return (frame.flags & Pickable) && (mask & frame.frameBit) &&
                   probe.contains(frame.origin);
        }
        // A hit moves the far plane.
        void tested() { probe.forget(); }
        // Worked out on a copy: the frustum's own planes are made as the tests reach them.
        bool candidates(std::vector<std::uint32_t>& out) {
            out.clear();
            FrustumT<double> copy = frustum;
            Tolu::PlaneT<double> planes[6];
            try {
                for (int side = 0; side < 6; ++side) {
                    planes[side] = Geometry::framePlane(copy, side);
                }
            } catch (const Tolu::Error&) {
                return false; // the tests meet the failure themselves
            }
            return index.tree.framesInside(planes, out, index.candidateLimit()) &&
                   index.finishCandidates(out);
        }

        const std::vector<Frame>& frames;
        unsigned mask;
        Geometry::FrustumProbe probe;
        const FrustumT<double>& frustum;
        const PickIndex& index;
    } pass{frames, context.classMask, Geometry::FrustumProbe(frustum), frustum, *this};
    // Made when a pick finds the state that an earlier pick checked: a model that moves
    // between picks never pays for it.
    if (treeReady(list, true)) {
        return walk(list, segment, frustum, context, hit, pass, true, true);
    }
    const std::uint64_t changes = list.getChanges();
    const Sim::Stamp stamp = Sim::peekStamp();
    // No test of this pass runs host code: a whole match leaves the index checked.
    const bool matched = walk(list, segment, frustum, context, hit, pass, false);
    if (matched && (!checked || changes != checkedChanges || stamp != checkedStamp)) {
        checked = true;
        checkedChanges = changes;
        checkedStamp = stamp;
        treeMade = false;
    }
    return matched;
}

void PickIndex::meshPass(const BodyList& list, Segment3T<double>& segment,
                         FrustumT<double>& frustum, Isect::Context& context, Isect::Hit& hit,
                         bool trusted) {
    struct Meshes {
        std::uint8_t flags(std::size_t i) const { return index.meshes[i].flags; }
        bool mayHit(std::size_t i) {
            const Mesh& mesh = index.meshes[i];
            if (!(mesh.flags & Pickable) || mesh.proto == noProto) {
                return false;
            }
            switch (index.sphereUse(mesh.proto)) {
            case BodyProto::SphereUse::NeverHit:
                return false;
            case BodyProto::SphereUse::SphereDecides:
                return probe.hitsSphere(mesh.centre, mesh.radius);
            case BodyProto::SphereUse::TestDecides:
                break;
            }
            return true;
        }
        void tested() {
            probe = Geometry::SegmentProbe(segment);
            ++index.serial;
        }
        // Only while every prototype's sphere decides (or never hits): a prototype whose
        // test decides may hit from anywhere.
        bool candidates(std::vector<std::uint32_t>& out) {
            out.clear();
            for (std::uint32_t proto = 0; proto < index.protos.size(); ++proto) {
                if (index.sphereUse(proto) == BodyProto::SphereUse::TestDecides) {
                    return false;
                }
            }
            return index.tree.meshesAlong(segment.p0, segment.p1, out, index.candidateLimit()) &&
                   index.finishCandidates(out);
        }

        PickIndex& index;
        const Segment3T<double>& segment;
        Geometry::SegmentProbe probe;
    } pass{*this, segment, Geometry::SegmentProbe(segment)};
    ++serial;
    walk(list, segment, frustum, context, hit, pass, trusted, trusted && treeReady(list, false));
}

BodyProto::SphereUse PickIndex::sphereUseAfresh(std::uint32_t proto) {
    uses[proto] = protos[proto]->getSphereUse();
    useSerials[proto] = serial;
    return uses[proto];
}

} // namespace Ostra::Sim::GL

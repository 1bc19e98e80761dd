#pragma once

#include "interaction/PickTree.h"

#include <sim_gl/Body.h>
#include <sim_gl/BodyProto.h>
#include <sim_gl/Fwd.h>

#include <ostra_sim/NodeListT.h>
#include <ostra_sim/Stamp.h>

#include <cstdint>
#include <vector>

namespace Ostra::Sim::GL {

/// The project's body list laid out flat for picking with `allModes`: per body what the
/// gate, the frame test and the mesh pre-test read, so that a pick that misses most
/// bodies streams a few small arrays instead of walking the nodes and their simulation
/// bodies.
///
/// Nothing is trusted blindly. A walk checks that the index still is the list, link by
/// link (the checks read independent addresses, unlike the list's own chain), and
/// refreshes a body's entry when its simulation node's stamp has moved. A body that
/// could be hit is handed to its own test, which decides, so hits, their order and the
/// narrowing of segment and frustum are those of the plain walk. Where the index no
/// longer matches, the walk goes on along the list and the index is rebuilt before the
/// next pick.
///
/// While neither the list nor the model has changed since a frame pass checked the whole
/// index, a tree over the bodies' origins and spheres names the few that may be hit, and
/// only those are visited, still in list order and by the same tests. A test that runs
/// host code (a mesh test's filter) may change either: the walk then checks again as
/// above. After a test the volume has narrowed, and the tree is asked again.
class PickIndex {
public:
    using BodyList = Sim::NodeListT<Body, RefT<Body>>;

    /// Brings the index up to `list` if it was found stale; false when the list holds
    /// node kinds whose tests are not the library's, which then take the plain walk.
    bool prepare(const BodyList& list);
    /// The frame pass (the context's class mask selects the frame bits). True when the
    /// index matched the whole list; no test of this pass runs host code, so the mesh
    /// pass that follows may then trust the index without checking it again.
    bool framePass(const BodyList& list, Segment3T<double>& segment, FrustumT<double>& frustum,
                   Isect::Context& context, Isect::Hit& hit);
    /// The mesh pass (the context's class mask selects `BodyGeo`); `trusted` as above.
    void meshPass(const BodyList& list, Segment3T<double>& segment, FrustumT<double>& frustum,
                  Isect::Context& context, Isect::Hit& hit, bool trusted);

private:
    enum Flag : std::uint8_t {
        Plain = 0x1,    // exactly a `Body`: its test is the one mirrored here
        Pickable = 0x2, // visible and pickable
    };
    static constexpr std::uint32_t noProto = 0xFFFFFFFFu;

    // Split by pass, so that each pass streams only what it reads.
    struct Link {        // the check that the index is the list, and the refresh
        PtrT<Body> node; // reads null once the node is gone, which ends the match
        const Sim::Node* sim = nullptr;
        Sim::Stamp stamp = 0; // of `sim` when the entry was taken; 0: never
    };
    struct Frame {
        Vector3T<double> origin;
        std::uint8_t flags = 0;
        std::uint8_t frameBit = 0;
    };
    struct Mesh {
        Vector3T<double> centre; // world sphere of the geometry; radius NaN without one
        double radius = 0.0;
        std::uint32_t proto = noProto; // index into `protos`
        std::uint8_t flags = 0;
    };

    /// Goes through the bodies in list order; `pass.flags(i)` are entry i's flags,
    /// `pass.mayHit(i)` picks the plain bodies whose own test runs, and `pass.tested()`
    /// follows each test run (it may have narrowed the segment and frustum, and a mesh
    /// test runs the host's filter).
    /// With `useTree`, `pass.candidates(out)` names the entries that may be hit in the
    /// volume as it now is (false: the tree cannot answer, so every entry is visited).
    template <class Pass>
    bool walk(const BodyList& list, Segment3T<double>& segment, FrustumT<double>& frustum,
              Isect::Context& context, Isect::Hit& hit, Pass& pass, bool trusted,
              bool useTree = false);
    /// True when the list and the model are as the last complete check found them and
    /// the tree is made for that state (with `make`, it is made now if it is not yet).
    bool treeReady(const BodyList& list, bool make);
    /// Whether the tree still holds after a test ran host code.
    bool stillChecked(const BodyList& list) const;
    /// Adds the entries that are not plain bodies (always tested) to `out` and sorts it.
    bool finishCandidates(std::vector<std::uint32_t>& out) const;
    /// How many candidates a tree answer may name before the plain walk is cheaper.
    std::size_t candidateLimit() const;
    /// Where the index stops matching: the rest along the list, and a rebuild next time.
    void goOnAlongList(Body* from, Segment3T<double>& segment, FrustumT<double>& frustum,
                       Isect::Context& context, Isect::Hit& hit);
    void refresh(std::size_t i, Body& node);
    /// What the mesh test makes of the spheres of prototype `proto` in this pass.
    BodyProto::SphereUse sphereUse(std::uint32_t proto) {
        return useSerials[proto] == serial ? uses[proto] : sphereUseAfresh(proto);
    }
    BodyProto::SphereUse sphereUseAfresh(std::uint32_t proto);

    std::vector<Link> links;
    std::vector<Frame> frames;
    std::vector<Mesh> meshes;
    std::vector<const BodyProto*> protos;
    // What the mesh test makes of each prototype's spheres, valid while the serial is
    // the current one: it changes with every pass and after every test.
    std::vector<BodyProto::SphereUse> uses;
    std::vector<std::uint64_t> useSerials;
    std::uint64_t serial = 1; // 64 bits: it never wraps back to a value still stored
    bool stale = true;
    bool foreign = false;

    // The list's change count and the model's next stamp when a frame pass last checked
    // the whole index, refreshing what had moved; `checked` while that holds.
    std::uint64_t checkedChanges = 0;
    Sim::Stamp checkedStamp = 0;
    bool checked = false;
    PickTree tree;
    bool treeMade = false;               // for the checked state above
    std::vector<std::uint32_t> notPlain; // entry indices, in order
    std::vector<std::uint32_t> candidates;
};

} // namespace Ostra::Sim::GL

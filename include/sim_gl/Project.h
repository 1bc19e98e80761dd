#pragma once

#include <sim_gl/Body.h>
#include <sim_gl/BodyProto.h>
#include <sim_gl/Export.h>
#include <sim_gl/Fwd.h>
#include <sim_gl/Joint.h>
#include <sim_gl/Sensor.h>

#include <ostra_sim/NodeListT.h>
#include <ostra_sim/Stamp.h>

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace Ostra::Sim::GL {

/// The scene root: mirrors one simulation project in node lists, keeps the shared
/// body prototypes, the draggable bodies, the drag state and its own highlight.
class OSTRA_SIM_GL_EXPORT Project : public Tolu::Class {
public:
    /// A node list that owns its nodes.
    template <class T> using RefList = Sim::NodeListT<T, RefT<T>>;
    /// What an update removed (first) and created (second), bodies, joints, sensors.
    using UpdateResult = std::pair<std::vector<RefT<Node>>, std::vector<RefT<Node>>>;

    /// An empty project; `classMap` must outlive it.
    explicit Project(ClassMap& classMap);
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    /// Mirrors `project` (null empties the scene). Switching to another project drops
    /// every node without reporting it; the same project changes nothing. Like `update`,
    /// `isect` and the drag operations, throws `Tolu::Error` when called back from inside
    /// one of them (a pick filter, a drag-state listener, a node's refresh).
    void set(const RefT<Sim::Project>& project);
    /// The mirrored simulation project; null when none is set or it died.
    [[nodiscard]] const PtrT<Sim::Project>& get() const noexcept { return simProject; }
    /// Brings the nodes into line with the simulation project: keeps and refreshes the
    /// nodes that still match, removes the others and creates the missing ones, then
    /// collects the user-interface port drivers and the draggable bodies. Last, lets the
    /// class map release the GL classes of model prototypes that died.
    UpdateResult update();
    /// The node that mirrors `simNode`, or null. The address is not dereferenced.
    [[nodiscard]] RefT<Node> find(Sim::Node* simNode) const;

    ///@{
    /// The node lists, in the order of the simulation project's lists. Hosts must
    /// not change them.
    [[nodiscard]] RefList<Body>& getBodyList() noexcept { return bodyList; }
    [[nodiscard]] RefList<Joint>& getJointList() noexcept { return jointList; }
    [[nodiscard]] const RefList<Sensor>& getSensorList() const noexcept { return sensorList; }
    ///@}

    ///@{
    /// Render passes: each walks the node lists that the context's display mask
    /// selects and calls the nodes' pass of the same name. The highlight passes force
    /// every node highlighted while the project is highlighted in the pass's mode.
    void render(Context& context);
    void renderHL(Context& context);
    void renderHLMask(Context& context);
    void renderHUD(Context& context);
    void renderHUDHL(Context& context);
    void renderHUDHLMask(Context& context);
    ///@}

    /// Sphere around what the masks select of all nodes: `mask` of visible nodes, `hlMask1` and
    /// `hlMask0` of nodes highlighted in mode 1 and 0. Empty when nothing is selected.
    [[nodiscard]] BSphereT<double> getBSphere(Context& context, unsigned mask, unsigned hlMask1,
                                              unsigned hlMask0);
    /// The nearest node part under the pick segment inside the frustum; `hit` must come in empty.
    /// Throws what the frustum maths throw; the context is left as it was.
    void isect(Segment3T<double>& segment, FrustumT<double>& frustum, Isect::Context& context,
               Isect::Hit& hit);

    /// Sets or clears the project's highlight in mode 0 or 1 (other modes leave it);
    /// with `propagate`, also that of every body, joint and sensor.
    void setHighlight(HLMode mode, bool on, bool propagate);

    /// Grabs the nearest draggable body mesh under the pick segment and writes the drag
    /// states of every enabled UI port driver; true when a body was grabbed. Throws
    /// Sim::Error when a drag state is bound to an expression that may not be overridden.
    bool startDrag(Segment3T<double>& segment, FrustumT<double>& frustum);
    /// Writes `offset` into the drag offset of the drivers taking part; nothing when idle.
    /// Throws as `startDrag`.
    void drag(const Vector3T<double>& offset);
    /// Ends the drag and clears the active flag of the drivers taking part. Throws as
    /// `startDrag`.
    void stopDrag();
    /// True while a live simulation body is being dragged.
    [[nodiscard]] bool isDrag() const noexcept;
    /// Grab position of the current or last drag.
    [[nodiscard]] const Vector3T<double>& getTouchPos() const noexcept { return touchPos; }
    /// True if the whole project is highlighted in `mode`; only modes 0 and 1 can be.
    [[nodiscard]] bool isHighlighted(HLMode mode) const noexcept {
        return (hlFlags & Vuro::GL::hlBit01(mode)) != 0;
    }

protected:
    ~Project() override;

    /// \cond INTERNAL
    /// The shared prototype for a model geometry, made on first demand; null when
    /// there is no usable geometry.
    RefT<BodyProto> makeGLBodyProto(const RefT<Vuro::BodyProto>& proto);

    friend class Node;
    friend class Body;
    friend class BodyProto;
    friend class Joint;
    friend class Sensor;
    friend class Track;

    /// Marks a change of scene state that a node's sphere reads besides the model's and
    /// the lists' (a highlight, a path's upload): the kept project spheres are dropped.
    void sceneChanged() noexcept;

    // Declared in the reverse of the order in which the destructor tears them down.
    ClassMap& classMap;
    PtrT<Sim::Project> simProject;
    Sim::Stamp simStamp = 0;
    std::map<PtrT<Vuro::BodyProto>, PtrT<BodyProto>> protoMap;
    Sim::NodeListT<BodyProto, PtrT<BodyProto>> protoList;
    RefList<Body> bodyList;
    RefList<Joint> jointList;
    RefList<Sensor> sensorList;

    // Port drivers and drag state.
    std::vector<PtrT<Sim::PortDrvUI>> uiDrvs;
    std::vector<PtrT<Sim::PortDrvUI>> limitedUiDrvs;
    bool dragAll = false;
    std::vector<PtrT<Body>> dragBodies;
    PtrT<Sim::Body> dragTarget;
    Vector3T<double> touchPos;
    Vector3T<double> touchNormal;

    std::uint32_t hlFlags = 0;
    std::map<const Sim::Node*, Node*> nodeMap;

private:
    // What makes updates, picks and spheres fast and refuses re-entry. Declared last so
    // that it goes first, after the destructor's own steps and before the members above.
    struct Impl;
    std::unique_ptr<Impl> impl;
    /// \endcond
};

} // namespace Ostra::Sim::GL

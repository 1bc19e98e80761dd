#pragma once

#include <sim_gl/Body.h>
#include <sim_gl/BodyProto.h>
#include <sim_gl/Export.h>
#include <sim_gl/Fwd.h>
#include <sim_gl/Joint.h>
#include <sim_gl/Sensor.h>

#include <ostra_sim/NodeListT.h>

#include <cstdint>
#include <map>
#include <vector>

namespace Ostra::Sim::GL {

/// The scene root: mirrors one simulation project in node lists, keeps the shared
/// body prototypes, the draggable bodies, the drag state and its own highlight.
class OSTRA_SIM_GL_EXPORT Project : public Tolu::Class {
public:
    template <class T> using RefList = Sim::NodeListT<T, RefT<T>>;

    /// An empty project; `classMap` must outlive it.
    explicit Project(ClassMap& classMap);
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    /// Mirrors `project` (null empties the scene). Switching to another project drops
    /// every node without reporting it; the same project changes nothing.
    void set(const RefT<Sim::Project>& project);
    [[nodiscard]] const PtrT<Sim::Project>& get() const noexcept { return simProject; }
    /// The node that mirrors `simNode`, or null. The address is not dereferenced.
    [[nodiscard]] RefT<Node> find(Sim::Node* simNode) const;

    /// The node lists, in the order of the simulation project's lists. Hosts must
    /// not change them.
    [[nodiscard]] RefList<Body>& getBodyList() noexcept { return bodyList; }
    [[nodiscard]] RefList<Joint>& getJointList() noexcept { return jointList; }
    [[nodiscard]] const RefList<Sensor>& getSensorList() const noexcept { return sensorList; }

    /// True while a live simulation body is being dragged.
    [[nodiscard]] bool isDrag() const noexcept;
    /// Grab position of the current or last drag.
    [[nodiscard]] const Vector3T<double>& getTouchPos() const noexcept { return touchPos; }
    /// True if the whole project is highlighted in `mode`; only modes 0 and 1 can be.
    [[nodiscard]] bool isHighlighted(HLMode mode) const noexcept {
        return (hlFlags & Vuro::GL::hlBit(mode) & 3u) != 0;
    }

protected:
    ~Project() override;

    /// The shared prototype for a model geometry, made on first demand; null when
    /// there is no usable geometry.
    RefT<BodyProto> makeGLBodyProto(const RefT<Vuro::BodyProto>& proto);

    friend class Node;
    friend class Body;
    friend class BodyProto;
    friend class Joint;
    friend class Sensor;

    // Declared in the reverse of the order in which the destructor tears them down.
    ClassMap& classMap;
    PtrT<Sim::Project> simProject;
    std::uint32_t simStamp = 0;
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
};

} // namespace Ostra::Sim::GL

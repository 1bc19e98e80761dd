#pragma once

#include <sim_gl/Export.h>
#include <sim_gl/Fwd.h>

#include <cstdint>

namespace Ostra::Sim::GL {

/// Kind of a scene node, for the host. The values are fixed.
enum ClassId : std::int32_t {
    ClassIdBody = 0,
    ClassIdTrack = 1,
    ClassIdJoint = 2,
    ClassIdJointTrack = 3,
    ClassIdSensorTrack = 4,
};

/// Display-mask bits: which parts of the nodes the render passes draw, picking tests and
/// bounding spheres enclose.
enum DisplayBit : unsigned {
    BodyGeo = 0x001,        ///< triangles, lines and points of a body's geometry
    TrackPath = 0x002,      ///< the polyline of a track
    JointLines = 0x004,     ///< a joint's point and its lines to the two bodies
    BodyFrame = 0x008,      ///< the frame of a body without geometry
    ProtoBodyFrame = 0x010, ///< the frame of a body with geometry
    JointFrame = 0x020,     ///< a joint's frame
    SensorGrips = 0x040,    ///< the two grips of a sensor on a track
    ProtoBBox = 0x100,      ///< the bounding box of a body's geometry
};

/// Base of every scene node: mirrors one simulation object of one project, and fixes
/// the protocol through which the project drives its nodes.
class OSTRA_SIM_GL_EXPORT Node : public Tolu::Class {
public:
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    /// Which kind of node this is, for hosts that tell nodes apart.
    [[nodiscard]] virtual ClassId getClassId() const = 0;

    ///@{
    /// Render passes; the project's passes call them with the context prepared.
    virtual void render(Context& context);
    virtual void renderHL(Context& context);
    virtual void renderHLMask(Context& context);
    virtual void renderHUD(Context& context);
    virtual void renderHUDHL(Context& context);
    virtual void renderHUDHLMask(Context& context);
    ///@}

    /// Sphere around what the masks select of this node; empty (not valid) here.
    [[nodiscard]] virtual BSphereT<double> getBSphere(Context& context, unsigned mask,
                                                      unsigned hlMask1, unsigned hlMask0);
    /// Tests the node against a pick segment inside a frustum; a hit narrows both.
    virtual void isect(Segment3T<double>& segment, FrustumT<double>& frustum,
                       Isect::Context& context, Isect::Hit& hit) = 0;
    /// Sets or clears the node's highlight in `mode`.
    virtual void setHighlight(HLMode mode, bool on, bool propagate) = 0;
    /// Frees the node's own OpenGL objects; they come back when next needed.
    virtual void release() = 0;

    /// The render-model object of the mirrored simulation object.
    [[nodiscard]] const RefT<Vuro::Object>& getVuroObject() const;
    /// The owning project; null once the project is gone.
    [[nodiscard]] const PtrT<Project>& getProject() const noexcept { return project; }
    /// The mirrored simulation object.
    [[nodiscard]] const RefT<Sim::Node>& getSimNode() const noexcept { return simNode; }
    /// A signal for the host; the library neither connects to nor emits it.
    [[nodiscard]] SignalT<SigVoidData>& getSignal() noexcept { return signal; }

protected:
    /// Mirrors `simNode` in `project`; only the node classes make nodes.
    Node(Project& project, Sim::Node& simNode);
    ~Node() override;

    /// \cond INTERNAL
    PtrT<Project> project;
    RefT<Sim::Node> simNode;
    SignalT<SigVoidData> signal;
    /// \endcond
};

} // namespace Ostra::Sim::GL

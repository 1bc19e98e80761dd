#pragma once

#include <sim_gl/Node.h>

#include <ostra_sim/Stamp.h>

namespace Ostra::Sim::GL {

/// Scene node of one rigid body of the simulation: draws its shared geometry in the
/// solid, highlight and mask passes and its coordinate frame in the HUD passes.
class OSTRA_SIM_GL_EXPORT Body : public Node {
public:
    /// Appends the node to the project's body list and takes the shared prototype of
    /// the body's geometry (none when it has no usable geometry).
    Body(Project& project, Sim::Body& body);

    [[nodiscard]] ClassId getClassId() const override;

    ///@{
    /// The geometry in the solid, highlight and mask passes, the frame in the HUD passes.
    void render(Context& context) override;
    void renderHL(Context& context) override;
    void renderHLMask(Context& context) override;
    void renderHUD(Context& context) override;
    void renderHUDHL(Context& context) override;
    void renderHUDHLMask(Context& context) override;
    ///@}

    [[nodiscard]] BSphereT<double> getBSphere(Context& context, unsigned mask, unsigned hlMask1,
                                              unsigned hlMask0) override;
    void isect(Segment3T<double>& segment, FrustumT<double>& frustum, Isect::Context& context,
               Isect::Hit& hit) override;
    /// Sets bit `mode` (modulo 32) of the highlight flags; `propagate` is not used.
    void setHighlight(HLMode mode, bool on, bool propagate) override;
    /// Bodies own no OpenGL objects.
    void release() override;
    /// Refreshes the node from its simulation body; nothing to do for a plain body.
    virtual void update();

    /// The following body of the project's list, or null.
    [[nodiscard]] const RefT<Body>& getNext() const noexcept { return next; }
    /// The following body drawn with the same prototype, or null.
    [[nodiscard]] const PtrT<Body>& getNextInProto() const noexcept { return nextInProto; }
    /// The shared prototype the body is drawn with; null without usable geometry.
    [[nodiscard]] const RefT<BodyProto>& getProto() const noexcept { return proto; }
    /// True if the body is highlighted in any mode.
    [[nodiscard]] bool isHighlighted() const noexcept { return hlFlags != 0; }
    /// True if the body is highlighted in `mode` (taken modulo 32).
    [[nodiscard]] bool isHighlighted(HLMode mode) const noexcept {
        return (hlFlags & Vuro::GL::hlBit(mode)) != 0;
    }

protected:
    ~Body() override;

    /// The display-mask bit of the body's frame: with or without a prototype.
    [[nodiscard]] unsigned getFrameBit() const noexcept {
        return proto ? ProtoBodyFrame : BodyFrame;
    }

    template <class, class> friend class Ostra::Sim::NodeListT;
    friend class BodyProto;
    friend class PickIndex;
    friend class BodySphere;

    /// \cond INTERNAL
    RefT<Body> next;
    PtrT<Body> prev;
    RefT<BodyProto> proto;
    std::uint32_t hlFlags = 0;
    PtrT<Body> nextInProto;
    Body* prevInProto = nullptr; // kept right by the prototype's chain operations

    /// \endcond
private:
    /// World sphere of the prototype's box (not valid without one), made again only when
    /// the simulation body's transform stamp has moved: spheres and picking ask for it
    /// for every body, usually of a model that stands still.
    const BSphereT<double>& getPlacedSphere(const Sim::Node& sim);

    BSphereT<double> placedSphere;
    // The last `getBSphere` result and the parts (display bits) it covered; dropped
    // with the placed sphere.
    BSphereT<double> partsSphere;
    Sim::Stamp placedStamp = 0;    // 0: not made yet (stamps start at 1)
    std::uint32_t sphereParts = 0; // 0: none kept
};

} // namespace Ostra::Sim::GL

#pragma once

#include <sim_gl/Export.h>
#include <sim_gl/Fwd.h>

#include <tolu/math3d/BBoxT.h>
#include <vuro_gl/gl/GPrim.h>

#include <cstdint>
#include <vector>

namespace Ostra::Sim::GL {

/// The scene's handle on one body geometry shared by several bodies. Lives as long as
/// a body holds it; the project's prototype map and list only observe it.
class OSTRA_SIM_GL_EXPORT BodyProto : public Tolu::Class {
public:
    /// Solid pass: draws the geometry at `transform` (body to world) with opacity `alpha`,
    /// honouring the pass's transparency flags; adds the bounding box when asked.
    void render(Context& context, const Matrix4x4T<double>& transform, float alpha);
    /// Highlight pass: draws the groups highlighted in the pass's mode, or all if forced.
    void renderHL(Context& context, const Matrix4x4T<double>& transform, float alpha);
    /// Highlight-mask pass: as `renderHL` but with the mask's own material.
    void renderHLMask(Context& context, const Matrix4x4T<double>& transform);

    /// Mesh test of the geometry placed by `transform`; on a hit fills `hit` (without node) and
    /// narrows segment and frustum. Throws what the maths throw.
    bool isect(Segment3T<double>& segment, FrustumT<double>& frustum,
               const Matrix4x4T<double>& transform, Isect::Context& context, Isect::Hit& hit);

    /// Passes the highlight on to the render library's prototype; this prototype's own
    /// flags stay as they are.
    void setHighlight(HLMode mode, bool on, bool propagate);

    /// The following prototype of the project's list, or null.
    [[nodiscard]] const PtrT<BodyProto>& getNext() const noexcept { return next; }
    /// Box of the render library's prototype, in body coordinates.
    [[nodiscard]] const Tolu::BBoxT<float>& getBBox() const;
    /// The render library's GL prototype that draws the geometry.
    [[nodiscard]] const RefT<Vuro::GL::BodyProto>& getGLProto() const noexcept { return glProto; }
    ///@{
    /// First and last body of the chain of bodies drawn with this prototype.
    [[nodiscard]] const PtrT<Body>& getFirstBody() const noexcept { return firstBody; }
    [[nodiscard]] const PtrT<Body>& getLastBody() const noexcept { return lastBody; }
    ///@}
    /// True if this prototype is highlighted in any mode.
    [[nodiscard]] bool isHighlighted() const noexcept { return hlFlags != 0; }
    /// True if this prototype is highlighted in `mode` (taken modulo 32).
    [[nodiscard]] bool isHighlighted(HLMode mode) const noexcept {
        return (hlFlags & Vuro::GL::hlBit(mode)) != 0;
    }

protected:
    /// Raises the GL prototype's user count; made only by `Project::makeGLBodyProto`.
    BodyProto(Project& project, const RefT<Vuro::GL::BodyProto>& glProto);
    /// Lowers the user count and leaves the project's prototype list and map.
    ~BodyProto() override;

private:
    using GPrims = std::vector<Vuro::GL::GPrim>;

    void renderGPrims(Context& context, const Matrix4x4T<double>& transform, float alpha,
                      unsigned mode, GPrims& prims);
    void renderGPrimsHL(Context& context, const Matrix4x4T<double>& transform, float alpha,
                        unsigned mode, GPrims& prims);
    void renderGPrimsHLMask(Context& context, const Matrix4x4T<double>& transform, unsigned mode,
                            GPrims& prims);
    void renderBBoxGPrim(Context& context, const Matrix4x4T<double>& transform);
    void renderBBoxGPrimHL(Context& context, const Matrix4x4T<double>& transform);
    void renderBBoxGPrimHLMask(Context& context, const Matrix4x4T<double>& transform);

    template <class, class> friend class Ostra::Sim::NodeListT;
    friend class Project;
    friend class Body;
    friend class PickIndex;
    friend class BodySphere;

    void appendBody(Body& body);
    void unlinkBody(Body& body);
    /// What the mesh test makes of a body's kept world sphere, alike for every body of
    /// this prototype: no hit at all (no model, an empty or inverted box), the sphere
    /// test decides, or the test works its sphere out itself (the model's box changed).
    enum class SphereUse : unsigned char { NeverHit, SphereDecides, TestDecides };
    [[nodiscard]] SphereUse getSphereUse() const;
    /// The box picking tests against: the model geometry's, or the drawn copy's once
    /// the model geometry is gone.
    [[nodiscard]] const Tolu::BBoxT<float>& getPickBox() const;
    /// The mesh test behind `isect`, with `placed` the geometry's world sphere when the
    /// caller has it ready (null: made here).
    bool isectPlaced(Segment3T<double>& segment, FrustumT<double>& frustum,
                     const Matrix4x4T<double>& transform, const BSphereT<double>* placed,
                     Isect::Context& context, Isect::Hit& hit);

    Project* project; // cleared by the project when it goes first
    RefT<Vuro::GL::BodyProto> glProto;
    PtrT<BodyProto> next;
    PtrT<BodyProto> prev;
    std::uint32_t hlFlags = 0;
    PtrT<Body> firstBody;
    PtrT<Body> lastBody;
    // Sphere of `getBBox()` in body coordinates (not valid when the box is not): the box
    // is fixed once the render prototype exists, so it is made once.
    BSphereT<double> localSphere;
    bool boxOrdered = false; // the same box has max >= min on every axis

    [[nodiscard]] static bool isOrdered(const Tolu::BBoxT<double>& box) noexcept;
};

} // namespace Ostra::Sim::GL

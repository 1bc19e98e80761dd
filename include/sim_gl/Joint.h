#pragma once

#include <sim_gl/Node.h>

#include <ostra_sim/Stamp.h>

#include <cstdint>
#include <vector>

namespace Ostra::Sim::GL {

/// Scene node of one simulation joint: its frame and two lines from the joint to the
/// bodies it joins, drawn in the HUD passes from a vertex buffer of its own.
class OSTRA_SIM_GL_EXPORT Joint : public Node {
public:
    /// Flag bits of `hlFlags`: two highlight bits and the geometry-invalid flag.
    enum Flag : std::uint32_t {
        FlagHL0 = 0x1,
        FlagHL1 = 0x2,
        FlagGeoInvalid = 0x4,
    };

    /// One vertex of the connection lines, in world coordinates; the buffer's layout.
    struct LineVertex {
        /// Position, in world coordinates.
        Vector3T<float> pos;
        /// Red, green and blue.
        Vector3T<float> color;
    };

    /// Appends the node to the project's joint list and reads the simulation joint once.
    Joint(Project& project, Sim::Joint& joint);

    [[nodiscard]] ClassId getClassId() const override;

    ///@{
    /// HUD passes: the connection lines (`JointLines`) and the frame (`JointFrame`).
    void renderHUD(Context& context) override;
    void renderHUDHL(Context& context) override;
    void renderHUDHLMask(Context& context) override;
    ///@}

    /// Sphere around the frame's unit sphere and the line ends that the masks select.
    [[nodiscard]] BSphereT<double> getBSphere(Context& context, unsigned mask, unsigned hlMask1,
                                              unsigned hlMask0) override;
    /// Tests the joint's position; a hit narrows segment and frustum to it.
    /// Throws what the frustum maths throw (`ErrorBadMatrix`, `ErrorBadNullVector`).
    void isect(Segment3T<double>& segment, FrustumT<double>& frustum, Isect::Context& context,
               Isect::Hit& hit) override;
    /// Sets or clears highlight mode 0 or 1; other modes and the geometry flag stay.
    void setHighlight(HLMode mode, bool on, bool propagate) override;
    /// Deletes the vertex array and buffer; the next rebuild makes new ones.
    void release() override;

    /// Follows the simulation joint's stamps: a moved frame, an exchanged body or a
    /// moved body makes the next HUD pass rebuild the lines. False: nothing for callers.
    virtual bool update();

    /// The following joint of the project's list, or null.
    [[nodiscard]] const RefT<Joint>& getNext() const noexcept { return next; }
    /// True if highlighted in mode 0 or 1; the geometry flag does not count.
    [[nodiscard]] bool isHighlighted() const noexcept {
        return (hlFlags & (FlagHL0 | FlagHL1)) != 0;
    }
    /// True if highlighted in `mode`; only modes 0 and 1 can answer true.
    [[nodiscard]] bool isHighlighted(HLMode mode) const noexcept {
        return (hlFlags & Vuro::GL::hlBit01(mode)) != 0;
    }
    /// The scene node of the first body, or null.
    [[nodiscard]] const PtrT<Body> getGLBody1() const noexcept { return glBody1; }
    /// The scene node of the second body, or null.
    [[nodiscard]] const PtrT<Body> getGLBody2() const noexcept { return glBody2; }
    /// The connection lines as last built (pairs of vertices).
    [[nodiscard]] const std::vector<LineVertex>& getLines() const noexcept { return lines; }

protected:
    /// Deletes the OpenGL objects only while OpenGL is loaded.
    ~Joint() override;

    /// Appends the node's line vertices to the empty `lines`: joint to first body in
    /// red, joint to second body in blue.
    virtual void makeGeo();
    /// Appends the line from `from` to `to` in `color`.
    void addLine(const Vector3T<double>& from, const Vector3T<double>& to,
                 const Vector3T<float>& color);
    /// Makes the next HUD pass rebuild the connection lines.
    void invalidateGeo() noexcept { hlFlags |= FlagGeoInvalid; }

    /// The simulation joint this node mirrors.
    [[nodiscard]] Sim::Joint& getSimJoint() const noexcept;

    /// \cond INTERNAL
    static constexpr Vector3T<float> colorBody1{0.8f, 0.1f, 0.1f};
    static constexpr Vector3T<float> colorBody2{0.1f, 0.1f, 0.8f};

    template <class, class> friend class Ostra::Sim::NodeListT;

    Sim::Stamp stamp = 0;
    RefT<Joint> next;
    PtrT<Joint> prev;
    Sim::Stamp frameStamp = 0;
    Sim::Stamp body1LinkStamp = 0;
    PtrT<Body> glBody1;
    Sim::Stamp body1Stamp = 0;
    Sim::Stamp body2LinkStamp = 0;
    PtrT<Body> glBody2;
    Sim::Stamp body2Stamp = 0;
    std::vector<LineVertex> lines;
    std::uint32_t vao = 0;
    std::uint32_t vbo = 0;
    // Set from the start: the first HUD pass builds the lines.
    std::uint32_t hlFlags = FlagGeoInvalid;

    /// \endcond
private:
    /// Rebuilds the lines and refreshes the buffer while the geometry flag is set.
    void updateGeo();
    /// Draws the line list from the vertex array.
    void drawLines();
};

static_assert(sizeof(Joint::LineVertex) == 24, "the vertex buffer layout is 24 bytes");

} // namespace Ostra::Sim::GL

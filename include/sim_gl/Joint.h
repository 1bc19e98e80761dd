#pragma once

#include <sim_gl/Node.h>

namespace Ostra::Sim::GL {

/// Scene node of one simulation joint.
class OSTRA_SIM_GL_EXPORT Joint : public Node {
public:
    /// Flag bits of `hlFlags`: two highlight bits and the geometry-invalid flag.
    enum Flag : std::uint32_t {
        FlagHL0 = 0x1,
        FlagHL1 = 0x2,
        FlagGeoInvalid = 0x4,
    };

    [[nodiscard]] const RefT<Joint>& getNext() const noexcept { return next; }
    /// True if highlighted in mode 0 or 1; the geometry flag does not count.
    [[nodiscard]] bool isHighlighted() const noexcept {
        return (hlFlags & (FlagHL0 | FlagHL1)) != 0;
    }
    /// True if highlighted in `mode`; only modes 0 and 1 can answer true.
    [[nodiscard]] bool isHighlighted(HLMode mode) const noexcept {
        return (hlFlags & Vuro::GL::hlBit(mode) & 3u) != 0;
    }
    /// The scene node of the first body, or null.
    [[nodiscard]] const PtrT<Body> getGLBody1() const noexcept { return glBody1; }
    /// The scene node of the second body, or null.
    [[nodiscard]] const PtrT<Body> getGLBody2() const noexcept { return glBody2; }

protected:
    /// Appends the node to the project's joint list.
    Joint(Project& project, Sim::Joint& joint);
    ~Joint() override;

    /// Makes the next HUD pass rebuild the connection lines.
    void invalidateGeo() noexcept { hlFlags |= FlagGeoInvalid; }

    template <class, class> friend class Ostra::Sim::NodeListT;

    RefT<Joint> next;
    PtrT<Joint> prev;
    PtrT<Body> glBody1;
    PtrT<Body> glBody2;
    std::uint32_t hlFlags = FlagGeoInvalid;
};

} // namespace Ostra::Sim::GL

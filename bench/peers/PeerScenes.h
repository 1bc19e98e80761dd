#pragma once

// The scenes the comparison runs through each library: N boxes on a grid, looked at from
// straight above by a 640x480 camera, and the operations every library is asked for.

#include <memory>
#include <string>

namespace Peers {

inline constexpr int width = 640;
inline constexpr int height = 480;
inline constexpr double fovyDegrees = 45.0;
inline constexpr double spacing = 2.0;
/// Box edges: 1 x 1 x 0.5, centred on its grid point.
inline constexpr double boxHalf[3] = {0.5, 0.5, 0.25};

/// Where box `i` of `n` stands, and where the camera looks: the middle box's centre, so
/// that a ray through the image centre hits a box.
struct Grid {
    explicit Grid(int n);
    int n;
    int side;
    double centre[2];
    double eyeHeight;
    void position(int i, double out[3]) const;
};

/// One library's side of the comparison.
class Library {
public:
    enum class Op {
        UpdateUnchanged,
        UpdateAfterMove,
        RayPick,
        FrustumPick,
        BSphere,
        BSphereAfterMove,
        DragStep,
        StartDrag,
        FrameNoShadows,
        FrameShadows
    };
    virtual ~Library() = default;
    /// Makes the library's GL context current (each library has its own).
    virtual void makeCurrent() = 0;
    /// Moves every box a little, as a running simulation does, and with `thenUpdate` brings
    /// the library's own scene up to date (not timed).
    virtual void moveAll(bool thenUpdate) = 0;
    /// Runs the operation once; what it found is returned so that it cannot be optimised
    /// away and so that the driver can check that the libraries agree on picks.
    virtual double run(Op op) = 0;
};

/// Whether library `kind` (0 ours, 1 the engine, 2 the scene graph) has a counterpart of
/// `op`; the table leaves the cell empty where it has none.
[[nodiscard]] bool offers(int kind, Library::Op op);

std::unique_ptr<Library> makeOurs(const Grid& grid);
std::unique_ptr<Library> makeMujoco(const Grid& grid);
std::unique_ptr<Library> makeOsg(const Grid& grid);

/// A compatibility-profile OpenGL context without a window, current after construction,
/// drawing into its own 640x480 framebuffer object; the peers' fixed-function renderers
/// need one.
class CompatContext {
public:
    CompatContext();
    ~CompatContext();
    CompatContext(const CompatContext&) = delete;
    CompatContext& operator=(const CompatContext&) = delete;
    void makeCurrent();
    [[nodiscard]] unsigned framebuffer() const { return fbo; }

private:
    void* context = nullptr;
    unsigned fbo = 0;
    unsigned colour = 0;
    unsigned depth = 0;
};

} // namespace Peers

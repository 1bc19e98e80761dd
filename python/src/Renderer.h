#pragma once

#include "RenderArgs.h"
#include "SceneHandle.h"

#include <sim_gl/Fwd.h>

#include <tolu/gl/Image.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/Vector3T.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace Tolu::GL {
class HeadlessContext;
}

namespace SimGLPy {

/// Serialises every use of the GL stack and of the models across Python threads: frames
/// run without the interpreter lock, and scenes may be shared by renderers.
std::mutex& glMutex();

/// Leaves no OpenGL context current on the calling thread. A context stays bound to a
/// thread until released, even after the thread ends, and then no other thread may make
/// it current: every call that draws lets go of its context before it returns.
void releaseCurrentContext() noexcept;

/// Where the camera stands: eye, the point it looks at, and which way is up.
using CameraPlace = SimGLRender::CameraPlace;

/// What a pick found. It keeps the loaded model it names alive.
struct PickResult {
    std::string kind; ///< "body", "track", "joint", "joint_track" or "sensor_track"
    std::string name; ///< of the simulation object
    std::string part; ///< which drawn part was hit, e.g. "geometry" or "joint_frame"
    Tolu::Vector3T<double> point;
    Tolu::Vector3T<double> normal;
    std::shared_ptr<SceneData> scene;
};

/// A headless OpenGL context of its own that draws one scene; callers hold `glMutex`.
class Renderer {
public:
    /// Throws Tolu::Error for a size that is not positive or a sample count not in 1..16.
    Renderer(std::shared_ptr<SceneHandle> scene, int width, int height, unsigned msaa);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    /// Draws a frame as the options say; rows from the top, RGBA.
    [[nodiscard]] Tolu::GL::Image render();
    /// The nearest shown part under pixel (x, y), counted from the top left, if any.
    [[nodiscard]] std::optional<PickResult> pick(double x, double y);
    /// Grabs the body under pixel (x, y) and moves it by (dx, dy) pixels in the plane
    /// facing the camera, through the scene's user-interface port drivers. False when
    /// nothing draggable is there.
    bool drag(double x, double y, double dx, double dy);

    /// Where the fitted view puts the camera for the model as it stands.
    [[nodiscard]] CameraPlace fittedCamera();

    [[nodiscard]] const std::shared_ptr<SceneHandle>& getScene() const noexcept { return scene; }
    [[nodiscard]] int getWidth() const noexcept { return width; }
    [[nodiscard]] int getHeight() const noexcept { return height; }
    [[nodiscard]] unsigned getMsaa() const noexcept { return msaa; }

    std::optional<CameraPlace> camera; ///< none: fit the scene into the view
    double fovy = 40;                  ///< vertical field of view, degrees
    bool shadows = false;
    unsigned transparency = 1; ///< 0 none, 1 blended, 2 and 3 depth-peeled layers
    std::vector<std::string> highlights;

private:
    struct View;
    struct Gl;

    void sync();
    [[nodiscard]] View place();
    void applyHighlights();

    std::shared_ptr<SceneHandle> scene;
    std::shared_ptr<SceneData> shown; ///< the model the GL project mirrors
    int width;
    int height;
    unsigned msaa;
    int side; ///< the context is side x side times the image
    std::unique_ptr<Gl> gl;
};

} // namespace SimGLPy

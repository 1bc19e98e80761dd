// The simgl Python module: load a model, draw it headless into NumPy arrays, pick and
// drag in the image, set poses and joint positions.
#include "MotionRender.h"
#include "Renderer.h"
#include "SceneHandle.h"

#include <tolu/util/Error.h>

#include <cstring>
#include <mutex>
#include <optional>
#include <ostra_io/LoadError.h>
#include <ostra_io/Motion.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

namespace py = pybind11;
using namespace SimGLPy;

namespace {

using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;

py::array_t<double> toArray(const V3& v) {
    py::array_t<double> a(3);
    auto out = a.mutable_unchecked<1>();
    for (py::ssize_t i = 0; i < 3; ++i) {
        out(i) = v[std::size_t(i)];
    }
    return a;
}

V3 toVector(const char* what, const py::handle& value) {
    const auto a = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(value);
    if (!a || a.ndim() != 1 || a.shape(0) != 3) {
        throw Tolu::Error(std::string(what) + ": expected three numbers");
    }
    return V3(a.at(0), a.at(1), a.at(2));
}

// Runs `f` under the GL lock with the interpreter free for other threads; objects
// the call uses are held by the caller's Python references meanwhile.
template <class F> auto unlocked(F&& f) {
    struct Release {
        ~Release() { releaseCurrentContext(); }
    };
    py::gil_scoped_release release;
    std::lock_guard<std::mutex> lock(glMutex());
    Release done;
    return f();
}

py::array_t<std::uint8_t> toImage(const Tolu::GL::Image& image, bool alpha) {
    const py::ssize_t channels = alpha ? 4 : 3;
    py::array_t<std::uint8_t> a({py::ssize_t(image.height), py::ssize_t(image.width), channels});
    std::uint8_t* out = a.mutable_data();
    const std::size_t pixels = std::size_t(image.width) * std::size_t(image.height);
    if (alpha) {
        std::memcpy(out, image.rgba.data(), pixels * 4);
    } else {
        for (std::size_t i = 0; i < pixels; ++i) {
            std::memcpy(out + i * 3, image.rgba.data() + i * 4, 3);
        }
    }
    return a;
}

// Options change under the GL lock, as another thread may be drawing with them; Python
// values are read before it is taken, since reading them may run Python code.
template <class F> void withLock(F&& f) {
    std::lock_guard<std::mutex> lock(glMutex());
    f();
}

std::optional<CameraPlace> toCamera(const py::object& eye, const py::object& target,
                                    const py::object& up) {
    if (eye.is_none() && target.is_none()) {
        return std::nullopt;
    }
    if (eye.is_none() || target.is_none()) {
        throw Tolu::Error("Renderer: give both eye and target, or neither to fit the scene");
    }
    CameraPlace place;
    place.eye = toVector("eye", eye);
    place.target = toVector("target", target);
    if (!up.is_none()) {
        place.up = toVector("up", up);
    }
    return place;
}

void setCamera(Renderer& r, const py::object& eye, const py::object& target, const py::object& up) {
    const std::optional<CameraPlace> camera = toCamera(eye, target, up);
    withLock([&] { r.camera = camera; });
}

// Keyword options shared by the constructor and render().
void applyOptions(Renderer& r, const py::kwargs& options) {
    py::object eye = py::none();
    py::object target = py::none();
    py::object up = py::none();
    bool camera = false;
    bool fit = false;
    std::optional<double> fovy;
    std::optional<bool> shadows;
    std::optional<unsigned> transparency;
    std::optional<std::vector<std::string>> highlights;
    for (const auto& [key, value] : options) {
        const std::string name = py::str(key);
        if (name == "eye" || name == "target" || name == "up") {
            camera = true;
            (name == "eye"      ? eye
             : name == "target" ? target
                                : up) = py::reinterpret_borrow<py::object>(value);
        } else if (name == "fit") {
            fit = value.cast<bool>();
        } else if (name == "fov") {
            fovy = value.cast<double>();
            if (!(*fovy > 0 && *fovy < 180)) {
                throw Tolu::Error("Renderer: fov " + std::to_string(*fovy) +
                                  " is not within (0, 180)");
            }
        } else if (name == "shadows") {
            shadows = value.cast<bool>();
        } else if (name == "transparency") {
            const int mode = value.cast<int>();
            if (mode < 0 || mode > 3) {
                throw Tolu::Error("Renderer: transparency " + std::to_string(mode) +
                                  " is not 0, 1, 2 or 3");
            }
            transparency = unsigned(mode);
        } else if (name == "highlights") {
            highlights = value.cast<std::vector<std::string>>();
        } else {
            throw Tolu::Error("Renderer: unknown option \"" + name + "\"");
        }
    }
    const std::optional<CameraPlace> place =
        camera ? toCamera(eye, target, up) : std::optional<CameraPlace>();
    withLock([&] {
        if (fit) {
            r.camera.reset();
        }
        if (camera) {
            r.camera = place;
        }
        r.fovy = fovy.value_or(r.fovy);
        r.shadows = shadows.value_or(r.shadows);
        r.transparency = transparency.value_or(r.transparency);
        if (highlights) {
            r.highlights = std::move(*highlights);
        }
    });
}

// Renderers die under the GL lock, as they draw: another thread may be drawing with a
// model they share, and the GL dispatch table is shared by every context. The thread that
// draws never needs the interpreter lock, so waiting for it while holding that is safe.
struct LockedDelete {
    void operator()(Renderer* renderer) const noexcept {
        std::lock_guard<std::mutex> lock(glMutex());
        delete renderer;
        releaseCurrentContext();
    }
};
using RendererHolder = std::unique_ptr<Renderer, LockedDelete>;

M4 toMatrix(const py::handle& value) {
    const auto a = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(value);
    if (!a || a.ndim() != 2 || a.shape(0) != 4 || a.shape(1) != 4) {
        throw Tolu::Error("set_pose: a pose matrix must be 4x4");
    }
    M4 m;
    std::memcpy(m.m, a.data(), sizeof m.m);
    return m;
}

} // namespace

PYBIND11_MODULE(simgl, m) {
    m.doc() = "Draws simulation scenes and robot descriptions headless, picks and drags in them.";

    static py::exception<Tolu::Error> error(m, "Error", PyExc_RuntimeError);
    static py::exception<Ostra::IO::LoadError> loadError(m, "LoadError", error.ptr());
    // One translator, so that the narrower type is tried first.
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) {
                std::rethrow_exception(p);
            }
        } catch (const Ostra::IO::LoadError& e) {
            loadError(e.what());
        } catch (const Tolu::Error& e) {
            error(e.what());
        }
    });

    py::class_<SceneHandle, std::shared_ptr<SceneHandle>>(
        m, "Scene", "A loaded scene file or robot description.")
        .def_property_readonly("path",
                               [](const SceneHandle& s) {
                                   std::lock_guard<std::mutex> lock(glMutex());
                                   return s.getData()->path;
                               })
        .def_property_readonly(
            "bodies", [](const SceneHandle& s) { return unlocked([&] { return s.bodyNames(); }); },
            "Body names, in model order.")
        .def_property_readonly(
            "joints", [](const SceneHandle& s) { return unlocked([&] { return s.jointNames(); }); },
            "Joint names, in model order.")
        .def_property_readonly(
            "kinematic_joints",
            [](const SceneHandle& s) { return unlocked([&] { return s.movingJointNames(); }); },
            "The robot's joints that take a position; empty for a scene.")
        .def(
            "reload", [](SceneHandle& s) { unlocked([&] { s.reload(); }); },
            "Reads the file again; renderers show the new model from their next frame.")
        .def(
            "pose",
            [](const SceneHandle& s, const std::string& body) {
                const M4 pose = unlocked([&] { return s.getPose(body); });
                py::array_t<double> a({4, 4});
                std::memcpy(a.mutable_data(), pose.m, sizeof pose.m);
                return a;
            },
            py::arg("body"), "The body's world pose as a 4x4 matrix.")
        .def(
            "set_pose",
            [](SceneHandle& s, const std::string& body, const py::object& matrix,
               const py::object& position, const py::object& quaternion) {
                M4 pose;
                if (!matrix.is_none()) {
                    pose = toMatrix(matrix);
                } else {
                    const V3 p = position.is_none() ? V3() : toVector("position", position);
                    double wxyz[4] = {1, 0, 0, 0};
                    if (!quaternion.is_none()) {
                        const auto q =
                            py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(
                                quaternion);
                        if (!q || q.ndim() != 1 || q.shape(0) != 4) {
                            throw Tolu::Error("set_pose: a quaternion is four numbers w, x, y, z");
                        }
                        std::memcpy(wxyz, q.data(), sizeof wxyz);
                    }
                    const double xyz[3] = {p[0], p[1], p[2]};
                    pose = poseMatrix(xyz, wxyz);
                }
                unlocked([&] { s.setPose(body, pose); });
            },
            py::arg("body"), py::arg("matrix") = py::none(), py::kw_only(),
            py::arg("position") = py::none(), py::arg("quaternion") = py::none(),
            "Places a body by a 4x4 matrix, or by position and quaternion (w, x, y, z).")
        .def(
            "set_joint_position",
            [](SceneHandle& s, const std::string& joint, double value) {
                return unlocked([&] { return s.setJointPosition(joint, value); });
            },
            py::arg("joint"), py::arg("value"),
            "Sets a robot joint's position (clamped into its limits, returned); see update().")
        .def(
            "joint_position",
            [](const SceneHandle& s, const std::string& joint) {
                return unlocked([&] { return s.getJointPosition(joint); });
            },
            py::arg("joint"))
        .def(
            "update", [](SceneHandle& s) { unlocked([&] { s.update(); }); },
            "Moves the robot's links to the joint positions set.");

    m.def(
        "load",
        [](const std::filesystem::path& path) {
            return unlocked([&] { return std::make_shared<SceneHandle>(path); });
        },
        py::arg("path"), "Loads a scene file (.json) or a URDF robot description (.urdf).");

    py::class_<PickResult>(m, "PickResult", "What a pick found; it keeps its model alive.")
        .def_readonly("kind", &PickResult::kind)
        .def_readonly("name", &PickResult::name)
        .def_readonly("part", &PickResult::part)
        .def_property_readonly("point", [](const PickResult& p) { return toArray(p.point); })
        .def_property_readonly("normal", [](const PickResult& p) { return toArray(p.normal); })
        .def("__repr__", [](const PickResult& p) {
            return "<PickResult " + p.kind + " \"" + p.name + "\" " + p.part + ">";
        });

    py::class_<Ostra::IO::Motion, std::shared_ptr<Ostra::IO::Motion>>(
        m, "Motion", "A recorded motion: joint positions or body poses over time.")
        .def_readonly("file", &Ostra::IO::Motion::file)
        .def_readonly("names", &Ostra::IO::Motion::names, "Joint or body names, in column order.")
        .def_property_readonly("kind",
                               [](const Ostra::IO::Motion& motion) {
                                   return motion.kind == Ostra::IO::Motion::Kind::BodyPoses
                                              ? "body_poses"
                                              : "joint_positions";
                               })
        .def_property_readonly("times",
                               [](const Ostra::IO::Motion& motion) {
                                   return py::array_t<double>(py::ssize_t(motion.times.size()),
                                                              motion.times.data());
                               })
        .def_property_readonly("duration", &Ostra::IO::Motion::duration);

    m.def(
        "save_png",
        [](const py::handle& value, const std::string& path) {
            const auto a = py::array_t<std::uint8_t, py::array::c_style>::ensure(value);
            if (!a || a.ndim() != 3 || (a.shape(2) != 3 && a.shape(2) != 4) || a.shape(0) < 1 ||
                a.shape(1) < 1) {
                throw Tolu::Error("save_png: expected a uint8 array of height x width x 3 or 4");
            }
            Tolu::GL::Image image;
            image.height = int(a.shape(0));
            image.width = int(a.shape(1));
            const auto channels = std::size_t(a.shape(2));
            const std::size_t pixels = std::size_t(image.width) * std::size_t(image.height);
            image.rgba.assign(pixels * 4, 255);
            const std::uint8_t* in = a.data();
            for (std::size_t i = 0; i < pixels; ++i) {
                std::memcpy(image.rgba.data() + i * 4, in + i * channels, channels);
            }
            Tolu::GL::savePNG(image, path);
        },
        py::arg("image"), py::arg("path"),
        "Writes an image as render() returns it (uint8, height x width x 3 or 4) as a PNG.");

    m.def(
        "load_motion",
        [](const std::filesystem::path& path) {
            return std::make_shared<Ostra::IO::Motion>(Ostra::IO::loadMotion(path));
        },
        py::arg("path"), "Reads a motion file (CSV).");

    py::class_<PlaybackHandle>(m, "Playback", "A motion bound to a scene's current model.")
        .def(py::init([](const std::shared_ptr<SceneHandle>& scene,
                         const std::shared_ptr<Ostra::IO::Motion>& motion) {
                 return unlocked([&] { return std::make_unique<PlaybackHandle>(scene, *motion); });
             }),
             py::arg("scene"), py::arg("motion"))
        .def(
            "apply", [](PlaybackHandle& p, double t) { unlocked([&] { p.apply(t); }); },
            py::arg("t"), "Moves the model to time t, in seconds.")
        .def_property_readonly("start", [](const PlaybackHandle& p) { return p.get().startTime(); })
        .def_property_readonly("end", [](const PlaybackHandle& p) { return p.get().endTime(); })
        .def(
            "frame_times",
            [](const PlaybackHandle& p, double fps) { return p.get().frameTimes(fps); },
            py::arg("fps"), "The times of the frames at fps frames per second.");

    py::class_<Renderer, RendererHolder>(m, "Renderer",
                                         "Draws a scene headless with a GL context of its own.")
        .def(py::init([](std::shared_ptr<SceneHandle> scene, int width, int height, unsigned msaa,
                         const py::kwargs& options) {
                 RendererHolder r(
                     unlocked([&] { return new Renderer(std::move(scene), width, height, msaa); }));
                 applyOptions(*r, options);
                 return r;
             }),
             py::arg("scene"), py::arg("width") = 640, py::arg("height") = 480, py::kw_only(),
             py::arg("msaa") = 1u)
        .def(
            "render",
            [](Renderer& r, bool alpha, const py::kwargs& options) {
                applyOptions(r, options);
                return toImage(unlocked([&] { return r.render(); }), alpha);
            },
            py::kw_only(), py::arg("alpha") = false,
            "Draws a frame: a uint8 array of height x width x 3 (4 with alpha=True). Keyword "
            "options (eye, target, up, fit, fov, shadows, transparency, highlights) stay set.")
        .def(
            "pick",
            [](Renderer& r, double x, double y) -> std::optional<PickResult> {
                return unlocked([&] { return r.pick(x, y); });
            },
            py::arg("x"), py::arg("y"),
            "The nearest shown part at pixel (x, y) from the top left, or None.")
        .def(
            "drag",
            [](Renderer& r, double x, double y, double dx, double dy) {
                return unlocked([&] { return r.drag(x, y, dx, dy); });
            },
            py::arg("x"), py::arg("y"), py::arg("dx"), py::arg("dy"),
            "Grabs the body at pixel (x, y) and moves it by (dx, dy) pixels facing the camera, "
            "through the scene's UI port drivers. False when nothing draggable is there.")
        .def(
            "render_motion",
            [](Renderer& r, const std::shared_ptr<Ostra::IO::Motion>& motion,
               const std::string& out,
               double fps) { return unlocked([&] { return renderMotion(r, *motion, out, fps); }); },
            py::arg("motion"), py::arg("out"), py::kw_only(), py::arg("fps") = 30.0,
            "Plays a motion on the scene and writes the frames: a video for an out ending in "
            ".mp4, .mkv, .mov, .avi or .webm, else PNG images in the folder out. Returns the "
            "number of frames.")
        .def("look_at", &setCamera, py::arg("eye"), py::arg("target"), py::arg("up") = py::none(),
             "Places the camera; look_at(None, None) fits the scene.")
        .def(
            "fit", [](Renderer& r) { withLock([&] { r.camera.reset(); }); },
            "Fits the whole scene into the view.")
        .def_property_readonly("scene", &Renderer::getScene)
        .def_property_readonly("width", &Renderer::getWidth)
        .def_property_readonly("height", &Renderer::getHeight)
        .def_property_readonly("msaa", &Renderer::getMsaa)
        .def_property_readonly("camera",
                               [](const Renderer& r) -> py::object {
                                   if (!r.camera) {
                                       return py::none();
                                   }
                                   return py::make_tuple(toArray(r.camera->eye),
                                                         toArray(r.camera->target),
                                                         toArray(r.camera->up));
                               })
        .def_property(
            "fov", [](const Renderer& r) { return r.fovy; },
            [](Renderer& r, double v) { applyOptions(r, py::dict(py::arg("fov") = v)); })
        .def_property(
            "shadows", [](const Renderer& r) { return r.shadows; },
            [](Renderer& r, bool on) { withLock([&] { r.shadows = on; }); })
        .def_property(
            "transparency", [](const Renderer& r) { return r.transparency; },
            [](Renderer& r, int v) { applyOptions(r, py::dict(py::arg("transparency") = v)); })
        .def_property(
            "highlights", [](const Renderer& r) { return r.highlights; },
            [](Renderer& r, std::vector<std::string> names) {
                withLock([&] { r.highlights = std::move(names); });
            });
}

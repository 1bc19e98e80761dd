#pragma once

#include "DemoScene.h"

#include <ostra_sim/Project.h>
#include <tolu/util/RefT.h>

#include <filesystem>
#include <memory>
#include <ostra_io/Motion.h>
#include <ostra_io/Scene.h>

namespace SimGLViewer {

/// What the viewer shows: the built-in demo mechanism, or a model file (a scene file or a
/// robot description) with an optional motion file played on it. A model that no enabled
/// UI port driver can move gets one that may drag every body, so that its bodies can be
/// dragged like the demo's.
class ViewerModel {
public:
    /// The demo mechanism. Throws what building it throws.
    ViewerModel();
    /// Opens `modelFile` through `Ostra::IO::loadModel` and, unless `motionFile` is empty,
    /// the motion it plays. Throws Ostra::IO::LoadError naming the file that cannot be
    /// read, or the motion's name the model does not have.
    explicit ViewerModel(std::filesystem::path modelFile, std::filesystem::path motionFile = {});
    ViewerModel(ViewerModel&&) noexcept;
    ViewerModel& operator=(ViewerModel&&) noexcept;
    ~ViewerModel();

    /// The same files read again, as they are on disk now. Throws what opening throws;
    /// this model stays as it is.
    [[nodiscard]] ViewerModel reopened() const;

    /// Whether a model file is shown rather than the demo.
    [[nodiscard]] bool isFile() const noexcept { return scene != nullptr; }
    [[nodiscard]] const Tolu::RefT<Ostra::Sim::Project>& getModel() const noexcept;
    /// The demo, or null when a model file is shown.
    [[nodiscard]] SimGLDemo::DemoScene* getDemo() const noexcept { return demo.get(); }
    /// The motion played on the model, or null.
    [[nodiscard]] Ostra::IO::Playback* getPlayback() const noexcept { return playback.get(); }
    [[nodiscard]] const std::filesystem::path& getModelFile() const noexcept { return modelFile; }
    [[nodiscard]] const std::filesystem::path& getMotionFile() const noexcept { return motionFile; }

private:
    std::filesystem::path modelFile;
    std::filesystem::path motionFile;
    std::unique_ptr<SimGLDemo::DemoScene> demo;
    // Only for model files; the demo builds its own model.
    std::unique_ptr<Ostra::IO::Scene> scene;
    std::unique_ptr<Ostra::IO::Playback> playback;
};

} // namespace SimGLViewer

#include "ViewerModel.h"

#include <ostra_sim/PortDrvUI.h>
#include <tolu/util/RefT.h>

#include <ostra_io/Urdf.h>
#include <utility>

namespace SimGLViewer {

namespace {

bool hasEnabledUIDriver(const Ostra::Sim::Project& model) {
    for (auto* d = model.getPortDrvs().getFirst().get(); d; d = d->getNext().get()) {
        const auto* ui = dynamic_cast<const Ostra::Sim::PortDrvUI*>(d);
        if (ui && ui->isEnabled()) {
            return true;
        }
    }
    return false;
}

} // namespace

ViewerModel::ViewerModel() : demo(std::make_unique<SimGLDemo::DemoScene>()) {}

ViewerModel::ViewerModel(std::filesystem::path modelFile_, std::filesystem::path motionFile_)
    : modelFile(std::move(modelFile_)), motionFile(std::move(motionFile_)),
      scene(std::make_unique<Ostra::IO::Scene>(Ostra::IO::loadModel(modelFile))) {
    if (!motionFile.empty()) {
        playback = std::make_unique<Ostra::IO::Playback>(*scene, Ostra::IO::loadMotion(motionFile));
    }
    // A model whose file says who may drag what keeps that; one that says nothing
    // (a robot description never does) may have every body dragged.
    if (!hasEnabledUIDriver(*scene->model)) {
        auto driver = Tolu::makeRef<Ostra::Sim::PortDrvUI>(Ostra::Sim::SrcRef{"viewer"});
        driver->setCanAll(true);
        scene->model->addPortDrv(driver);
    }
}

ViewerModel::ViewerModel(ViewerModel&&) noexcept = default;
ViewerModel& ViewerModel::operator=(ViewerModel&&) noexcept = default;
ViewerModel::~ViewerModel() = default;

ViewerModel ViewerModel::reopened() const {
    return isFile() ? ViewerModel(modelFile, motionFile) : ViewerModel();
}

const Tolu::RefT<Ostra::Sim::Project>& ViewerModel::getModel() const noexcept {
    return demo ? demo->getModel() : scene->model;
}

} // namespace SimGLViewer

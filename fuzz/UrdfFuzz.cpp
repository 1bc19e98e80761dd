// Reads the input as a robot description. Bad descriptions must end in a LoadError, never
// in another exception or a crash; one that reads must give a body per link and a joint per
// kinematic joint, each between its links' bodies.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostra_io/LoadError.h>
#include <ostra_io/Urdf.h>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Ostra::IO::Scene scene;
    try {
        scene = Ostra::IO::readUrdf(text, "fuzz.urdf");
    } catch (const Ostra::IO::LoadError&) {
        return 0;
    }
    const auto& kin = *scene.kinematics;
    bool sound = scene.model->getBodyList().getCount() == kin.links().size() &&
                 scene.model->getJointList().getCount() == kin.joints().size();
    for (const auto& joint : kin.joints()) {
        sound = sound && joint.simJoint &&
                joint.simJoint->getBody1().get() == kin.links()[joint.parent].body.get() &&
                joint.simJoint->getBody2().get() == kin.links()[joint.child].body.get();
    }
    if (!sound) {
        std::fprintf(stderr, "the model does not match its kinematic tree\n");
        std::abort();
    }
    return 0;
}

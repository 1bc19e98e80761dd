// Reads the input as a motion file. Bad files must end in a LoadError, never in another
// exception or a crash; a motion that reads must play on a model that has its names, at
// any time, leaving finite transforms.

#include <ostra_sim/Project.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <ostra_io/LoadError.h>
#include <ostra_io/Motion.h>
#include <string_view>

namespace {

namespace IO = Ostra::IO;
namespace Sim = Ostra::Sim;

// A model with a body for every name: free bodies for poses, or a chain of revolute joints.
IO::Scene sceneFor(const IO::Motion& motion) {
    IO::Scene scene;
    scene.model = Tolu::makeRef<Sim::Project>(Sim::SrcRef("fuzz"));
    if (motion.kind == IO::Motion::Kind::JointPositions) {
        scene.kinematics = std::make_shared<IO::Kinematics>();
        scene.kinematics->addLink({"root", {}, {}});
    }
    for (std::size_t k = 0; k < motion.names.size(); ++k) {
        const auto body = Tolu::makeRef<Sim::Body>(Sim::SrcRef(motion.names[k]));
        scene.model->addBody(body);
        if (!scene.kinematics) {
            continue;
        }
        const std::size_t link = scene.kinematics->addLink({"link " + std::to_string(k), body, {}});
        IO::KinematicJoint joint;
        joint.name = motion.names[k];
        joint.type = IO::JointType::Revolute;
        joint.parent = link - 1;
        joint.child = link;
        joint.origin = Tolu::Matrix4x4T<double>::translation({1, 0, 0});
        scene.kinematics->addJoint(joint);
    }
    return scene;
}

void checkFinite(const IO::Scene& scene, double t) {
    for (const Sim::Body* b = scene.model->getBodyList().getFirst().get(); b;
         b = b->getNext().get()) {
        for (const double v : b->getTransform().m) {
            if (!std::isfinite(v)) {
                std::fprintf(stderr, "body \"%s\" is not finite at time %g\n", b->getName().c_str(),
                             t);
                std::abort();
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IO::Motion motion;
    try {
        motion = IO::readMotion(text, "fuzz.csv");
    } catch (const IO::LoadError&) {
        return 0;
    }
    const IO::Scene scene = sceneFor(motion);
    IO::Playback playback(scene, motion);
    const double start = playback.startTime();
    const double end = playback.endTime();
    constexpr double inf = std::numeric_limits<double>::infinity();
    for (const double t : {start - 1, start, (start + end) / 2, start + (end - start) / 3, end,
                           end + 1, -inf, inf}) {
        playback.apply(t);
        checkFinite(scene, t);
    }
    // Rows themselves, and the middle of each gap.
    for (std::size_t k = 0; k + 1 < motion.times.size() && k < 64; ++k) {
        for (const double t : {motion.times[k], motion.times[k] / 2 + motion.times[k + 1] / 2}) {
            playback.apply(t);
            checkFinite(scene, t);
        }
    }
    if (motion.duration() < 100) {
        const auto times = playback.frameTimes(30);
        if (times.empty() || times.front() != start || times.back() > end) {
            std::fprintf(stderr, "frame times run outside the motion\n");
            std::abort();
        }
    }
    return 0;
}

// Mirrors a small model through the installed library and checks what it sees.
#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Project.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/ClassMap.h>

#include <cstdio>
#include <ostra_io/SceneFile.h>

int main() {
    Vuro::GL::ClassMap classMap;
    auto model = Tolu::makeRef<Ostra::Sim::Project>();
    for (int i = 0; i < 3; ++i) {
        auto body = Tolu::makeRef<Ostra::Sim::Body>();
        body->setProto(Vuro::makeBox({1, 1, 1}, {0.5f, 0.5f, 0.5f, 1}));
        model->addBody(body);
    }
    auto project = Tolu::makeRef<Ostra::Sim::GL::Project>(classMap);
    project->set(model);
    const auto [removed, created] = project->update();
    std::printf("consumer: %zu nodes created, %zu removed\n", created.size(), removed.size());
    // The file library reads back what it writes, through the installed package too.
    Ostra::IO::Scene scene;
    scene.model = Tolu::makeRef<Ostra::Sim::Project>();
    scene.model->addBody(Tolu::makeRef<Ostra::Sim::Body>(Ostra::Sim::SrcRef("one")));
    const Ostra::IO::Scene copy = Ostra::IO::readScene(Ostra::IO::writeScene(scene, "."), "c.json");
    std::printf("consumer: %llu body read back\n",
                static_cast<unsigned long long>(copy.model->getBodyList().getCount()));
    return created.size() == 3 && removed.empty() && copy.model->getBodyList().getCount() == 1 ? 0
                                                                                               : 1;
}

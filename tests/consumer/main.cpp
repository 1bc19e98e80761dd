// Mirrors a small model through the installed library and checks what it sees.
#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Project.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/ClassMap.h>

#include <cstdio>

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
    return created.size() == 3 && removed.empty() ? 0 : 1;
}

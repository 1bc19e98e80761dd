// Edits a simulation model and the project's lists as the input says, and holds updates
// in between against the simple account of what they must do: the removed and created
// nodes, the lists in model order, the lookups, a second update that changes nothing.

#include "support/ModelEditor.h"

#include <tolu/gl/NoOpFunctions.h>
#include <tolu/gl/ScopedFunctions.h>
#include <vuro_gl/gl/ClassMap.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Tolu::GL::NoOpFunctions noOp;
    Tolu::GL::ScopedFunctions useNoOp{noOp.getTable()};
    Vuro::GL::ClassMap classMap;
    auto model = Tolu::makeRef<Ostra::Sim::Project>();
    auto project = Tolu::makeRef<Ostra::Sim::GL::Project>(classMap);
    project->set(model);

    const std::uint8_t* const end = data + size;
    const auto byte = [&]() -> unsigned { return data < end ? *data++ : 0; };
    Tolu::Test::ModelEditor editor(*model, *project, byte);
    const auto check = [&] {
        const std::string fault = Tolu::Test::checkUpdate(*project, *model);
        if (!fault.empty()) {
            std::fprintf(stderr, "the scene no longer mirrors the model: %s\n", fault.c_str());
            std::abort();
        }
    };
    while (data < end) {
        editor.edit();
        if (byte() % 4 == 0) {
            check();
        }
    }
    check();
    return 0;
}

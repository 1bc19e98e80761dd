// Reads the input as a scene file. Bad files must end in a LoadError, never in another
// exception or a crash; a file that reads must write out as text that reads back to the
// same text.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostra_io/LoadError.h>
#include <ostra_io/SceneFile.h>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Ostra::IO::Scene scene;
    try {
        scene = Ostra::IO::readScene(text, "fuzz.json");
    } catch (const Ostra::IO::LoadError&) {
        return 0;
    }
    // A file the reader took must survive the writer and the reader again unchanged.
    const std::string written = Ostra::IO::writeScene(scene, ".");
    const std::string again =
        Ostra::IO::writeScene(Ostra::IO::readScene(written, "fuzz.json"), ".");
    if (again != written) {
        std::fprintf(stderr, "the scene reads back differently:\n%s\n---\n%s\n", written.c_str(),
                     again.c_str());
        std::abort();
    }
    return 0;
}

#include "MeshFiles.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <ostra_io/LoadError.h>
#include <ostra_io/SceneFile.h>
#include <string>

// Every kind of bad scene file, each with the message it must give: file, place, fault.
namespace {

namespace IO = Ostra::IO;

struct BadInput {
    const char* name;
    const char* body;        ///< the file after its format line; "{mesh}" stands for a mesh path
    const char* message;     ///< after "<dir>/bad.json"; "{dir}" stands for the folder
    bool prefixOnly = false; ///< the rest of the message is the mesh importer's
};

// Files start with this line, so the line numbers below count from 2.
const std::string header = "{\"format\": \"ostra-scene\", \"version\": 1,\n";

const BadInput cases[] = {
    {"MalformedJson", "\"bodies\": [{\"name\": \"a\",}]}",
     ":2:25: malformed JSON: syntax error while parsing object key - unexpected '}'; expected "
     "string literal"},
    {"TruncatedJson", "\"bodies\": [",
     ":2:12: malformed JSON: syntax error while parsing value - "
     "unexpected end of input; expected '[', '{', or a literal"},
    {"UnknownKey", "\"bodies\": [{\"name\": \"a\", \"colour\": [1, 0, 0]}]}",
     ": /bodies/0/colour: unknown key \"colour\""},
    {"UnknownTopKey", "\"bodys\": []}", ": /bodys: unknown key \"bodys\""},
    {"KeyGivenTwice", "\"bodies\": [{\"name\": \"a\", \"name\": \"b\"}]}",
     ": /bodies/0/name: key \"name\" given twice"},
    {"MissingValue", "\"bodies\": [{\"prototype\": \"p\"}]}", ": /bodies/0: missing key \"name\""},
    {"WrongType", "\"bodies\": [{\"name\": \"a\", \"visible\": \"yes\"}]}",
     ": /bodies/0/visible: expected true or false, found a string"},
    {"WrongArraySize", "\"bodies\": [{\"name\": \"a\", \"refPoint\": [1, 2]}]}",
     ": /bodies/0/refPoint: expected 3 values, found 2"},
    {"UnknownBody", "\"joints\": [{\"name\": \"j\", \"body1\": \"ghost\"}]}",
     ": /joints/0/body1: unknown body \"ghost\""},
    {"UnknownPrototype", "\"bodies\": [{\"name\": \"a\", \"prototype\": \"ghost\"}]}",
     ": /bodies/0/prototype: unknown prototype \"ghost\""},
    {"NotATrack",
     "\"bodies\": [{\"name\": \"a\"}], \"sensors\": [{\"name\": \"s\", \"kind\": \"track\", "
     "\"track\": \"a\", \"pos1\": 0, \"pos2\": 1}]}",
     ": /sensors/0/track: body \"a\" is not a track"},
    {"DuplicateName", "\"bodies\": [{\"name\": \"a\"}, {\"name\": \"a\"}]}",
     ": /bodies/1/name: duplicate body name \"a\""},
    {"DuplicatePrototype",
     "\"prototypes\": [{\"name\": \"p\", \"shape\": \"sphere\", \"radius\": 1}, {\"name\": \"p\", "
     "\"shape\": \"sphere\", \"radius\": 2}]}",
     ": /prototypes/1/name: duplicate prototype name \"p\""},
    {"NonFiniteNumber", "\"bodies\": [{\"name\": \"a\", \"refPoint\": [1e999, 0, 0]}]}",
     ":2:39: number 1e999 is not finite (too large for a double)"},
    {"OutOfRange", "\"bodies\": [{\"name\": \"a\", \"alpha\": 1.5}]}",
     ": /bodies/0/alpha: value 1.5 is out of range [0, 1]"},
    {"NotPositive", "\"prototypes\": [{\"name\": \"p\", \"shape\": \"box\", \"size\": [1, 0, 1]}]}",
     ": /prototypes/0/size/1: value 0 is not positive"},
    {"UnknownShape", "\"prototypes\": [{\"name\": \"p\", \"shape\": \"torus\"}]}",
     ": /prototypes/0/shape: unknown shape \"torus\" (known: box, cylinder, sphere, cone, "
     "arrow)"},
    {"BadSegment",
     "\"bodies\": [{\"name\": \"t\", \"kind\": \"track\", \"segments\": [{\"type\": \"loop\"}]}]}",
     ": /bodies/0/segments/0/type: unknown segment type \"loop\" (known: straight, arc, bezier, "
     "helix)"},
    {"MissingMesh", "\"prototypes\": [{\"name\": \"p\", \"mesh\": \"gone.stl\"}]}",
     ": /prototypes/0/mesh: {dir}/gone.stl: no such mesh file (looked for {dir}/gone.stl)"},
    {"UnreadableMesh", "\"prototypes\": [{\"name\": \"p\", \"mesh\": \"junk.stl\"}]}",
     ": /prototypes/0/mesh: {dir}/junk.stl: cannot read mesh: ", true},
    {"MeshWithoutTriangles", "\"prototypes\": [{\"name\": \"p\", \"mesh\": \"lines.obj\"}]}",
     ": /prototypes/0/mesh: {dir}/lines.obj: mesh has no triangles"},
    {"MeshOfPointsOnly", "\"prototypes\": [{\"name\": \"p\", \"mesh\": \"points.ply\"}]}",
     ": /prototypes/0/mesh: {dir}/points.ply: mesh has no triangles (", true},
};

class BadInputTest : public ::testing::TestWithParam<BadInput> {};

std::string replace(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

TEST_P(BadInputTest, IsRejectedWithItsPlaceAndReason) {
    const Tolu::Test::TempDir dir;
    namespace Files = Tolu::Test::MeshFiles;
    Files::writeText(dir / "junk.stl", "this is no mesh at all\n");
    Files::writeText(dir / "lines.obj", "v 0 0 0\nv 1 0 0\nl 1 2\n");
    // A PLY with vertices but no faces.
    Files::writeText(dir / "points.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float "
                                         "x\nproperty float y\nproperty float z\nend_header\n0 0 "
                                         "0\n1 0 0\n0 1 0\n");
    const std::string text = header + GetParam().body;
    const std::string file = (dir / "bad.json").string();
    Files::writeText(file, text);
    try {
        (void)IO::loadScene(file);
        FAIL() << "accepted:\n" << text;
    } catch (const IO::LoadError& e) {
        const std::string expected = file + replace(GetParam().message, "{dir}", dir.path.string());
        if (GetParam().prefixOnly) {
            EXPECT_EQ(std::string(e.what()).substr(0, expected.size()), expected) << e.what();
        } else {
            EXPECT_EQ(e.what(), expected);
        }
        EXPECT_EQ(e.getFile(), file);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInputTest, ::testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BadInputFileTest, MissingFileAndForeignFormatAreNamed) {
    try {
        (void)IO::loadScene("/nonexistent/scene.json");
        FAIL();
    } catch (const IO::LoadError& e) {
        EXPECT_STREQ(e.what(), "/nonexistent/scene.json: cannot open the file");
    }
    try {
        (void)IO::readScene(R"({"format": "other", "version": 1})", "x.json");
        FAIL();
    } catch (const IO::LoadError& e) {
        EXPECT_STREQ(e.what(), "x.json: /format: format \"other\" is not \"ostra-scene\"");
    }
    try {
        (void)IO::readScene(R"({"format": "ostra-scene", "version": 2})", "x.json");
        FAIL();
    } catch (const IO::LoadError& e) {
        EXPECT_STREQ(e.what(), "x.json: /version: version 2 is newer than this reader's (1)");
    }
}

} // namespace

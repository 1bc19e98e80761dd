#include "MeshFiles.h"
#include "ModelCompare.h"
#include "TempDir.h"

#include <ostra_sim/JointTrack.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Track.h>
#include <tolu/math3d/DegreeT.h>

#include <gtest/gtest.h>

#include <fstream>
#include <numbers>
#include <ostra_io/LoadError.h>
#include <ostra_io/SceneFile.h>
#include <random>
#include <sstream>

// Scene files: what a saved model reads back as, and what the hand-written forms mean.
namespace {

namespace IO = Ostra::IO;
namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::RefT;
using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;
using Tolu::Test::firstDifference;
using Tolu::Test::TempDir;

// A model with every kind of object and attribute the format holds, drawn at random.
class RandomScene {
public:
    RandomScene(unsigned seed, const std::filesystem::path& mesh) : rng(seed) {
        scene.model = makeRef<Sim::Project>(Sim::SrcRef("model " + std::to_string(seed)));
        for (int shape = 0; shape < 6; ++shape) {
            addPrototype(static_cast<IO::Shape>(shape), mesh);
        }
        const int bodyCount = 3 + pick(12);
        for (int i = 0; i < bodyCount; ++i) {
            addBody(i);
        }
        for (int i = 0; i < pick(8); ++i) {
            addJoint(i);
        }
        for (int i = 0; i < pick(4); ++i) {
            addSensor(i);
        }
        auto driver = makeRef<Sim::PortDrvUI>(Sim::SrcRef("mouse"));
        driver->setEnabled(coin());
        driver->setCanAll(coin());
        for (const auto& body : bodies) {
            if (coin()) {
                driver->addBody(body);
            }
        }
        scene.model->addPortDrv(driver);
        scene.model->addPortDrv(makeRef<Sim::PortDrv>(Sim::SrcRef("external")));
    }

    IO::Scene scene;

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    bool coin() { return pick(2) == 1; }
    double real(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    }
    float size() { return static_cast<float>(real(0.01, 3)); }
    float unit() { return static_cast<float>(real(0, 1)); }
    V3 point() { return {real(-10, 10), real(-10, 10), real(-10, 10)}; }

    M4 pose() {
        switch (pick(4)) {
        case 0:
            return M4();
        case 1:
            return M4::translation(point());
        case 2:
            return M4::translation(point()) * M4::rotation(point(), real(-4, 4));
        default: // scaled and sheared: only a matrix holds it
            return M4::translation(point()) * M4::rotationX(real(-3, 3)) *
                   M4::scaling(V3(real(0.1, 3), real(0.1, 3), real(0.1, 3))) *
                   M4::rotationZ(real(-3, 3));
        }
    }

    // Sets only what the shape reads, so that descs compare equal after reading back.
    void addPrototype(IO::Shape shape, const std::filesystem::path& mesh) {
        IO::ProtoDesc desc;
        desc.shape = shape;
        switch (shape) {
        case IO::Shape::Box:
            desc.size = {size(), size(), size()};
            break;
        case IO::Shape::Cone:
            desc.height = size();
            [[fallthrough]];
        case IO::Shape::Sphere:
            desc.radius = size();
            break;
        case IO::Shape::Cylinder:
        case IO::Shape::Arrow:
            desc.radius = size();
            desc.length = size();
            break;
        case IO::Shape::Mesh:
            desc.mesh = mesh;
            desc.meshOptions.scale = {size(), size(), size()};
            desc.meshOptions.up = static_cast<IO::UpAxis>(pick(3));
            if (coin()) {
                desc.meshOptions.color = Tolu::Vector4T<float>(unit(), unit(), unit(), 1);
            }
            break;
        }
        if (shape != IO::Shape::Box && shape != IO::Shape::Mesh) {
            desc.segments = 3 + static_cast<unsigned>(pick(40));
        }
        if (shape != IO::Shape::Mesh) {
            desc.color = {unit(), unit(), unit(), coin() ? 1.0f : unit()};
        }
        const std::string name = "proto " + std::to_string(scene.prototypes.size());
        scene.prototypes.push_back({name, desc, IO::makeProto(desc)});
    }

    void node(Sim::Node& n) {
        n.setTransform(pose());
        n.setVisible(coin());
        n.setPickable(coin());
        n.setUseColor(coin());
        if (coin()) {
            n.setColor({unit(), unit(), unit()});
            n.setColorMix(unit());
            n.setAlpha(unit());
        }
    }

    void addBody(int i) {
        RefT<Sim::Body> body;
        if (pick(3) == 0) {
            auto track = makeRef<Sim::Track>(Sim::SrcRef("track " + std::to_string(i)));
            for (int s = 0; s < 1 + pick(5); ++s) {
                const Tolu::DegreeT<double> angle(real(-270, 270));
                switch (pick(4)) {
                case 0:
                    track->addStraight(real(0, 5));
                    break;
                case 1:
                    track->addArc(real(0.1, 5), angle);
                    break;
                case 2:
                    track->addBezier(point(), point(), point());
                    break;
                default:
                    track->addHelix(real(0.1, 5), angle, real(-2, 2));
                }
            }
            tracks.push_back(track);
            body = track;
        } else {
            body = makeRef<Sim::Body>(Sim::SrcRef("body " + std::to_string(i)));
        }
        node(*body);
        if (coin()) {
            body->setProto(scene.prototypes[std::size_t(pick(6))].proto);
        }
        body->setRefPoint(coin() ? point() : V3());
        body->setStatus(pick(4) - 1);
        bodies.push_back(body);
        scene.model->addBody(body);
    }

    RefT<Sim::Body> anyBody() {
        return pick(4) == 0 ? RefT<Sim::Body>() : bodies[std::size_t(pick(int(bodies.size())))];
    }

    void addJoint(int i) {
        RefT<Sim::Joint> joint;
        if (!tracks.empty() && coin()) {
            auto onTrack = makeRef<Sim::JointTrack>(Sim::SrcRef("slider " + std::to_string(i)));
            onTrack->setBody1(tracks[std::size_t(pick(int(tracks.size())))]);
            onTrack->setInitialPos(real(0, 3));
            onTrack->setCurrentPos(real(0, 3));
            joint = onTrack;
        } else {
            joint = makeRef<Sim::Joint>(Sim::SrcRef("joint " + std::to_string(i)));
            joint->setBody1(anyBody());
        }
        joint->setBody2(anyBody());
        joint->setFrame(pose());
        node(*joint);
        joint->setStatus(pick(4) - 1);
        scene.model->addJoint(joint);
    }

    void addSensor(int i) {
        RefT<Sim::Sensor> sensor;
        if (!tracks.empty() && coin()) {
            auto onTrack = makeRef<Sim::SensorTrack>(Sim::SrcRef("barrier " + std::to_string(i)));
            onTrack->setTrack(tracks[std::size_t(pick(int(tracks.size())))]);
            onTrack->setPos1(real(-3, 3));
            onTrack->setPos2(real(-3, 3));
            sensor = onTrack;
        } else {
            sensor = makeRef<Sim::Sensor>(Sim::SrcRef("sensor " + std::to_string(i)));
            sensor->setBody(anyBody());
        }
        node(*sensor);
        scene.model->addSensor(sensor);
    }

    std::mt19937 rng;
    std::vector<RefT<Sim::Body>> bodies;
    std::vector<RefT<Sim::Track>> tracks;
};

TEST(SceneFileTest, RandomModelsReadBackEqualAndWriteTheSameText) {
    const TempDir dir;
    const auto mesh = dir / "part.stl";
    Tolu::Test::MeshFiles::writeStlBinary(mesh, Tolu::Test::MeshFiles::box({0, 0, 0}, {1, 2, 3}));
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const RandomScene original(seed, mesh);
        const std::string text = IO::writeScene(original.scene, dir.path);
        const IO::Scene loaded = IO::readScene(text, dir / "scene.json");
        ASSERT_EQ(firstDifference(*original.scene.model, *loaded.model), "") << text;
        ASSERT_EQ(loaded.prototypes.size(), original.scene.prototypes.size());
        for (std::size_t i = 0; i < loaded.prototypes.size(); ++i) {
            EXPECT_EQ(loaded.prototypes[i].name, original.scene.prototypes[i].name);
            EXPECT_TRUE(loaded.prototypes[i].desc == original.scene.prototypes[i].desc);
        }
        ASSERT_EQ(IO::writeScene(loaded, dir.path), text);
    }
}

TEST(SceneFileTest, SavedFileLoadsWithMeshesRelativeToItAndEachMeshReadOnce) {
    const TempDir dir;
    std::filesystem::create_directories(dir / "meshes");
    Tolu::Test::MeshFiles::writeStlAscii(dir / "meshes/part.stl",
                                         Tolu::Test::MeshFiles::box({0, 0, 0}, {1, 1, 1}));
    Tolu::Test::MeshFiles::writeText(dir / "scene.json", R"({
        "format": "ostra-scene", "version": 1,
        "prototypes": [
            {"name": "a", "mesh": "meshes/part.stl", "scale": 2},
            {"name": "b", "mesh": "meshes/../meshes/part.stl", "scale": [2, 2, 2]}],
        "bodies": [{"name": "one", "prototype": "a"}, {"name": "two", "prototype": "b"}]})");
    IO::MeshCache cache;
    const IO::Scene scene = IO::loadScene(dir / "scene.json", &cache);
    EXPECT_EQ(cache.getCount(), 1u);
    EXPECT_EQ(scene.prototypes[0].proto.get(), scene.prototypes[1].proto.get());
    EXPECT_EQ(scene.prototypes[0].proto->getBBox().max, Tolu::Vector3T<float>(2, 2, 2));

    // Saved elsewhere, the mesh path is written relative to the new place.
    std::filesystem::create_directories(dir / "copy");
    IO::saveScene(scene, dir / "copy/scene.json");
    const IO::Scene copy = IO::loadScene(dir / "copy/scene.json", &cache);
    EXPECT_EQ(firstDifference(*scene.model, *copy.model), "");
    EXPECT_EQ(copy.prototypes[0].desc.mesh, std::filesystem::path(dir / "meshes/part.stl"));
}

TEST(SceneFileTest, HandWrittenFormsMeanWhatTheFormatSays) {
    const IO::Scene scene = IO::readScene(R"({
        "format": "ostra-scene", "version": 1, "name": "forms",
        "prototypes": [{"name": "p", "shape": "cone", "radius": 0.5, "height": 2}],
        "bodies": [
            {"name": "turned", "prototype": "p",
             "pose": {"position": [1, 2, 3], "rotation": {"axis": [0, 0, 2], "angle": 90}}},
            {"name": "matrix", "pose": {"matrix": [1,0,0,4, 0,1,0,5, 0,0,1,6, 0,0,0,1]},
             "status": 1, "visible": false, "color": [1, 0, 0], "useColor": true},
            {"name": "rail", "kind": "track", "segments": [{"type": "arc", "radius": 2, "angle": 90}]}],
        "joints": [{"name": "slide", "kind": "track", "track": "rail", "body2": "turned",
                    "initialPos": 1.5}],
        "sensors": [{"name": "gate", "kind": "track", "track": "rail", "pos1": 0.5, "pos2": -0.5}],
        "portDrivers": [{"name": "ui", "bodies": ["matrix"]}]})",
                                          "forms.json");
    const Sim::Project& model = *scene.model;
    const Sim::Body& turned = *model.getBodyList().getFirst();
    // A quarter turn about +z takes +x to +y; the position follows the rotation.
    const V3 x = turned.getTransform().transformAffine({1, 0, 0});
    EXPECT_NEAR(x.x, 1, 1e-12);
    EXPECT_NEAR(x.y, 3, 1e-12);
    EXPECT_NEAR(x.z, 3, 1e-12);
    const Sim::Body& matrix = *turned.getNext();
    EXPECT_EQ(matrix.getTransform().getTranslation(), V3(4, 5, 6));
    EXPECT_EQ(matrix.getStatus(), 1);
    EXPECT_FALSE(matrix.isVisible());
    EXPECT_TRUE(matrix.isUseColor());
    const auto& rail = dynamic_cast<const Sim::Track&>(*matrix.getNext());
    EXPECT_NEAR(rail.getLength(), std::numbers::pi, 1e-9);
    const auto& slide = dynamic_cast<const Sim::JointTrack&>(*model.getJointList().getFirst());
    EXPECT_EQ(RefT<Sim::Body>(slide.getBody1()).get(), &rail);
    EXPECT_EQ(slide.getInitialPos(), 1.5);
    const auto& gate = dynamic_cast<const Sim::SensorTrack&>(*model.getSensorList().getFirst());
    EXPECT_EQ(gate.getPos2(), -0.5);
    const auto& ui = dynamic_cast<const Sim::PortDrvUI&>(*model.getPortDrvs().getFirst());
    EXPECT_TRUE(ui.isEnabled());
    EXPECT_FALSE(ui.canAll());
    EXPECT_TRUE(ui.hasBody(&matrix));
    EXPECT_FALSE(ui.hasBody(&turned));
}

TEST(SceneFileTest, FullExampleOfTheFormatDocumentLoads) {
    std::ifstream doc(TOLU_SCENE_FORMAT_DOC);
    std::ostringstream text;
    text << doc.rdbuf();
    const std::string all = text.str();
    const auto start = all.find("```json\n");
    ASSERT_NE(start, std::string::npos) << "no example in " << TOLU_SCENE_FORMAT_DOC;
    const auto end = all.find("```", start + 8);
    const TempDir dir;
    Tolu::Test::MeshFiles::writeStlBinary(dir / "part.stl",
                                          Tolu::Test::MeshFiles::box({0, 0, 0}, {10, 20, 30}));
    Tolu::Test::MeshFiles::writeText(dir / "example.json", all.substr(start + 8, end - start - 8));
    const IO::Scene scene = IO::loadScene(dir / "example.json");
    EXPECT_EQ(scene.model->getBodyList().getCount(), 8u);
    EXPECT_EQ(scene.model->getJointList().getCount(), 2u);
    EXPECT_EQ(scene.model->getSensorList().getCount(), 2u);
    EXPECT_EQ(scene.model->getPortDrvs().getCount(), 2u);
    // Millimetres, y up: 30 mm along the file's z end up 30 mm along -y.
    EXPECT_FLOAT_EQ(scene.prototypes[5].proto->getBBox().min.y, -0.03f);
}

TEST(SceneFileTest, WriterRefusesWhatTheFormatCannotHold) {
    IO::Scene scene;
    scene.model = makeRef<Sim::Project>();
    auto body = makeRef<Sim::Body>(Sim::SrcRef("loose"));
    body->setProto(IO::makeProto({}));
    scene.model->addBody(body);
    EXPECT_THROW((void)IO::writeScene(scene, "."), Tolu::Error);
    body->setProto({});
    scene.model->addBody(makeRef<Sim::Body>(Sim::SrcRef("loose")));
    try {
        (void)IO::writeScene(scene, ".");
        FAIL() << "two bodies of one name were written";
    } catch (const Tolu::Error& e) {
        EXPECT_STREQ(e.what(), "Ostra::IO::writeScene: body name \"loose\" is used twice");
    }
}

} // namespace

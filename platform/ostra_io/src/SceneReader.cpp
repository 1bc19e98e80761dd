#include "FileText.h"
#include "Json.h"
#include "Pose.h"

#include <ostra_sim/JointTrack.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Track.h>
#include <tolu/math3d/DegreeT.h>

#include <cstdint>
#include <fstream>
#include <limits>
#include <ostra_io/LoadError.h>
#include <ostra_io/SceneFile.h>
#include <sstream>
#include <system_error>
#include <unordered_map>

namespace Ostra::IO {

namespace {

namespace fs = std::filesystem;
using Json::Object;
using Json::Value;
using Tolu::makeRef;
using Tolu::RefT;

// Sizes past a kilometre are typos, not mechanisms; angles past a hundred turns likewise.
constexpr double maxSize = 1e3;
constexpr double maxDegrees = 36000;

// A positive number; also positive as a float, which sizes of geometry are.
double positive(const Value& value, double max = maxSize) {
    const double v = value.number(0, max);
    if (v <= 0 || static_cast<float>(v) <= 0) {
        value.fail("value " + Json::format(v) + " is not positive");
    }
    return v;
}

float positiveFloat(const Value& value, double max = maxSize) {
    return static_cast<float>(positive(value, max));
}

template <class T> using NameMap = std::unordered_map<std::string, RefT<T>>;

class Reader {
public:
    Reader(std::string file, fs::path folder, MeshCache* cache)
        : file(std::move(file)), folder(std::move(folder)), cache(cache) {}

    Scene read(const Json::Doc& doc) {
        const Value root(file, doc, "");
        Object top = root.object();
        const Value format = top.at("format");
        if (format.string() != sceneFormatName) {
            format.fail("format \"" + format.string() + "\" is not \"" +
                        std::string(sceneFormatName) + "\"");
        }
        const Value version = top.at("version");
        const std::int64_t v = version.integer(1, std::numeric_limits<std::int32_t>::max());
        if (v > sceneFormatVersion) {
            version.fail("version " + std::to_string(v) + " is newer than this reader's (" +
                         std::to_string(sceneFormatVersion) + ")");
        }
        std::string name;
        if (auto n = top.find("name")) {
            name = n->string();
        }
        scene.model = makeRef<Sim::Project>(Sim::SrcRef(name, file));
        if (auto p = top.find("prototypes")) {
            for (const Value& entry : p->array()) {
                readPrototype(entry);
            }
        }
        if (auto b = top.find("bodies")) {
            for (const Value& entry : b->array()) {
                readBody(entry);
            }
        }
        if (auto j = top.find("joints")) {
            for (const Value& entry : j->array()) {
                readJoint(entry);
            }
        }
        if (auto s = top.find("sensors")) {
            for (const Value& entry : s->array()) {
                readSensor(entry);
            }
        }
        if (auto d = top.find("portDrivers")) {
            for (const Value& entry : d->array()) {
                readDriver(entry);
            }
        }
        top.finish();
        return std::move(scene);
    }

private:
    // Runs `f`, turning what the model and the shape helpers throw into a message at `where`.
    template <class F> void at(const Value& where, F&& f) {
        try {
            f();
        } catch (const LoadError&) {
            throw;
        } catch (const Tolu::Error& e) {
            where.fail(e.what());
        }
    }

    Sim::SrcRef srcRef(Object& object) { return Sim::SrcRef(object.at("name").name(), file); }

    template <class T>
    void claim(NameMap<T>& names, const Value& nameValue, const RefT<T>& object, const char* what) {
        if (!names.emplace(nameValue.string(), object).second) {
            nameValue.fail(std::string("duplicate ") + what + " name \"" + nameValue.string() +
                           "\"");
        }
    }

    template <class T>
    RefT<T> lookUp(const NameMap<T>& names, const Value& nameValue, const char* what) {
        const auto found = names.find(nameValue.string());
        if (found == names.end()) {
            nameValue.fail(std::string("unknown ") + what + " \"" + nameValue.string() + "\"");
        }
        return found->second;
    }

    std::string kind(Object& object, const char* plain, const char* other) {
        auto k = object.find("kind");
        if (!k) {
            return plain;
        }
        const std::string& value = k->string();
        if (value != plain && value != other) {
            k->fail("kind \"" + value + "\" is neither \"" + plain + "\" nor \"" + other + "\"");
        }
        return value;
    }

    void readPrototype(const Value& entry) {
        Object object = entry.object();
        const Value nameValue = object.at("name");
        Prototype prototype{nameValue.name(), {}, {}};
        ProtoDesc& desc = prototype.desc;
        auto shape = object.find("shape");
        auto mesh = object.find("mesh");
        if (shape && mesh) {
            entry.fail("a prototype has a \"shape\" or a \"mesh\", not both");
        }
        if (!shape && !mesh) {
            entry.fail("a prototype needs a \"shape\" or a \"mesh\"");
        }
        const Value& where = shape ? *shape : *mesh;
        if (mesh) {
            readMesh(object, *mesh, desc);
        } else {
            readShape(object, *shape, desc);
        }
        object.finish();
        try {
            prototype.proto = makeProto(desc, cache);
        } catch (const Tolu::Error& e) {
            // A mesh's own message names the mesh file; this one adds where it was asked for.
            where.fail(e.what());
        }
        if (!protoNames.emplace(prototype.name, scene.prototypes.size()).second) {
            nameValue.fail("duplicate prototype name \"" + prototype.name + "\"");
        }
        scene.prototypes.push_back(std::move(prototype));
    }

    void readShape(Object& object, const Value& shape, ProtoDesc& desc) {
        const std::string& name = shape.string();
        if (name == "box") {
            desc.shape = Shape::Box;
            const Value size = object.at("size");
            const auto v = size.array(3);
            desc.size = {positiveFloat(v[0]), positiveFloat(v[1]), positiveFloat(v[2])};
        } else if (name == "cylinder" || name == "sphere" || name == "cone" || name == "arrow") {
            desc.shape = name == "cylinder" ? Shape::Cylinder
                         : name == "sphere" ? Shape::Sphere
                         : name == "cone"   ? Shape::Cone
                                            : Shape::Arrow;
            desc.radius = positiveFloat(object.at("radius"));
            if (desc.shape == Shape::Cylinder || desc.shape == Shape::Arrow) {
                desc.length = positiveFloat(object.at("length"));
            }
            if (desc.shape == Shape::Cone) {
                desc.height = positiveFloat(object.at("height"));
            }
            desc.segments = desc.shape == Shape::Arrow ? 16 : 24;
            if (auto s = object.find("segments")) {
                desc.segments = static_cast<unsigned>(s->integer(3, 1024));
            }
        } else {
            shape.fail("unknown shape \"" + name +
                       "\" (known: box, cylinder, sphere, cone, arrow)");
        }
        if (auto c = object.find("color")) {
            desc.color = c->rgba();
        }
    }

    void readMesh(Object& object, const Value& mesh, ProtoDesc& desc) {
        desc.shape = Shape::Mesh;
        const fs::path path(mesh.name());
        desc.mesh = (path.is_absolute() ? path : folder / path).lexically_normal();
        if (auto s = object.find("scale")) {
            if (s->isNumber()) {
                const float k = positiveFloat(*s, 1e6);
                desc.meshOptions.scale = {k, k, k};
            } else {
                const auto v = s->array(3);
                desc.meshOptions.scale = {positiveFloat(v[0], 1e6), positiveFloat(v[1], 1e6),
                                          positiveFloat(v[2], 1e6)};
            }
        }
        if (auto u = object.find("upAxis")) {
            const std::string& axis = u->string();
            if (axis != "x" && axis != "y" && axis != "z") {
                u->fail("up axis \"" + axis + "\" is not \"x\", \"y\" or \"z\"");
            }
            desc.meshOptions.up = axis == "x" ? UpAxis::X : axis == "y" ? UpAxis::Y : UpAxis::Z;
        }
        if (auto c = object.find("color")) {
            desc.meshOptions.color = c->rgba();
        }
    }

    // What every body, joint and sensor may say about its display.
    void readNode(Object& object, Sim::Node& node, const char* poseKey = "pose") {
        if (auto p = object.find(poseKey)) {
            node.setTransform(readPose(*p));
        }
        if (auto v = object.find("visible")) {
            node.setVisible(v->boolean());
        }
        if (auto p = object.find("pickable")) {
            node.setPickable(p->boolean());
        }
        if (auto u = object.find("useColor")) {
            node.setUseColor(u->boolean());
        }
        if (auto c = object.find("color")) {
            node.setColor(c->rgb());
        }
        if (auto m = object.find("colorMix")) {
            node.setColorMix(m->real(0, 1));
        }
        if (auto a = object.find("alpha")) {
            node.setAlpha(a->real(0, 1));
        }
    }

    static std::int32_t status(const Value& value) {
        return static_cast<std::int32_t>(value.integer(std::numeric_limits<std::int32_t>::min(),
                                                       std::numeric_limits<std::int32_t>::max()));
    }

    void readBody(const Value& entry) {
        Object object = entry.object();
        const bool isTrack = kind(object, "body", "track") == "track";
        RefT<Sim::Body> body = isTrack ? RefT<Sim::Body>(makeRef<Sim::Track>(srcRef(object)))
                                       : makeRef<Sim::Body>(srcRef(object));
        claim(bodies, object.at("name"), body, "body");
        readNode(object, *body);
        if (auto p = object.find("prototype")) {
            const auto found = protoNames.find(p->string());
            if (found == protoNames.end()) {
                p->fail("unknown prototype \"" + p->string() + "\"");
            }
            body->setProto(scene.prototypes[found->second].proto);
        }
        if (auto r = object.find("refPoint")) {
            body->setRefPoint(r->vector3());
        }
        if (auto s = object.find("status")) {
            body->setStatus(status(*s));
        }
        if (isTrack) {
            auto& track = static_cast<Sim::Track&>(*body);
            for (const Value& segment : object.at("segments").array()) {
                readSegment(segment, track);
            }
        }
        object.finish();
        scene.model->addBody(body);
    }

    void readSegment(const Value& entry, Sim::Track& track) {
        Object object = entry.object();
        const Value type = object.at("type");
        const std::string& name = type.string();
        const auto angle = [&] {
            return Tolu::DegreeT<double>(object.at("angle").number(-maxDegrees, maxDegrees));
        };
        if (name == "straight") {
            const double length = object.at("length").number(0, maxSize);
            at(entry, [&] { track.addStraight(length); });
        } else if (name == "arc") {
            const double radius = positive(object.at("radius"));
            const auto degrees = angle();
            at(entry, [&] { track.addArc(radius, degrees); });
        } else if (name == "helix") {
            const double radius = positive(object.at("radius"));
            const auto degrees = angle();
            const double rise = object.at("rise").number(-maxSize, maxSize);
            at(entry, [&] { track.addHelix(radius, degrees, rise); });
        } else if (name == "bezier") {
            const auto c1 = object.at("control1").vector3();
            const auto c2 = object.at("control2").vector3();
            const auto end = object.at("end").vector3();
            at(entry, [&] { track.addBezier(c1, c2, end); });
        } else {
            type.fail("unknown segment type \"" + name +
                      "\" (known: straight, arc, bezier, helix)");
        }
        object.finish();
    }

    RefT<Sim::Body> optionalBody(Object& object, const char* key) {
        auto value = object.find(key);
        return value ? lookUp(bodies, *value, "body") : RefT<Sim::Body>();
    }

    RefT<Sim::Track> track(Object& object) {
        const Value value = object.at("track");
        RefT<Sim::Track> found(lookUp(bodies, value, "body"));
        if (!found) {
            value.fail("body \"" + value.string() + "\" is not a track");
        }
        return found;
    }

    void readJoint(const Value& entry) {
        Object object = entry.object();
        RefT<Sim::Joint> joint;
        if (kind(object, "joint", "track") == "track") {
            auto onTrack = makeRef<Sim::JointTrack>(srcRef(object));
            onTrack->setBody1(track(object));
            if (auto p = object.find("initialPos")) {
                onTrack->setInitialPos(p->number());
            }
            if (auto p = object.find("currentPos")) {
                onTrack->setCurrentPos(p->number());
            }
            joint = onTrack;
        } else {
            joint = makeRef<Sim::Joint>(srcRef(object));
            joint->setBody1(optionalBody(object, "body1"));
        }
        claim(joints, object.at("name"), joint, "joint");
        joint->setBody2(optionalBody(object, "body2"));
        readNode(object, *joint);
        if (auto f = object.find("frame")) {
            joint->setFrame(readPose(*f));
        }
        if (auto s = object.find("status")) {
            joint->setStatus(status(*s));
        }
        object.finish();
        scene.model->addJoint(joint);
    }

    void readSensor(const Value& entry) {
        Object object = entry.object();
        RefT<Sim::Sensor> sensor;
        if (kind(object, "sensor", "track") == "track") {
            auto onTrack = makeRef<Sim::SensorTrack>(srcRef(object));
            onTrack->setTrack(track(object));
            onTrack->setPos1(object.at("pos1").number());
            onTrack->setPos2(object.at("pos2").number());
            sensor = onTrack;
        } else {
            sensor = makeRef<Sim::Sensor>(srcRef(object));
            sensor->setBody(optionalBody(object, "body"));
        }
        claim(sensors, object.at("name"), sensor, "sensor");
        readNode(object, *sensor);
        object.finish();
        scene.model->addSensor(sensor);
    }

    void readDriver(const Value& entry) {
        Object object = entry.object();
        RefT<Sim::PortDrv> driver;
        if (kind(object, "ui", "plain") == "plain") {
            driver = makeRef<Sim::PortDrv>(srcRef(object));
        } else {
            auto ui = makeRef<Sim::PortDrvUI>(srcRef(object));
            if (auto e = object.find("enabled")) {
                ui->setEnabled(e->boolean());
            }
            if (auto a = object.find("dragAll")) {
                ui->setCanAll(a->boolean());
            }
            if (auto b = object.find("bodies")) {
                for (const Value& name : b->array()) {
                    const RefT<Sim::Body> body = lookUp(bodies, name, "body");
                    if (ui->hasBody(body.get())) {
                        name.fail("body \"" + name.string() + "\" listed twice");
                    }
                    ui->addBody(body);
                }
            }
            driver = ui;
        }
        claim(drivers, object.at("name"), driver, "port driver");
        object.finish();
        scene.model->addPortDrv(driver);
    }

    std::string file;
    fs::path folder;
    MeshCache* cache;
    Scene scene;
    std::unordered_map<std::string, std::size_t> protoNames;
    NameMap<Sim::Body> bodies;
    NameMap<Sim::Joint> joints;
    NameMap<Sim::Sensor> sensors;
    NameMap<Sim::PortDrv> drivers;
};

} // namespace

Scene readScene(std::string_view text, const fs::path& file, MeshCache* cache) {
    const std::string name = file.string();
    const Json::Doc doc = Json::parse(text, name);
    std::error_code error;
    fs::path folder = fs::absolute(file, error).parent_path();
    // Without a cache of the caller's, one for this file still reads each mesh once.
    MeshCache local;
    return Reader(name, error ? file.parent_path() : folder, cache ? cache : &local).read(doc);
}

Scene loadScene(const fs::path& file, MeshCache* cache) {
    return readScene(readFileText(file), file, cache);
}

} // namespace Ostra::IO

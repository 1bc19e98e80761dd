#include "Json.h"
#include "Pose.h"

#include <ostra_sim/JointTrack.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Track.h>
#include <tolu/util/Error.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <ostra_io/SceneFile.h>
#include <set>

namespace Ostra::IO {

namespace {

namespace fs = std::filesystem;
using Json::Doc;

// A float as the shortest decimal that reads back as the same float, so files say 0.7
// rather than 0.699999988079071.
double decimal(float value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    *end = '\0';
    const double shortest = std::strtod(buffer, nullptr);
    return static_cast<float>(shortest) == value ? shortest : double(value);
}

Doc toJson(const Tolu::Vector3T<double>& v) {
    return Doc::array({v.x, v.y, v.z});
}
Doc toJson(const Tolu::Vector3T<float>& v) {
    return Doc::array({decimal(v.x), decimal(v.y), decimal(v.z)});
}
Doc toJson(const Tolu::Vector4T<float>& v) {
    return Doc::array({decimal(v.x), decimal(v.y), decimal(v.z), decimal(v.w)});
}

const char* shapeName(Shape shape) {
    switch (shape) {
    case Shape::Box:
        return "box";
    case Shape::Cylinder:
        return "cylinder";
    case Shape::Sphere:
        return "sphere";
    case Shape::Cone:
        return "cone";
    case Shape::Arrow:
        return "arrow";
    case Shape::Mesh:
        break;
    }
    return "mesh";
}

class Writer {
public:
    Writer(const Scene& scene, fs::path folder) : scene(scene), folder(std::move(folder)) {}

    Doc write() {
        if (!scene.model) {
            throw Tolu::Error("Ostra::IO::writeScene: the scene has no model");
        }
        const Sim::Project& model = *scene.model;
        Doc doc = Doc::object();
        doc["format"] = sceneFormatName;
        doc["version"] = sceneFormatVersion;
        doc["name"] = model.getSrcRef().name;
        Doc& prototypes = doc["prototypes"] = Doc::array();
        for (const Prototype& prototype : scene.prototypes) {
            unique(prototypeNames, prototype.name, "prototype");
            prototypes.push_back(writePrototype(prototype));
        }
        Doc& bodies = doc["bodies"] = Doc::array();
        for (const Sim::Body* b = model.getBodyList().getFirst().get(); b; b = b->getNext().get()) {
            bodies.push_back(writeBody(*b));
        }
        Doc& joints = doc["joints"] = Doc::array();
        for (const Sim::Joint* j = model.getJointList().getFirst().get(); j;
             j = j->getNext().get()) {
            joints.push_back(writeJoint(*j));
        }
        Doc& sensors = doc["sensors"] = Doc::array();
        for (const Sim::Sensor* s = model.getSensorList().getFirst().get(); s;
             s = s->getNext().get()) {
            sensors.push_back(writeSensor(*s));
        }
        Doc& drivers = doc["portDrivers"] = Doc::array();
        for (const Sim::PortDrv* d = model.getPortDrvs().getFirst().get(); d;
             d = d->getNext().get()) {
            drivers.push_back(writeDriver(*d));
        }
        return doc;
    }

private:
    static void unique(std::set<std::string>& names, const std::string& name, const char* what) {
        if (name.empty()) {
            throw Tolu::Error(std::string("Ostra::IO::writeScene: a ") + what + " has no name");
        }
        if (!names.insert(name).second) {
            throw Tolu::Error(std::string("Ostra::IO::writeScene: ") + what + " name \"" + name +
                              "\" is used twice");
        }
    }

    Doc writePrototype(const Prototype& prototype) const {
        const ProtoDesc& desc = prototype.desc;
        Doc out = Doc::object();
        out["name"] = prototype.name;
        if (desc.shape == Shape::Mesh) {
            out["mesh"] = desc.mesh.is_absolute()
                              ? desc.mesh.lexically_proximate(folder).generic_string()
                              : desc.mesh.generic_string();
            const auto& scale = desc.meshOptions.scale;
            if (scale.x == scale.y && scale.y == scale.z) {
                out["scale"] = decimal(scale.x);
            } else {
                out["scale"] = toJson(scale);
            }
            const UpAxis up = desc.meshOptions.up;
            out["upAxis"] = up == UpAxis::X ? "x" : up == UpAxis::Y ? "y" : "z";
            if (desc.meshOptions.color) {
                out["color"] = toJson(*desc.meshOptions.color);
            }
            return out;
        }
        out["shape"] = shapeName(desc.shape);
        switch (desc.shape) {
        case Shape::Box:
            out["size"] = toJson(desc.size);
            break;
        case Shape::Cone:
            out["radius"] = decimal(desc.radius);
            out["height"] = decimal(desc.height);
            break;
        case Shape::Sphere:
            out["radius"] = decimal(desc.radius);
            break;
        default: // cylinder and arrow
            out["radius"] = decimal(desc.radius);
            out["length"] = decimal(desc.length);
            break;
        }
        if (desc.shape != Shape::Box) {
            out["segments"] = desc.segments;
        }
        out["color"] = toJson(desc.color);
        return out;
    }

    // The display attributes that differ from a new node's.
    static void writeNode(Doc& out, const Sim::Node& node, const char* poseKey = "pose") {
        if (!(node.getTransform() == M4())) {
            out[poseKey] = writePose(node.getTransform());
        }
        if (!node.isVisible()) {
            out["visible"] = false;
        }
        if (!node.isPickable()) {
            out["pickable"] = false;
        }
        if (node.isUseColor()) {
            out["useColor"] = true;
        }
        // A new node's colour, mix and alpha; a file only says where it differs.
        if (!(node.getColor() == Tolu::Vector3T<float>(0.7f, 0.7f, 0.7f))) {
            out["color"] = toJson(node.getColor());
        }
        if (node.getColorMix() != 0.5f) {
            out["colorMix"] = decimal(node.getColorMix());
        }
        if (node.getAlpha() != 1.0f) {
            out["alpha"] = decimal(node.getAlpha());
        }
    }

    Doc writeBody(const Sim::Body& body) {
        unique(bodyNames, body.getName(), "body");
        Doc out = Doc::object();
        out["name"] = body.getName();
        const auto* track = dynamic_cast<const Sim::Track*>(&body);
        if (track) {
            out["kind"] = "track";
        }
        if (const Vuro::BodyProto* proto = body.getProto().get()) {
            const Prototype* entry = scene.findPrototype(proto);
            if (!entry) {
                throw Tolu::Error("Ostra::IO::writeScene: the geometry of body \"" +
                                  body.getName() + "\" is not one of the scene's prototypes");
            }
            out["prototype"] = entry->name;
        }
        writeNode(out, body);
        if (!(body.getRefPoint() == Tolu::Vector3T<double>())) {
            out["refPoint"] = toJson(body.getRefPoint());
        }
        if (body.getStatus() != 2) {
            out["status"] = body.getStatus();
        }
        if (track) {
            Doc& segments = out["segments"] = Doc::array();
            for (std::size_t i = 0; i < track->getNumSegs(); ++i) {
                segments.push_back(writeSegment(track->getSegData(i)));
            }
        }
        return out;
    }

    static Doc writeSegment(const Sim::Track::Seg& seg) {
        switch (seg.type) {
        case Sim::Track::SegStraight:
            return {{"type", "straight"}, {"length", seg.length}};
        case Sim::Track::SegArc:
            return {{"type", "arc"}, {"radius", seg.radius}, {"angle", seg.angle.value}};
        case Sim::Track::SegHelix:
            return {{"type", "helix"},
                    {"radius", seg.radius},
                    {"angle", seg.angle.value},
                    {"rise", seg.rise}};
        case Sim::Track::SegBezier:
            break;
        }
        return {{"type", "bezier"},
                {"control1", toJson(seg.ctrl1)},
                {"control2", toJson(seg.ctrl2)},
                {"end", toJson(seg.end)}};
    }

    std::string bodyName(const Tolu::PtrT<Sim::Body>& body, const std::string& owner) const {
        const Tolu::RefT<Sim::Body> alive(body);
        if (alive && !bodyNames.count(alive->getName())) {
            throw Tolu::Error("Ostra::IO::writeScene: \"" + owner +
                              "\" refers to a body outside the model");
        }
        return alive ? alive->getName() : std::string();
    }

    Doc writeJoint(const Sim::Joint& joint) {
        unique(jointNames, joint.getName(), "joint");
        Doc out = Doc::object();
        out["name"] = joint.getName();
        const std::string body1 = bodyName(joint.getBody1(), joint.getName());
        const std::string body2 = bodyName(joint.getBody2(), joint.getName());
        if (const auto* onTrack = dynamic_cast<const Sim::JointTrack*>(&joint)) {
            if (!dynamic_cast<const Sim::Track*>(Tolu::RefT<Sim::Body>(joint.getBody1()).get())) {
                throw Tolu::Error("Ostra::IO::writeScene: the first body of joint \"" +
                                  joint.getName() + "\" on a track is not a track");
            }
            out["kind"] = "track";
            out["track"] = body1;
            out["initialPos"] = onTrack->getInitialPos();
            out["currentPos"] = onTrack->getCurrentPos();
        } else if (!body1.empty()) {
            out["body1"] = body1;
        }
        if (!body2.empty()) {
            out["body2"] = body2;
        }
        out["frame"] = writePose(joint.getFrame());
        writeNode(out, joint);
        if (joint.getStatus() != 2) {
            out["status"] = joint.getStatus();
        }
        return out;
    }

    Doc writeSensor(const Sim::Sensor& sensor) {
        unique(sensorNames, sensor.getName(), "sensor");
        Doc out = Doc::object();
        out["name"] = sensor.getName();
        if (const auto* onTrack = dynamic_cast<const Sim::SensorTrack*>(&sensor)) {
            const Tolu::RefT<Sim::Body> track(onTrack->getTrack());
            if (!dynamic_cast<const Sim::Track*>(track.get())) {
                throw Tolu::Error("Ostra::IO::writeScene: sensor \"" + sensor.getName() +
                                  "\" lies on no track");
            }
            out["kind"] = "track";
            out["track"] = bodyName(onTrack->getTrack(), sensor.getName());
            out["pos1"] = onTrack->getPos1();
            out["pos2"] = onTrack->getPos2();
        } else if (const std::string body = bodyName(sensor.getBody(), sensor.getName());
                   !body.empty()) {
            out["body"] = body;
        }
        writeNode(out, sensor);
        return out;
    }

    Doc writeDriver(const Sim::PortDrv& driver) {
        unique(driverNames, driver.getName(), "port driver");
        Doc out = Doc::object();
        out["name"] = driver.getName();
        const auto* ui = dynamic_cast<const Sim::PortDrvUI*>(&driver);
        if (!ui) {
            out["kind"] = "plain";
            return out;
        }
        out["enabled"] = ui->isEnabled();
        out["dragAll"] = ui->canAll();
        // In model order, so the file does not depend on where bodies sit in memory.
        Doc& list = out["bodies"] = Doc::array();
        const Sim::Project& model = *scene.model;
        for (const Sim::Body* b = model.getBodyList().getFirst().get(); b; b = b->getNext().get()) {
            if (ui->hasBody(b)) {
                list.push_back(b->getName());
            }
        }
        return out;
    }

    const Scene& scene;
    fs::path folder;
    std::set<std::string> prototypeNames, bodyNames, jointNames, sensorNames, driverNames;
};

// Like the library's indented form, but an array of plain values stays on one line, so a
// position reads as [1, 2, 3] rather than five lines.
void print(std::string& out, const Doc& value, std::size_t indent) {
    const std::string inner(indent + 2, ' ');
    if (value.is_object() && !value.empty()) {
        out += "{\n";
        bool first = true;
        for (const auto& [key, member] : value.items()) {
            out += first ? "" : ",\n";
            first = false;
            out += inner + Doc(key).dump() + ": ";
            print(out, member, indent + 2);
        }
        out += "\n" + std::string(indent, ' ') + "}";
    } else if (value.is_array() && !value.empty()) {
        const bool flat = std::none_of(value.begin(), value.end(),
                                       [](const Doc& element) { return element.is_structured(); });
        out += flat ? "[" : "[\n";
        bool first = true;
        for (const Doc& element : value) {
            out += first ? "" : flat ? ", " : ",\n";
            first = false;
            if (!flat) {
                out += inner;
            }
            print(out, element, indent + 2);
        }
        out += flat ? "]" : "\n" + std::string(indent, ' ') + "]";
    } else {
        out += value.dump();
    }
}

} // namespace

std::string writeScene(const Scene& scene, const fs::path& folder) {
    std::string text;
    print(text, Writer(scene, fs::absolute(folder)).write(), 0);
    return text + "\n";
}

void saveScene(const Scene& scene, const fs::path& file) {
    const std::string text = writeScene(scene, file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        throw Tolu::Error("Ostra::IO::saveScene: cannot write " + file.string());
    }
}

} // namespace Ostra::IO

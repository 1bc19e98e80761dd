// Robot descriptions through urdfdom: it parses and checks the tree; here its links become
// bodies with one merged geometry each, its joints model joints and the kinematic tree.

#include "FileText.h"
#include "UrdfXml.h"

#include <algorithm>
#include <cmath>
#include <console_bridge/console.h>
#include <fstream>
#include <map>
#include <mutex>
#include <ostra_io/LoadError.h>
#include <ostra_io/Urdf.h>
#include <sstream>
#include <system_error>
#include <urdf_parser/urdf_parser.h>

namespace Ostra::IO {

namespace {

namespace fs = std::filesystem;
using M4 = Tolu::Matrix4x4T<double>;
using V3 = Tolu::Vector3T<double>;
using C4 = Tolu::Vector4T<float>;
using Tolu::makeRef;
using Tolu::RefT;

// The parser reports through a process-wide logger; while it runs, its errors are collected
// here instead of going to stderr, so that they can be the exception's message.
class ParserLog final : public console_bridge::OutputHandler {
public:
    void log(const std::string& text, console_bridge::LogLevel level, const char*, int) override {
        if (level >= console_bridge::CONSOLE_BRIDGE_LOG_ERROR) {
            errors.push_back(text);
        }
    }

    std::vector<std::string> errors;
};

// The parser hands some messages that quote the description to the logger as printf
// formats, so a '%' in the text would be read as a conversion (and can crash). It is shown
// every '%' as a control byte the text does not hold instead; names, paths and messages
// get their '%' back.
class PercentMask {
public:
    PercentMask(std::string_view text, const std::string& file) : masked(text) {
        if (text.find('%') == std::string_view::npos) {
            return;
        }
        for (char c = 1; c < 32 && !mark; ++c) {
            if (c != '\t' && c != '\n' && c != '\r' && text.find(c) == std::string_view::npos) {
                mark = c;
            }
        }
        if (!mark) { // XML allows none of these bytes
            throw LoadError(file, "", "not a valid URDF robot description: control characters");
        }
        std::replace(masked.begin(), masked.end(), '%', mark);
    }

    [[nodiscard]] const std::string& text() const noexcept { return masked; }
    [[nodiscard]] std::string plain(std::string s) const {
        if (mark) {
            std::replace(s.begin(), s.end(), mark, '%');
        }
        return s;
    }

private:
    std::string masked;
    char mark = 0;
};

// The logger has one handler for the whole process: parses take turns.
std::mutex parserMutex;

// The parser's links hold their children by shared pointers, so a joint whose child is its
// own parent or an ancestor makes a cycle that is never freed. Whatever was read, the ties
// are cut when the reader is done with it.
class ParsedRobot {
public:
    ParsedRobot() = default;
    ParsedRobot(const ParsedRobot&) = delete;
    ParsedRobot& operator=(const ParsedRobot&) = delete;
    ~ParsedRobot() {
        if (robot) {
            for (auto& [name, link] : robot->links_) {
                if (link) {
                    link->child_links.clear();
                    link->child_joints.clear();
                    link->parent_joint.reset();
                }
            }
        }
    }
    urdf::ModelInterfaceSharedPtr robot;
};

void parse(ParsedRobot& parsed, const PercentMask& text, const std::string& file) {
    const std::lock_guard lock(parserMutex);
    ParserLog log;
    console_bridge::useOutputHandler(&log);
    struct Restore {
        ~Restore() { console_bridge::restorePreviousOutputHandler(); }
    } restore;
    urdf::ModelInterfaceSharedPtr& robot = parsed.robot;
    try {
        robot = urdf::parseURDF(text.text());
    } catch (const std::exception& e) {
        log.errors.emplace_back(e.what());
    }
    // The parser skips some parts it cannot read (a visual with a malformed size) and only
    // says so: what it reports as an error fails the whole file.
    if (!robot || !log.errors.empty()) {
        std::string why;
        for (const std::string& error : log.errors) {
            why += (why.empty() ? "" : "; ") + text.plain(error);
        }
        throw LoadError(file, "",
                        "not a valid URDF robot description: " +
                            (why.empty() ? std::string("the parser gave no reason") : why));
    }
}

M4 toMatrix(const urdf::Pose& pose) {
    const auto& q = pose.rotation;
    const double n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    // Rotations from rpy are unit; anything else is normalised, a zero one taken as none.
    const double x = n > 0 ? q.x / n : 0, y = n > 0 ? q.y / n : 0, z = n > 0 ? q.z / n : 0,
                 w = n > 0 ? q.w / n : 1;
    const auto& t = pose.position;
    return {1 - 2 * (y * y + z * z),
            2 * (x * y - z * w),
            2 * (x * z + y * w),
            t.x,
            2 * (x * y + z * w),
            1 - 2 * (x * x + z * z),
            2 * (y * z - x * w),
            t.y,
            2 * (x * z - y * w),
            2 * (y * z + x * w),
            1 - 2 * (x * x + y * y),
            t.z,
            0,
            0,
            0,
            1};
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Where a mesh reference may be: see UrdfOptions.
fs::path findMesh(const std::string& uri, const std::vector<fs::path>& folders,
                  const std::string& file, const std::string& where) {
    constexpr std::string_view package = "package://";
    constexpr std::string_view fileUri = "file://";
    std::vector<fs::path> candidates;
    const auto add = [&](fs::path path) {
        path = path.lexically_normal();
        if (std::find(candidates.begin(), candidates.end(), path) == candidates.end()) {
            candidates.push_back(std::move(path));
        }
    };
    if (uri.rfind(package, 0) == 0) {
        const std::string rest = uri.substr(package.size());
        const auto slash = rest.find('/');
        if (slash == 0 || slash == std::string::npos || slash + 1 == rest.size()) {
            throw LoadError(file, where, "mesh " + quoted(uri) + " names no file in its package");
        }
        const fs::path name = rest.substr(0, slash);
        const fs::path inside = rest.substr(slash + 1);
        for (const fs::path& folder : folders) {
            add(folder / name / inside);
            add(folder / inside);
        }
    } else {
        const bool isFileUri = uri.rfind(fileUri, 0) == 0;
        if (!isFileUri && uri.find("://") != std::string::npos) {
            throw LoadError(file, where,
                            "mesh " + quoted(uri) +
                                " is neither a path, a file:// nor a package:// reference");
        }
        const fs::path path = isFileUri ? uri.substr(fileUri.size()) : uri;
        if (path.empty()) {
            throw LoadError(file, where, "a mesh names no file");
        }
        if (path.is_absolute()) {
            add(path);
        } else {
            for (const fs::path& folder : folders) {
                add(folder / path);
            }
        }
    }
    for (const fs::path& candidate : candidates) {
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    std::string looked;
    for (const fs::path& candidate : candidates) {
        looked += (looked.empty() ? "" : ", ") + candidate.string();
    }
    throw LoadError(file, where, "mesh " + quoted(uri) + " not found; looked for " + looked);
}

// Copies `part`'s groups into `into`, moved by `linkFromVisual` after the per-axis signs
// `flip` (a mirroring mesh scale); a mirror turns triangles inside out, so their winding is
// reversed to keep them facing outwards.
void append(Vuro::BodyProto& into, const Vuro::BodyProto& part, const M4& linkFromVisual,
            const V3& flip) {
    const Tolu::Matrix4x4T<float> m(linkFromVisual);
    const Tolu::Vector3T<float> f(flip);
    const bool mirrored = f.x * f.y * f.z < 0;
    for (const Vuro::PrimGroup& source : part.getGroups()) {
        Vuro::PrimGroup group = source;
        for (Vuro::Vertex& v : group.vertices) {
            const Tolu::Vector3T<float> pos{v.pos.x * f.x, v.pos.y * f.y, v.pos.z * f.z};
            const Tolu::Vector3T<float> normal{v.normal.x * f.x, v.normal.y * f.y,
                                               v.normal.z * f.z};
            v.pos = m.transformAffine(pos);
            v.normal = m.transformDirection(normal); // a rotation keeps unit normals unit
        }
        if (mirrored && group.type == Vuro::PrimType::Triangles) {
            for (std::size_t i = 0; i + 2 < group.vertices.size(); i += 3) {
                std::swap(group.vertices[i + 1], group.vertices[i + 2]);
            }
        }
        into.addGroup(std::move(group));
    }
}

std::optional<C4> colourOf(const urdf::ModelInterface& robot, const urdf::Visual& visual,
                           const PercentMask& names, const std::string& file,
                           const std::string& where) {
    urdf::MaterialConstSharedPtr material = visual.material;
    if (!material && !visual.material_name.empty()) {
        material = robot.getMaterial(visual.material_name);
    }
    if (!material) {
        return std::nullopt;
    }
    const auto& c = material->color;
    const float rgba[] = {c.r, c.g, c.b, c.a};
    for (const float v : rgba) {
        if (!std::isfinite(v)) {
            throw LoadError(file, where,
                            "material " + quoted(names.plain(material->name)) +
                                " has a non-finite colour");
        }
    }
    const auto unit = [](float v) { return std::clamp(v, 0.0f, 1.0f); };
    return C4{unit(c.r), unit(c.g), unit(c.b), unit(c.a)};
}

class Builder {
public:
    Builder(std::string file, std::vector<fs::path> folders, MeshCache& cache,
            const PercentMask& names)
        : file(std::move(file)), folders(std::move(folders)), cache(cache), names(names) {}

    Scene build(const urdf::ModelInterface& robot, const UrdfXml& xml) {
        scene.model = makeRef<Sim::Project>(Sim::SrcRef(names.plain(robot.getName()), file));
        scene.kinematics = std::make_shared<Kinematics>();
        for (const std::string& name : ordered(xml.links, robot.links_)) {
            addLink(robot, *robot.links_.at(name), xml.find(xml.links, name));
        }
        for (const std::string& name : ordered(xml.joints, robot.joints_)) {
            addJoint(*robot.joints_.at(name), xml.find(xml.joints, name));
        }
        scene.kinematics->place();
        return std::move(scene);
    }

private:
    // Names in the file's order, then any the file's own listing missed.
    template <class Map>
    static std::vector<std::string> ordered(const std::vector<UrdfXml::Element>& listed,
                                            const Map& parsed) {
        std::vector<std::string> out;
        for (const UrdfXml::Element& element : listed) {
            if (parsed.count(element.name) != 0 &&
                std::find(out.begin(), out.end(), element.name) == out.end()) {
                out.push_back(element.name);
            }
        }
        for (const auto& entry : parsed) {
            if (std::find(out.begin(), out.end(), entry.first) == out.end()) {
                out.push_back(entry.first);
            }
        }
        return out;
    }

    void addLink(const urdf::ModelInterface& robot, const urdf::Link& link,
                 const UrdfXml::Element* element) {
        const std::string name = names.plain(link.name);
        auto body = makeRef<Sim::Body>(Sim::SrcRef(name, file, element ? element->line : 0));
        // A link without visuals keeps a body without geometry: joints and motion still
        // have a body to name.
        if (!link.visual_array.empty()) {
            auto proto = makeRef<Vuro::BodyProto>(name);
            for (std::size_t i = 0; i < link.visual_array.size(); ++i) {
                std::string where = element ? element->where : std::string();
                if (element && i < element->visuals.size()) {
                    where = element->visuals[i];
                }
                if (link.visual_array[i]) {
                    addVisual(robot, *link.visual_array[i], *proto, where);
                }
            }
            if (!proto->getGroups().empty()) {
                body->setProto(proto);
            }
        }
        scene.model->addBody(body);
        links.emplace(link.name, scene.kinematics->addLink({name, body, {}}));
    }

    void addVisual(const urdf::ModelInterface& robot, const urdf::Visual& visual,
                   Vuro::BodyProto& into, const std::string& where) {
        if (!visual.geometry) {
            throw LoadError(file, where, "a visual has no geometry");
        }
        ProtoDesc desc;
        const auto colour = colourOf(robot, visual, names, file, where);
        if (colour) {
            desc.color = *colour;
        }
        V3 flip{1, 1, 1};
        const urdf::Geometry& geometry = *visual.geometry;
        switch (geometry.type) {
        case urdf::Geometry::BOX: {
            const auto& dim = static_cast<const urdf::Box&>(geometry).dim;
            desc.shape = Shape::Box;
            desc.size = {static_cast<float>(dim.x), static_cast<float>(dim.y),
                         static_cast<float>(dim.z)};
            break;
        }
        case urdf::Geometry::CYLINDER: {
            const auto& cylinder = static_cast<const urdf::Cylinder&>(geometry);
            // Both are along z, centred on the origin.
            desc.shape = Shape::Cylinder;
            desc.radius = static_cast<float>(cylinder.radius);
            desc.length = static_cast<float>(cylinder.length);
            break;
        }
        case urdf::Geometry::SPHERE:
            desc.shape = Shape::Sphere;
            desc.radius = static_cast<float>(static_cast<const urdf::Sphere&>(geometry).radius);
            break;
        case urdf::Geometry::MESH: {
            const auto& mesh = static_cast<const urdf::Mesh&>(geometry);
            desc.shape = Shape::Mesh;
            const std::string uri = names.plain(mesh.filename);
            desc.mesh = findMesh(uri, folders, file, where);
            const double scale[] = {mesh.scale.x, mesh.scale.y, mesh.scale.z};
            for (int i = 0; i < 3; ++i) {
                if (!std::isfinite(scale[i]) || scale[i] == 0) {
                    throw LoadError(file, where,
                                    "mesh " + quoted(uri) +
                                        " has a zero or non-finite "
                                        "scale");
                }
                flip[static_cast<std::size_t>(i)] = scale[i] < 0 ? -1 : 1;
            }
            desc.meshOptions.scale = {static_cast<float>(std::abs(scale[0])),
                                      static_cast<float>(std::abs(scale[1])),
                                      static_cast<float>(std::abs(scale[2]))};
            desc.meshOptions.color = colour;
            break;
        }
        default:
            throw LoadError(file, where, "a visual has a geometry of unknown kind");
        }
        const M4 linkFromVisual = toMatrix(visual.origin);
        for (const double v : linkFromVisual.m) {
            if (!std::isfinite(v)) {
                throw LoadError(file, where, "a visual has a non-finite origin");
            }
        }
        try {
            append(into, *makeProto(desc, &cache), linkFromVisual, flip);
        } catch (const Tolu::Error& e) {
            // A mesh's own message names the mesh file; this one adds where it was asked for.
            throw LoadError(file, where, e.what());
        }
    }

    static JointType typeOf(int type) {
        switch (type) {
        case urdf::Joint::REVOLUTE:
            return JointType::Revolute;
        case urdf::Joint::CONTINUOUS:
            return JointType::Continuous;
        case urdf::Joint::PRISMATIC:
            return JointType::Prismatic;
        case urdf::Joint::FLOATING:
            return JointType::Floating;
        case urdf::Joint::PLANAR:
            return JointType::Planar;
        default:
            return JointType::Fixed;
        }
    }

    void addJoint(const urdf::Joint& joint, const UrdfXml::Element* element) {
        const std::string where = element ? element->where : std::string();
        const std::string name = names.plain(joint.name);
        if (joint.type == urdf::Joint::UNKNOWN) {
            throw LoadError(file, where, "joint " + quoted(name) + " has no known type");
        }
        const auto parent = links.find(joint.parent_link_name);
        const auto child = links.find(joint.child_link_name);
        if (parent == links.end() || child == links.end()) {
            throw LoadError(file, where, "joint " + quoted(name) + " names unknown links");
        }
        auto simJoint = makeRef<Sim::Joint>(Sim::SrcRef(name, file, element ? element->line : 0));
        const auto& linkList = scene.kinematics->links();
        simJoint->setBody1(linkList[parent->second].body);
        simJoint->setBody2(linkList[child->second].body);
        KinematicJoint entry;
        entry.name = name;
        entry.type = typeOf(joint.type);
        entry.parent = parent->second;
        entry.child = child->second;
        entry.origin = toMatrix(joint.parent_to_joint_origin_transform);
        entry.axis = {joint.axis.x, joint.axis.y, joint.axis.z};
        if ((entry.type == JointType::Revolute || entry.type == JointType::Prismatic) &&
            joint.limits) {
            entry.limits = std::pair(joint.limits->lower, joint.limits->upper);
        }
        entry.simJoint = simJoint;
        try {
            scene.kinematics->addJoint(std::move(entry));
        } catch (const Tolu::Error& e) {
            throw LoadError(file, where, e.what());
        }
        scene.model->addJoint(simJoint);
    }

    std::string file;
    std::vector<fs::path> folders;
    MeshCache& cache;
    const PercentMask& names;
    Scene scene;
    std::map<std::string, std::size_t> links;
};

} // namespace

Scene readUrdf(std::string_view text, const fs::path& file, const UrdfOptions& options,
               MeshCache* cache) {
    const std::string name = file.string();
    const PercentMask masked(text, name);
    const UrdfXml xml = UrdfXml::index(masked.text());
    if (const UrdfXml::Element* loop = xml.firstLoop()) {
        throw LoadError(name, loop->where,
                        "joint \"" + masked.plain(loop->name) + "\" closes a loop: link \"" +
                            masked.plain(loop->child) + "\" would be its own ancestor");
    }
    ParsedRobot parsed;
    parse(parsed, masked, name);
    std::error_code error;
    const fs::path absolute = fs::absolute(file, error);
    std::vector<fs::path> folders{error ? file.parent_path() : absolute.parent_path()};
    folders.insert(folders.end(), options.searchPath.begin(), options.searchPath.end());
    // Without a cache of the caller's, one for this file still reads each mesh once.
    MeshCache local;
    // The index reads the masked text too, so that its names match the parser's.
    return Builder(name, std::move(folders), cache ? *cache : local, masked)
        .build(*parsed.robot, xml);
}

Scene loadUrdf(const fs::path& file, const UrdfOptions& options, MeshCache* cache) {
    return readUrdf(readFileText(file), file, options, cache);
}

} // namespace Ostra::IO

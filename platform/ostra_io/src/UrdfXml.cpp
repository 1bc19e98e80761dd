#include "UrdfXml.h"

#include <map>
#include <tinyxml.h>

namespace Ostra::IO {

namespace {

std::string place(const TiXmlElement& element) {
    if (element.Row() <= 0) {
        return {};
    }
    return std::to_string(element.Row()) + ":" + std::to_string(element.Column());
}

UrdfXml::Element entry(const TiXmlElement& element) {
    const char* name = element.Attribute("name");
    UrdfXml::Element out{name ? name : "", element.Row(), place(element), {}, {}, {}};
    auto link = [&](const char* tag) {
        const TiXmlElement* end = element.FirstChildElement(tag);
        const char* value = end ? end->Attribute("link") : nullptr;
        return std::string(value ? value : "");
    };
    out.parent = link("parent");
    out.child = link("child");
    for (const TiXmlElement* visual = element.FirstChildElement("visual"); visual;
         visual = visual->NextSiblingElement("visual")) {
        out.visuals.push_back(place(*visual));
    }
    return out;
}

} // namespace

UrdfXml UrdfXml::index(const std::string& text) {
    UrdfXml out;
    TiXmlDocument doc;
    doc.Parse(text.c_str());
    const TiXmlElement* robot = doc.Error() ? nullptr : doc.FirstChildElement("robot");
    if (!robot) {
        return out;
    }
    for (const TiXmlElement* child = robot->FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        const std::string_view tag = child->Value();
        if (tag == "link") {
            out.links.push_back(entry(*child));
        } else if (tag == "joint") {
            out.joints.push_back(entry(*child));
        }
    }
    return out;
}

const UrdfXml::Element* UrdfXml::firstLoop() const {
    std::map<std::string_view, std::string_view> parentOf;
    for (const Element& joint : joints) {
        parentOf.emplace(joint.child, joint.parent);
    }
    for (const Element& joint : joints) {
        // Up from the parent; more steps than joints means a loop above it, found from
        // that loop's own joints.
        std::string_view link = joint.parent;
        for (std::size_t step = 0; step <= joints.size(); ++step) {
            if (link == joint.child) {
                return &joint;
            }
            const auto up = parentOf.find(link);
            if (up == parentOf.end()) {
                break;
            }
            link = up->second;
        }
    }
    return nullptr;
}

const UrdfXml::Element* UrdfXml::find(const std::vector<Element>& elements,
                                      std::string_view name) noexcept {
    for (const Element& element : elements) {
        if (element.name == name) {
            return &element;
        }
    }
    return nullptr;
}

} // namespace Ostra::IO

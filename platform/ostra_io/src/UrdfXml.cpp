#include "UrdfXml.h"

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
    UrdfXml::Element out{name ? name : "", element.Row(), place(element), {}};
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

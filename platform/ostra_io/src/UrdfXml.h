#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Ostra::IO {

/// Where a robot description's links, joints and visuals stand in its text, in the file's
/// order: the parser keeps neither order nor lines.
struct UrdfXml {
    struct Element {
        std::string name;
        int line = 0;
        std::string where;                ///< "line:column", or empty when unknown
        std::vector<std::string> visuals; ///< "line:column" of each visual, in order
        std::string parent;               ///< a joint's parent link, as written
        std::string child;                ///< a joint's child link, as written
    };

    std::vector<Element> links;
    std::vector<Element> joints;

    /// Indexes `text`; an index of nothing when it is not XML.
    [[nodiscard]] static UrdfXml index(const std::string& text);
    /// The first joint whose child is its own parent or one of that parent's ancestors,
    /// or null: the parser would tie such links in a cycle it never frees.
    [[nodiscard]] const Element* firstLoop() const;
    [[nodiscard]] static const Element* find(const std::vector<Element>& elements,
                                             std::string_view name) noexcept;
};

} // namespace Ostra::IO

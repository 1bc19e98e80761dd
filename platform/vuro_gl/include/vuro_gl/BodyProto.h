#pragma once

#include <tolu/math3d/BBoxT.h>
#include <vuro_gl/DataClass.h>

#include <string>

namespace Vuro {

/// Geometry of a body, shared by every body that shows it. Kept in body coordinates.
class VURO_GL_EXPORT BodyProto : public DataClass {
public:
    BodyProto() = default;
    explicit BodyProto(std::string name);

    /// Box around all vertices; not valid while the geometry is empty.
    [[nodiscard]] const Tolu::BBoxT<float>& getBBox() const noexcept { return bbox; }
    [[nodiscard]] const std::string& getName() const noexcept { return name; }

protected:
    ~BodyProto() override;

    std::string name;
    Tolu::BBoxT<float> bbox;
};

} // namespace Vuro

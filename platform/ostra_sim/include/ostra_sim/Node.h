#pragma once

#include <ostra_sim/Export.h>
#include <ostra_sim/Fwd.h>
#include <ostra_sim/SrcRef.h>
#include <ostra_sim/Stamp.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/Vector3T.h>
#include <tolu/util/Class.h>
#include <tolu/util/PtrT.h>
#include <tolu/util/RefT.h>
#include <vuro_gl/Object.h>

#include <cstdint>
#include <string>

namespace Ostra::Sim {

/// Common base of bodies, joints and sensors: name, world transform and display
/// attributes. Every setter raises `getStamp()` to a new stamp.
class OSTRA_SIM_EXPORT Node : public Tolu::Class {
public:
    // Transform
    /// Sets the world transform; raises the node stamp and the transform stamp.
    void setTransform(const Tolu::Matrix4x4T<double>& worldFromNode);

    // Display attributes
    /// Shows or hides the node.
    void setVisible(bool on);
    /// Lets picking find the node, or not.
    void setPickable(bool on);
    /// Whether `getColor()` is mixed into the render colour by `getColorMix()`.
    void setUseColor(bool on);
    /// The colour mixed in when `isUseColor()`; red, green, blue from 0 to 1.
    void setColor(const Tolu::Vector3T<float>& rgb);
    /// How much of `getColor()` is mixed in, from 0 (none) to 1 (all).
    void setColorMix(float mix);
    /// Opacity, from 0 (invisible) to 1 (opaque).
    void setAlpha(float value);
    /// What the node is shown as (may be null).
    void setVuroObject(const Tolu::RefT<Vuro::Object>& object);

    /// The name given at construction.
    [[nodiscard]] const std::string& getName() const noexcept { return srcRef.name; }
    /// Where the node comes from, for messages.
    [[nodiscard]] const SrcRef& getSrcRef() const noexcept { return srcRef; }
    /// Raised by every setter.
    [[nodiscard]] Stamp getStamp() const noexcept { return stamp; }
    /// World transform (row-major; translation in elements 3, 7, 11).
    [[nodiscard]] const Tolu::Matrix4x4T<double>& getTransform() const noexcept {
        return transform;
    }
    /// Raised by `setTransform` only.
    [[nodiscard]] Stamp getTransformStamp() const noexcept { return transformStamp; }
    ///@{
    /// The display attributes, as set.
    [[nodiscard]] bool isVisible() const noexcept { return visible != 0; }
    [[nodiscard]] bool isPickable() const noexcept { return pickable != 0; }
    [[nodiscard]] bool isUseColor() const noexcept { return useColor != 0; }
    [[nodiscard]] const Tolu::Vector3T<float>& getColor() const noexcept { return color; }
    [[nodiscard]] float getColorMix() const noexcept { return colorMix; }
    [[nodiscard]] float getAlpha() const noexcept { return alpha; }
    [[nodiscard]] const Tolu::RefT<Vuro::Object>& getVuroObject() const noexcept {
        return vuroObject;
        ///@}
    }
    /// The project the node belongs to, or null.
    [[nodiscard]] const Tolu::PtrT<Project>& getProject() const noexcept { return project; }

protected:
    /// A node named by `srcRef`; only the model's classes make nodes.
    explicit Node(SrcRef srcRef);
    ~Node() override;

    /// Raises the node stamp; derived setters call it after each write.
    void touch() noexcept;

private:
    friend class Project;

    SrcRef srcRef;
    Tolu::Matrix4x4T<double> transform;
    Tolu::RefT<Vuro::Object> vuroObject;
    Tolu::PtrT<Project> project;
    Tolu::Vector3T<float> color{0.7f, 0.7f, 0.7f};
    float colorMix = 0.5f;
    float alpha = 1.0f;
    Stamp stamp;
    Stamp transformStamp;
    std::uint8_t visible = 1;
    std::uint8_t pickable = 1;
    std::uint8_t useColor = 0;
};

} // namespace Ostra::Sim

#pragma once

#include <tolu/math3d/BBoxT.h>
#include <tolu/util/PtrT.h>
#include <vuro_gl/BodyProto.h>
#include <vuro_gl/gl/DataClass.h>
#include <vuro_gl/gl/HLMode.h>

namespace Vuro::GL {

/// GL prototype of a model body geometry, made once per model prototype by the
/// `ClassMap` and shared by every scene prototype that wraps it.
class VURO_GL_EXPORT BodyProto : public DataClass {
public:
    explicit BodyProto(Vuro::BodyProto& proto);

    /// The model prototype this was made from.
    [[nodiscard]] const Tolu::PtrT<Vuro::BodyProto>& get() const noexcept { return proto; }
    /// Box of the model geometry, in body coordinates.
    [[nodiscard]] const Tolu::BBoxT<float>& getBBox() const noexcept { return bbox; }

    /// Sets or clears the highlight of the prototype's graphics states in `mode`.
    virtual void setHighlight(HLMode mode, bool on, bool propagate);
    [[nodiscard]] bool isHighlighted(HLMode mode) const noexcept {
        return (hlFlags & hlBit(mode)) != 0;
    }

    /// Number of scene prototypes that wrap this one.
    unsigned userCount = 0;

protected:
    ~BodyProto() override;

private:
    Tolu::PtrT<Vuro::BodyProto> proto;
    Tolu::BBoxT<float> bbox;
    std::uint32_t hlFlags = 0;
};

} // namespace Vuro::GL

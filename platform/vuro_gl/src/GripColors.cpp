#include <vuro_gl/gl/GripColors.h>

namespace Vuro::GL {

// Fronts in clearly different hues so joint and sensor grips are told apart at a glance;
// backs a dark grey that stays visible on light and dark backgrounds.
const Tolu::Vector4T<float> JointTrack::colorGripF{1.0f, 0.70f, 0.15f, 1.0f};
const Tolu::Vector4T<float> JointTrack::colorGripB{0.25f, 0.25f, 0.25f, 1.0f};

const Tolu::Vector4T<float> SensorTrack::colorGripF1{0.25f, 0.80f, 0.35f, 1.0f};
const Tolu::Vector4T<float> SensorTrack::colorGripF2{0.15f, 0.80f, 0.90f, 1.0f};
const Tolu::Vector4T<float> SensorTrack::colorGripB{0.25f, 0.25f, 0.25f, 1.0f};

} // namespace Vuro::GL

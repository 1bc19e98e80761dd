#pragma once

#include <tolu/math3d/Vector4T.h>
#include <vuro_gl/Export.h>

namespace Vuro::GL {

/// Grip colours of a joint that slides on a track.
struct VURO_GL_EXPORT JointTrack {
    static const Tolu::Vector4T<float> colorGripF; ///< front of the grip
    static const Tolu::Vector4T<float> colorGripB; ///< back of the grip
};

/// Grip colours of a sensor on a track: one front colour per grip, one back colour.
struct VURO_GL_EXPORT SensorTrack {
    /// Front of the first grip.
    static const Tolu::Vector4T<float> colorGripF1;
    /// Front of the second grip.
    static const Tolu::Vector4T<float> colorGripF2;
    /// Back of both grips.
    static const Tolu::Vector4T<float> colorGripB;
};

} // namespace Vuro::GL

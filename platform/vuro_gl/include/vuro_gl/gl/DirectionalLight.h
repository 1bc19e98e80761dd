#pragma once

#include <tolu/math3d/Vector3T.h>

namespace Vuro::GL {

/// The scene light: parallel rays along `direction` (world coordinates, towards the
/// scene), with a diffuse colour and an ambient share.
struct DirectionalLight {
    /// Direction of the rays, in world coordinates; any length.
    Tolu::Vector3T<float> direction{-0.4f, -0.3f, -1.0f};
    /// Diffuse colour.
    Tolu::Vector3T<float> color{1.0f, 1.0f, 1.0f};
    /// Share of the material colour lit without the light, from 0 to 1.
    float ambient = 0.35f;
};

} // namespace Vuro::GL

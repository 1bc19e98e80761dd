#pragma once

// Poses in scene files: {"position": [x, y, z], "rotation": {"axis": [x, y, z], "angle":
// degrees}} (both optional), or {"matrix": [16 numbers, row by row]}.

#include "Json.h"

#include <tolu/math3d/Matrix4x4T.h>

namespace Ostra::IO {

using M4 = Tolu::Matrix4x4T<double>;

/// The transform a pose object describes. Fails on a bad or mixed form.
[[nodiscard]] M4 readPose(const Json::Value& value);
/// The pose object of `m`: position and rotation when they give `m` back exactly,
/// otherwise the matrix.
[[nodiscard]] Json::Doc writePose(const M4& m);

} // namespace Ostra::IO

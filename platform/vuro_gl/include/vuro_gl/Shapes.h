#pragma once

#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>
#include <tolu/util/RefT.h>
#include <vuro_gl/BodyProto.h>

namespace Vuro {

/// Ready-made geometry for hosts and tests, centred on the body origin unless said
/// otherwise, with outward normals; each is one triangle group in slot 0, wound
/// counter-clockwise seen from outside. Throw `Tolu::Error` for sizes that are not positive
/// (or not finite) or segment counts below 3.

/// Box with the given edge lengths.
[[nodiscard]] VURO_GL_EXPORT Tolu::RefT<BodyProto> makeBox(const Tolu::Vector3T<float>& size,
                                                           const Tolu::Vector4T<float>& color);
/// Cylinder along z, from z = -length/2 to +length/2, with caps.
[[nodiscard]] VURO_GL_EXPORT Tolu::RefT<BodyProto> makeCylinder(float radius, float length,
                                                                const Tolu::Vector4T<float>& color,
                                                                unsigned segments = 24);
/// Sphere of `segments` longitude bands and half as many latitude bands.
[[nodiscard]] VURO_GL_EXPORT Tolu::RefT<BodyProto>
makeSphere(float radius, const Tolu::Vector4T<float>& color, unsigned segments = 24);
/// Cone along z with its base at z = 0 and its tip at z = height.
[[nodiscard]] VURO_GL_EXPORT Tolu::RefT<BodyProto>
makeCone(float radius, float height, const Tolu::Vector4T<float>& color, unsigned segments = 24);
/// Arrow along z from the origin, `length` long in all: a shaft of `radius` and a cone head
/// twice as wide, a third of the length long but at most six radii.
[[nodiscard]] VURO_GL_EXPORT Tolu::RefT<BodyProto>
makeArrow(float length, float radius, const Tolu::Vector4T<float>& color, unsigned segments = 16);

} // namespace Vuro

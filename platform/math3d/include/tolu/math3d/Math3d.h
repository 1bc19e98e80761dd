#pragma once

// Everything of the maths library in one include.

#include <tolu/math3d/BBoxT.h>
#include <tolu/math3d/BSphereT.h>
#include <tolu/math3d/DegreeT.h>
#include <tolu/math3d/Errors.h>
#include <tolu/math3d/FramePlane.h>
#include <tolu/math3d/FrustumT.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/PlaneT.h>
#include <tolu/math3d/Segment3T.h>
#include <tolu/math3d/SphereT.h>
#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>

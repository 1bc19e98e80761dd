#pragma once

#include <ostra_sim/Error.h>
#include <tolu/math3d/Errors.h>
#include <tolu/math3d/Matrix4x4T.h>
#include <tolu/math3d/Vector3T.h>

#include <cmath>
#include <string>

namespace Ostra::Sim {

// Setters refuse values that would poison every later computation of a viewer.

inline void checkFinite(const SrcRef& srcRef, const char* function, double value) {
    if (!std::isfinite(value)) {
        throw Error(srcRef, std::string(function) + ": value " + Tolu::formatMath3dValue(value) +
                                " is not finite");
    }
}

template <class T>
void checkFinite(const SrcRef& srcRef, const char* function, const Tolu::Vector3T<T>& v) {
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) {
        throw Error(srcRef, std::string(function) + ": vector is not finite");
    }
}

inline void checkFinite(const SrcRef& srcRef, const char* function,
                        const Tolu::Matrix4x4T<double>& m) {
    for (double element : m.m) {
        if (!std::isfinite(element)) {
            throw Error(srcRef, std::string(function) + ": matrix is not finite");
        }
    }
}

} // namespace Ostra::Sim

#include <tolu/math3d/Errors.h>

#include <charconv>

namespace Tolu {

// Destructors out of line so that each class has one home for its vtable and type info, which
// lets callers catch exceptions thrown from header templates across library boundaries.
ErrorMath3D::ErrorMath3D(const std::string& message) : Error(message) {}
ErrorMath3D::~ErrorMath3D() = default;

ErrorBadMatrix::ErrorBadMatrix(const std::string& message) : ErrorMath3D(message) {}
ErrorBadMatrix::~ErrorBadMatrix() = default;

ErrorBadNullVector::ErrorBadNullVector(const std::string& message) : ErrorMath3D(message) {}
ErrorBadNullVector::~ErrorBadNullVector() = default;

std::string formatMath3dValue(double value) {
    // Shortest round-trip form: a determinant of 1e-17 must not print as 0.000000.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace Tolu

#pragma once

#include <tolu/math3d/Export.h>
#include <tolu/util/Error.h>

#include <string>

namespace Tolu {

/// Base of the exceptions thrown by the maths types: bad indices, empty boxes, negative radii.
class TOLU_MATH3D_EXPORT ErrorMath3D : public Error {
public:
    /// An error whose `what()` is `message`.
    explicit ErrorMath3D(const std::string& message);
    ~ErrorMath3D() override;
};

/// A matrix that cannot be inverted, or projection parameters that describe no volume.
class TOLU_MATH3D_EXPORT ErrorBadMatrix : public ErrorMath3D {
public:
    /// An error whose `what()` is `message`.
    explicit ErrorBadMatrix(const std::string& message);
    ~ErrorBadMatrix() override;
};

/// A vector too short to give a direction (normalising, rotation axes, view directions).
class TOLU_MATH3D_EXPORT ErrorBadNullVector : public ErrorMath3D {
public:
    /// An error whose `what()` is `message`.
    explicit ErrorBadNullVector(const std::string& message);
    ~ErrorBadNullVector() override;
};

/// Shortest text that reads back as `value`, for exception messages.
[[nodiscard]] TOLU_MATH3D_EXPORT std::string formatMath3dValue(double value);

} // namespace Tolu

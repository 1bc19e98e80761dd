#pragma once

#include <tolu/math3d/Vector3T.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace Fuzz {

/// Reads numbers from a fuzzer's bytes; past the end every read gives zero bytes.
class Input {
public:
    /// `limit`: the largest magnitude a number may have; any other (NaN too) reads as 1.
    Input(const std::uint8_t* data, std::size_t size,
          double limit = std::numeric_limits<double>::max())
        : data(data), size(size), limit(limit) {}
    [[nodiscard]] bool empty() const { return size == 0; }
    unsigned byte() { return take<std::uint8_t>(); }
    double number() {
        const double x = take<double>();
        return std::abs(x) <= limit ? x : 1.0;
    }
    Tolu::Vector3T<double> vec() {
        const double x = number();
        const double y = number();
        return {x, y, number()};
    }

private:
    template <class T> T take() {
        T value{};
        const std::size_t n = size < sizeof(T) ? size : sizeof(T);
        std::memcpy(&value, data, n);
        data += n;
        size -= n;
        return value;
    }
    const std::uint8_t* data;
    std::size_t size;
    double limit;
};

} // namespace Fuzz

#pragma once

// The one place that reads JSON: a strict view of a parsed document that knows where each
// value sits, so every complaint names the file and the JSON pointer.

#include <tolu/math3d/Vector3T.h>
#include <tolu/math3d/Vector4T.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Ostra::IO::Json {

using Doc = nlohmann::ordered_json;

/// Parses `text`; throws LoadError with line and column for malformed JSON, and with the
/// pointer for a key given twice in one object.
[[nodiscard]] Doc parse(std::string_view text, const std::string& file);

/// Shortest decimal form of a number that reads back as the same value.
[[nodiscard]] std::string format(double value);

class Object;

/// A value of the document and its place.
class Value {
public:
    Value(const std::string& file, const Doc& doc, std::string pointer)
        : file(&file), doc(&doc), pointer(std::move(pointer)) {}

    [[noreturn]] void fail(const std::string& text) const;

    [[nodiscard]] bool isString() const noexcept { return doc->is_string(); }
    [[nodiscard]] bool isNumber() const noexcept { return doc->is_number(); }
    [[nodiscard]] bool isArray() const noexcept { return doc->is_array(); }
    /// A finite number within [min, max].
    [[nodiscard]] double number(double min, double max) const;
    [[nodiscard]] double number() const;
    /// A number within [min, max] (finite, and a float).
    [[nodiscard]] float real(float min, float max) const;
    /// A whole number within [min, max].
    [[nodiscard]] std::int64_t integer(std::int64_t min, std::int64_t max) const;
    [[nodiscard]] bool boolean() const;
    [[nodiscard]] const std::string& string() const;
    /// A string that is not empty.
    [[nodiscard]] const std::string& name() const;
    /// An array of exactly `size` values (any size when 0).
    [[nodiscard]] std::vector<Value> array(std::size_t size = 0) const;
    [[nodiscard]] Object object() const;

    [[nodiscard]] Tolu::Vector3T<double> vector3() const;
    [[nodiscard]] Tolu::Vector3T<float> vector3f(float min, float max) const;
    /// [r, g, b] or [r, g, b, a] with channels in [0, 1]; alpha 1 when left out.
    [[nodiscard]] Tolu::Vector4T<float> rgba() const;
    /// [r, g, b] with channels in [0, 1].
    [[nodiscard]] Tolu::Vector3T<float> rgb() const;

    [[nodiscard]] const std::string& getPointer() const noexcept { return pointer; }
    [[nodiscard]] const std::string& getFile() const noexcept { return *file; }

private:
    const std::string* file;
    const Doc* doc;
    std::string pointer;
};

/// An object whose keys must each be read once: `finish` rejects the rest.
class Object {
public:
    explicit Object(const Value& self, const Doc& doc);

    /// The value at `key`, or nothing when the key is absent.
    [[nodiscard]] std::optional<Value> find(std::string_view key);
    /// The value at `key`; fails when the key is absent.
    [[nodiscard]] Value at(std::string_view key);
    [[nodiscard]] bool has(std::string_view key) const { return doc->contains(key); }
    /// Fails on the first key (in file order) that nothing asked for.
    void finish() const;

    [[nodiscard]] const Value& getSelf() const noexcept { return self; }

private:
    Value self;
    const Doc* doc;
    std::vector<std::string_view> seen;
};

} // namespace Ostra::IO::Json

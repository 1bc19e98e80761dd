#include "Json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <ostra_io/LoadError.h>
#include <set>

namespace Ostra::IO::Json {

namespace {

std::string escape(std::string_view key) {
    std::string out;
    for (const char c : key) {
        if (c == '~') {
            out += "~0";
        } else if (c == '/') {
            out += "~1";
        } else {
            out += c;
        }
    }
    return out;
}

const char* kindOf(const Doc& doc) {
    switch (doc.type()) {
    case Doc::value_t::null:
        return "null";
    case Doc::value_t::object:
        return "an object";
    case Doc::value_t::array:
        return "an array";
    case Doc::value_t::string:
        return "a string";
    case Doc::value_t::boolean:
        return "a boolean";
    default:
        return "a number";
    }
}

// Where the parser is, so that a key given twice can be named by its pointer.
struct Frame {
    bool object = false;
    std::size_t index = 0; // arrays: the element being read
    std::string key;       // objects: the member being read
    std::set<std::string> keys;
};

} // namespace

std::string format(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

Doc parse(std::string_view text, const std::string& file) {
    std::vector<Frame> path;
    const auto pointer = [&]() {
        std::string out;
        for (const Frame& frame : path) {
            out += "/" + (frame.object ? escape(frame.key) : std::to_string(frame.index));
        }
        return out;
    };
    // Called after each complete element: an array moves on to its next one.
    const auto elementDone = [&]() {
        if (!path.empty() && !path.back().object) {
            ++path.back().index;
        }
    };
    const Doc::parser_callback_t watch = [&](int, Doc::parse_event_t event, Doc& parsed) {
        switch (event) {
        case Doc::parse_event_t::object_start:
        case Doc::parse_event_t::array_start:
            path.push_back({event == Doc::parse_event_t::object_start, 0, {}, {}});
            break;
        case Doc::parse_event_t::key: {
            // The key comes as the parsed value.
            Frame& frame = path.back();
            frame.key = parsed.get<std::string>();
            if (!frame.keys.insert(frame.key).second) {
                throw LoadError(file, pointer(), "key \"" + frame.key + "\" given twice");
            }
            break;
        }
        case Doc::parse_event_t::object_end:
        case Doc::parse_event_t::array_end:
            path.pop_back();
            elementDone();
            break;
        case Doc::parse_event_t::value:
            elementDone();
            break;
        }
        return true;
    };
    // "line:column" of the byte at `offset`, both counted from 1.
    const auto place = [&](std::size_t offset) {
        offset = std::min(offset, text.size());
        std::size_t line = 1;
        std::size_t lineStart = 0;
        for (std::size_t i = 0; i < offset; ++i) {
            if (text[i] == '\n') {
                ++line;
                lineStart = i + 1;
            }
        }
        return std::to_string(line) + ":" + std::to_string(offset - lineStart + 1);
    };
    try {
        return Doc::parse(text.begin(), text.end(), watch);
    } catch (const Doc::parse_error& e) {
        std::string what = e.what();
        // Keep the parser's reason, drop its own prefix and place; it counts bytes from 1.
        if (const auto colon = what.find(": "); colon != std::string::npos) {
            what = what.substr(colon + 2);
        }
        throw LoadError(file, place(e.byte > 0 ? e.byte - 1 : 0), "malformed JSON: " + what);
    } catch (const Doc::out_of_range& e) {
        // A number too large for a double; the parser names it but not where it stands.
        const std::string what = e.what();
        const auto open = what.find('\'');
        const auto close = what.rfind('\'');
        const std::string token = open != std::string::npos && close > open
                                      ? what.substr(open + 1, close - open - 1)
                                      : "";
        const auto at = token.empty() ? std::string_view::npos : text.find(token);
        throw LoadError(file, at == std::string_view::npos ? "" : place(at),
                        "number " + token + " is not finite (too large for a double)");
    }
}

void Value::fail(const std::string& text) const {
    throw LoadError(*file, pointer, text);
}

double Value::number() const {
    if (!doc->is_number()) {
        fail(std::string("expected a number, found ") + kindOf(*doc));
    }
    const double value = doc->get<double>();
    if (!std::isfinite(value)) {
        fail("number is not finite");
    }
    return value;
}

double Value::number(double min, double max) const {
    const double value = number();
    if (value < min || value > max) {
        fail("value " + format(value) + " is out of range [" + format(min) + ", " + format(max) +
             "]");
    }
    return value;
}

float Value::real(float min, float max) const {
    return static_cast<float>(number(min, max));
}

std::int64_t Value::integer(std::int64_t min, std::int64_t max) const {
    if (!doc->is_number_integer()) {
        fail(std::string("expected a whole number, found ") + kindOf(*doc));
    }
    // Unsigned numbers past the signed range are out of every range we accept.
    if (doc->is_number_unsigned() &&
        doc->get<std::uint64_t>() > std::uint64_t(std::numeric_limits<std::int64_t>::max())) {
        fail("value " + std::to_string(doc->get<std::uint64_t>()) + " is out of range [" +
             std::to_string(min) + ", " + std::to_string(max) + "]");
    }
    const std::int64_t value = doc->get<std::int64_t>();
    if (value < min || value > max) {
        fail("value " + std::to_string(value) + " is out of range [" + std::to_string(min) + ", " +
             std::to_string(max) + "]");
    }
    return value;
}

bool Value::boolean() const {
    if (!doc->is_boolean()) {
        fail(std::string("expected true or false, found ") + kindOf(*doc));
    }
    return doc->get<bool>();
}

const std::string& Value::string() const {
    if (!doc->is_string()) {
        fail(std::string("expected a string, found ") + kindOf(*doc));
    }
    return doc->get_ref<const std::string&>();
}

const std::string& Value::name() const {
    const std::string& value = string();
    if (value.empty()) {
        fail("name is empty");
    }
    return value;
}

std::vector<Value> Value::array(std::size_t size) const {
    if (!doc->is_array()) {
        fail(std::string("expected an array, found ") + kindOf(*doc));
    }
    if (size != 0 && doc->size() != size) {
        fail("expected " + std::to_string(size) + " values, found " + std::to_string(doc->size()));
    }
    std::vector<Value> out;
    out.reserve(doc->size());
    for (std::size_t i = 0; i < doc->size(); ++i) {
        out.emplace_back(*file, (*doc)[i], pointer + "/" + std::to_string(i));
    }
    return out;
}

Object Value::object() const {
    if (!doc->is_object()) {
        fail(std::string("expected an object, found ") + kindOf(*doc));
    }
    return Object(*this, *doc);
}

Tolu::Vector3T<double> Value::vector3() const {
    const auto v = array(3);
    return {v[0].number(), v[1].number(), v[2].number()};
}

Tolu::Vector3T<float> Value::vector3f(float min, float max) const {
    const auto v = array(3);
    return {v[0].real(min, max), v[1].real(min, max), v[2].real(min, max)};
}

Tolu::Vector4T<float> Value::rgba() const {
    if (doc->is_array() && doc->size() == 3) {
        const Tolu::Vector3T<float> c = rgb();
        return {c.x, c.y, c.z, 1.0f};
    }
    const auto v = array(4);
    return {v[0].real(0, 1), v[1].real(0, 1), v[2].real(0, 1), v[3].real(0, 1)};
}

Tolu::Vector3T<float> Value::rgb() const {
    return vector3f(0, 1);
}

Object::Object(const Value& self, const Doc& doc) : self(self), doc(&doc) {}

std::optional<Value> Object::find(std::string_view key) {
    const auto found = doc->find(key);
    if (found == doc->end()) {
        return std::nullopt;
    }
    seen.push_back(key);
    return Value(self.getFile(), *found, self.getPointer() + "/" + escape(key));
}

Value Object::at(std::string_view key) {
    auto value = find(key);
    if (!value) {
        self.fail("missing key \"" + std::string(key) + "\"");
    }
    return *value;
}

void Object::finish() const {
    for (const auto& [key, value] : doc->items()) {
        if (std::find(seen.begin(), seen.end(), key) == seen.end()) {
            throw LoadError(self.getFile(), self.getPointer() + "/" + escape(key),
                            "unknown key \"" + key + "\"");
        }
    }
}

} // namespace Ostra::IO::Json

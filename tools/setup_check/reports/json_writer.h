// A small writer of indented JSON: objects and arrays are opened and closed, members and
// elements written in between, and the commas and line breaks fall where they belong.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setupcheck {

class JsonWriter {
public:
    JsonWriter& beginObject(const char* key = nullptr) { return open(key, '{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray(const char* key = nullptr) { return open(key, '['); }
    JsonWriter& endArray() { return close(']'); }

    JsonWriter& string(const char* key, const std::string& value) {
        return raw(key, quoted(value));
    }
    // null for an empty text.
    JsonWriter& stringOrNull(const char* key, const std::string& value) {
        return raw(key, value.empty() ? "null" : quoted(value));
    }
    JsonWriter& optionalString(const char* key, const std::optional<std::string>& value) {
        return raw(key, value ? quoted(*value) : "null");
    }
    JsonWriter& number(const char* key, std::int64_t value) {
        return raw(key, std::to_string(value));
    }
    JsonWriter& boolean(const char* key, bool value) { return raw(key, value ? "true" : "false"); }
    JsonWriter& null(const char* key) { return raw(key, "null"); }
    JsonWriter& strings(const char* key, const std::vector<std::string>& values);

    // The text, ending in a line feed once everything opened is closed.
    std::string text() const { return out + "\n"; }

    // A JSON string literal of UTF-8 text.
    static std::string quoted(const std::string& text);

private:
    JsonWriter& open(const char* key, char bracket);
    JsonWriter& close(char bracket);
    JsonWriter& raw(const char* key, const std::string& value);
    void startItem(const char* key);

    std::string out;
    std::vector<bool> empty; // per open level: nothing written in it yet
};

} // namespace setupcheck

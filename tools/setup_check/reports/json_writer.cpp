#include "tools/setup_check/reports/json_writer.h"

#include <cstdio>

namespace setupcheck {

std::string JsonWriter::quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

void JsonWriter::startItem(const char* key) {
    if (!empty.empty()) {
        out += empty.back() ? "\n" : ",\n";
        empty.back() = false;
        out += std::string(2 * empty.size(), ' ');
    }
    if (key)
        out += quoted(key) + ": ";
}

JsonWriter& JsonWriter::open(const char* key, char bracket) {
    startItem(key);
    out += bracket;
    empty.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::close(char bracket) {
    const bool wasEmpty = empty.back();
    empty.pop_back();
    if (!wasEmpty)
        out += "\n" + std::string(2 * empty.size(), ' ');
    out += bracket;
    return *this;
}

JsonWriter& JsonWriter::raw(const char* key, const std::string& value) {
    startItem(key);
    out += value;
    return *this;
}

JsonWriter& JsonWriter::strings(const char* key, const std::vector<std::string>& values) {
    beginArray(key);
    for (const std::string& value : values)
        string(nullptr, value);
    return endArray();
}

} // namespace setupcheck

#include "cli/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "io/file_text.h"

namespace zelkor::cli {

std::string json_number(double value) {
    if (!std::isfinite(value)) return "null";
    char buffer[32];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error;  // 32 characters hold every double
    return std::string(buffer, end);
}

std::string json_number(long long value) { return std::to_string(value); }

std::string json_string(std::string_view raw) {
    // Names from files may be Latin-1 (or anything): the report stays valid UTF-8.
    const std::string text = io::as_utf8(raw);
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

void JsonWriter::before_value() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!first_) text_ += ',';
    if (depth_ > 0) text_ += '\n' + std::string(std::size_t(depth_) * 2, ' ');
    first_ = false;
}

void JsonWriter::begin_object() {
    before_value();
    text_ += '{';
    ++depth_;
    first_ = true;
}

void JsonWriter::end_object() {
    --depth_;
    if (!first_) text_ += '\n' + std::string(std::size_t(depth_) * 2, ' ');
    text_ += '}';
    first_ = false;
    if (depth_ == 0) text_ += '\n';
}

void JsonWriter::begin_array() {
    before_value();
    text_ += '[';
    ++depth_;
    first_ = true;
}

void JsonWriter::end_array() {
    --depth_;
    if (!first_) text_ += '\n' + std::string(std::size_t(depth_) * 2, ' ');
    text_ += ']';
    first_ = false;
}

void JsonWriter::key(std::string_view name) {
    before_value();
    text_ += json_string(name) + ": ";
    after_key_ = true;
}

void JsonWriter::raw(const std::string& json_value) {
    before_value();
    text_ += json_value;
}

}  // namespace zelkor::cli

// JSON text for the files the command line writes (report, saved parameters). Doubles are written
// in the shortest form that reads back to the same double, which a general JSON library does not
// promise; that is why these files are assembled here.
#pragma once

#include <string>
#include <string_view>

namespace zelkor::cli {

std::string json_number(double value);  // shortest round-trip form; null when not finite
std::string json_number(long long value);
std::string json_string(std::string_view text);  // quoted and escaped

// Appends members and elements with commas and a two-space indent.
class JsonWriter {
public:
    void begin_object();
    void end_object();
    void begin_array();
    void end_array();
    void key(std::string_view name);  // the next value is this member's
    void raw(const std::string& json_value);
    void value(double number) { raw(json_number(number)); }
    void value(int number) { raw(json_number(static_cast<long long>(number))); }
    void value(long long number) { raw(json_number(number)); }
    void value(std::string_view text) { raw(json_string(text)); }
    void null() { raw("null"); }
    const std::string& text() const { return text_; }

private:
    void before_value();
    std::string text_;
    int depth_ = 0;
    bool first_ = true;       // no member or element yet at this depth
    bool after_key_ = false;  // a key was written and its value is next
};

}  // namespace zelkor::cli

#include "cli/control_values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <numbers>

#include "cli/json_text.h"
#include "cli/usage_error.h"

namespace zelkor::cli {

namespace {

bool parse_double(std::string_view text, double& r_value) {
    if (text.empty()) return false;
    if (text.front() == '+') text.remove_prefix(1);
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), r_value);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(r_value);
}

bool parse_int(std::string_view text, int& r_value) {
    if (text.empty()) return false;
    if (text.front() == '+') text.remove_prefix(1);
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), r_value);
    return error == std::errc() && end == text.data() + text.size();
}

bool ends_with(std::string_view text, std::string_view suffix, std::string_view& r_rest) {
    if (text.size() < suffix.size() || text.substr(text.size() - suffix.size()) != suffix) return false;
    r_rest = text.substr(0, text.size() - suffix.size());
    return true;
}

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

[[noreturn]] void refuse(const ControlInfo& control, std::string_view text, std::string_view expected) {
    throw UsageError("\"" + control.label + "\" (" + control.field + "): \"" + std::string(text) + "\" is not " +
                     std::string(expected));
}

host::PanelValue parse_switch(const ControlInfo& control, std::string_view text) {
    const std::string word = lower(text);
    if (word == "1" || word == "on" || word == "true") return 1;
    if (word == "0" || word == "off" || word == "false") return 0;
    refuse(control, text, "0/1, on/off or true/false");
}

host::PanelValue parse_popup(const ControlInfo& control, std::string_view text,
                             const std::vector<std::string>& entries) {
    for (std::size_t k = 0; k < entries.size(); ++k)
        if (entries[k] == text) return int(k);
    int index = 0;
    if (parse_int(text, index) && index >= 0) return index;
    std::string known;
    for (const std::string& entry : entries) known += (known.empty() ? "" : ", ") + json_string(entry);
    refuse(control, text, "an index from 0 or one of " + (known.empty() ? std::string("\"none\"") : known));
}

// A suffixed number is value * times / over: 15deg is 15 * pi / 180, 25% is 25 / 100.
host::PanelValue parse_scaled(const ControlInfo& control, std::string_view text, std::string_view suffix,
                              double times, double over) {
    std::string_view number = text;
    const bool suffixed = !suffix.empty() && ends_with(text, suffix, number);
    double value = 0;
    if (!parse_double(number, value)) {
        const std::string expected = suffix.empty() ? "a number" : "a number, or a number followed by " + std::string(suffix);
        refuse(control, text, expected);
    }
    return suffixed ? value * times / over : value;
}

std::string plain(double value) { return json_number(value); }

}  // namespace

host::PanelValue parse_control_value(const ControlInfo& control, std::string_view text,
                                     const std::vector<std::string>& popup_entries) {
    const std::string& c = control.control_class;
    if (c == "iBoolean") return parse_switch(control, text);
    if (c == "iPopChoice") return parse_popup(control, text, popup_entries);
    if (c == "integer") {
        int value = 0;
        if (!parse_int(text, value)) refuse(control, text, "a whole number");
        return value;
    }
    if (c == "angle") return parse_scaled(control, text, "deg", std::numbers::pi, 180.0);
    if (c == "percent") return parse_scaled(control, text, "%", 1.0, 100.0);
    if (c == "float") return parse_scaled(control, text, "", 1.0, 1.0);
    throw UsageError("\"" + control.label + "\" is a button: use --press \"" + control.label + "\"");
}

std::string display_value(const ControlInfo& control, const host::PanelValue& value) {
    if (const int* i = std::get_if<int>(&value)) return std::to_string(*i);
    const double* d = std::get_if<double>(&value);
    if (!d) return "-";
    if (control.control_class == "angle") return plain(*d) + " (" + plain(*d * 180.0 / std::numbers::pi) + "deg)";
    if (control.control_class == "percent") return plain(*d) + " (" + plain(*d * 100.0) + "%)";
    return plain(*d);
}

}  // namespace zelkor::cli

#include "cli/control_values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
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

TypedValue parse_popup(const ControlInfo& control, std::string_view text) {
    int index = 0;
    if (parse_int(text, index)) {
        if (index < 0) refuse(control, text, "an index from 0 or a weight map's name");
        return {index, {}, {}};
    }
    if (text.empty()) refuse(control, text, "an index from 0 or a weight map's name");
    return {{}, std::string(text), {}};
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
    const double scaled = suffixed ? value * times / over : value;
    if (!std::isfinite(scaled)) refuse(control, text, "a number that stays finite in the record's units");
    return scaled;
}

std::string plain(double value) { return json_number(value); }

}  // namespace

TypedValue parse_control_value(const ControlInfo& control, std::string_view text) {
    switch (control.unit) {
        case ZELKOR_UNIT_SWITCH: return {parse_switch(control, text), {}, {}};
        case ZELKOR_UNIT_POPUP: return parse_popup(control, text);
        case ZELKOR_UNIT_COUNT: {
            int value = 0;
            if (!parse_int(text, value)) refuse(control, text, "a whole number");
            return {value, {}, {}};
        }
        case ZELKOR_UNIT_RADIANS: {
            std::string_view number;
            double radians = 0;
            if (ends_with(text, "rad", number) && parse_double(number, radians)) return {radians, {}, {}};
            const host::PanelValue value = parse_scaled(control, text, "deg", std::numbers::pi, 180.0);
            radians = std::get<double>(value);
            // More than a full turn, typed without a unit: almost certainly meant as degrees.
            if (std::fabs(radians) > 2 * std::numbers::pi && !ends_with(text, "deg", number)) {
                char degrees[64];
                std::snprintf(degrees, sizeof degrees, "%.1f", radians * 180.0 / std::numbers::pi);
                return {value, {}, std::string(text) + " is read as radians (" + degrees + "deg); write " + std::string(text) +
                                       "deg for degrees"};
            }
            return {value, {}, {}};
        }
        case ZELKOR_UNIT_FRACTION: return {parse_scaled(control, text, "%", 1.0, 100.0), {}, {}};
        case ZELKOR_UNIT_NUMBER: return {parse_scaled(control, text, "", 1.0, 1.0), {}, {}};
        case ZELKOR_UNIT_BUTTON: break;
    }
    throw UsageError("\"" + control.label + "\" is a button: use --press \"" + control.label + "\"");
}

int resolve_popup(const ControlInfo& control, const std::string& name, const std::vector<std::string>& entries) {
    for (std::size_t k = 0; k < entries.size(); ++k)
        if (entries[k] == name) return int(k);
    // Appended piece by piece: GCC 12 misreads long chains of + on strings as overlapping copies.
    std::string text = "\"";
    text.append(control.label).append("\" (").append(control.field).append("): no weight map ").append(json_string(name));
    text.append(" (the popup offers ");
    for (std::size_t k = 0; k < entries.size(); ++k) text.append(k ? ", " : "").append(json_string(entries[k]));
    text.append(entries.empty() ? "nothing)" : ")");
    throw UsageError(text);
}

std::string display_value(const ControlInfo& control, const TypedValue& typed) {
    if (!typed.popup_name.empty()) return json_string(typed.popup_name);
    if (const int* i = std::get_if<int>(&typed.value))
        return control.unit == ZELKOR_UNIT_POPUP && *i == 0 ? "\"none\"" : std::to_string(*i);  // entry 0 is always "none"
    const double* d = std::get_if<double>(&typed.value);
    if (!d) return "-";
    // Four significant digits in the unit a user types: the module's defaults use rough values of
    // pi (0.17452777777777778 is 10 degrees with pi = 3.1415), which a user knows as -10deg.
    const auto typed_as = [](double value, const char* unit) {
        char text[48];
        std::snprintf(text, sizeof text, "%.4g%s", value, unit);
        return std::string(text);
    };
    if (control.unit == ZELKOR_UNIT_RADIANS) return typed_as(*d * 180.0 / std::numbers::pi, "deg");
    if (control.unit == ZELKOR_UNIT_FRACTION) return typed_as(*d * 100.0, "%");
    return plain(*d);
}

}  // namespace zelkor::cli

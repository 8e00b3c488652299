#include "cli/record_values.h"

#include <cmath>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "cli/control_values.h"
#include "cli/json_text.h"
#include "cli/usage_error.h"
#include "io/atomic_file.h"
#include "io/file_error.h"
#include "io/whole_file.h"

namespace zelkor::cli {

namespace {

std::string read_text_file(const std::filesystem::path& path) {
    try {
        const std::vector<std::uint8_t> bytes = io::read_whole_file(path);
        return std::string(bytes.begin(), bytes.end());
    } catch (const io::FileError& e) {
        throw UsageError(e.what());
    }
}

// A JSON value as the text --set would take for this control.
std::string value_text(const ControlInfo& control, const nlohmann::json& value, const std::string& where) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>() ? "1" : "0";
    if (value.is_number_integer()) return value.dump();
    if (value.is_number_float()) {
        if (!control.holds_int) return json_number(value.get<double>());
        const double d = value.get<double>();
        if (d == std::trunc(d) && std::abs(d) < 2147483648.0) return std::to_string(static_cast<long long>(d));
        return json_number(d);
    }
    throw UsageError(where + ": \"" + control.field + "\" needs a number or a string, not " + value.dump());
}

}  // namespace

std::vector<ControlValue> default_record(const Controls& controls) {
    std::vector<ControlValue> record;
    for (const ControlInfo* control : controls.values()) {
        ControlValue v{control, {}, {}};
        if (control->holds_int) v.value = int(control->default_value);
        else v.value = control->default_value;
        record.push_back(v);
    }
    return record;
}

std::vector<ControlValue> read_params_file(const std::filesystem::path& path, const Controls& controls) {
    const std::string where = path.string();
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(read_text_file(path));
    } catch (const nlohmann::json::parse_error& e) {
        throw UsageError(where + ": not JSON: " + e.what());
    }
    if (!document.is_object()) throw UsageError(where + ": expected a JSON object of parameter names and values");
    std::vector<ControlValue> values;
    for (auto it = document.begin(); it != document.end(); ++it) {
        if (it.key() == "akt_clone") continue;
        const ControlInfo* control = controls.find(it.key());
        if (!control) throw UsageError(where + ": unknown parameter \"" + it.key() + "\"");
        if (control->is_button()) throw UsageError(where + ": \"" + it.key() + "\" is a button, not a value");
        try {
            TypedValue typed = parse_control_value(*control, value_text(*control, it.value(), where));
            values.push_back({control, typed.value, typed.popup_name});
        } catch (const UsageError& e) {
            throw UsageError(where + ": " + e.what());
        }
    }
    return values;
}

void write_record_members(JsonWriter& writer, const std::vector<ControlValue>& record) {
    for (const ControlValue& v : record) {
        writer.key(v.control->field);
        if (const int* i = std::get_if<int>(&v.value)) writer.value(*i);
        else if (const double* d = std::get_if<double>(&v.value)) writer.value(*d);
        else writer.null();
    }
}

std::string record_json(const std::vector<ControlValue>& record) {
    JsonWriter writer;
    writer.begin_object();
    write_record_members(writer, record);
    writer.end_object();
    return writer.text();
}

void write_text_file(const std::filesystem::path& path, const std::string& text) {
    io::write_file_atomically(path, text);
}

}  // namespace zelkor::cli

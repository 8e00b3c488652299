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

// A parameter file is a few hundred bytes; anything past a megabyte is not one.
constexpr std::size_t kMaxParamsFile = std::size_t(1) << 20;

std::string read_text_file(const std::filesystem::path& path) {
    try {
        const std::vector<std::uint8_t> bytes = io::read_whole_file(path, kMaxParamsFile);
        return std::string(bytes.begin(), bytes.end());
    } catch (const io::FileError& e) {
        throw UsageError(e.what());
    }
}

// The members of a parameter file: one JSON object of field names (or labels) and scalar values.
// Read event by event, so that a value nested a million levels deep is refused at its first
// level, and every fault names the member it is in.
class RecordReader : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit RecordReader(std::string where) : where_(std::move(where)) {}

    struct Member {
        std::string key;
        std::string text;  // the value as --set would take it
        bool is_float = false;
        bool is_boolean = false;  // true and false mean on and off, for switches only
        double number = 0;
    };
    std::vector<Member> members;

    bool null() override { return scalar_fault("null"); }
    bool boolean(bool v) override {
        if (!scalar(v ? "true" : "false")) return false;
        members.back().is_boolean = true;
        return true;
    }
    bool number_integer(number_integer_t v) override { return scalar(std::to_string(v)); }
    bool number_unsigned(number_unsigned_t v) override { return scalar(std::to_string(v)); }
    bool number_float(number_float_t v, const string_t&) override {
        if (!scalar(json_number(v))) return false;
        members.back().is_float = true;
        members.back().number = v;
        return true;
    }
    bool string(string_t& v) override { return scalar(v); }
    bool binary(binary_t&) override { return scalar_fault("binary data"); }
    bool start_object(std::size_t) override {
        if (depth_++ == 0) return true;
        return scalar_fault("an object");
    }
    bool end_object() override {
        --depth_;
        return true;
    }
    bool start_array(std::size_t) override {
        if (depth_++ == 0) return fail("expected a JSON object of parameter names and values");
        return scalar_fault("an array");
    }
    bool end_array() override {
        --depth_;
        return true;
    }
    bool key(string_t& v) override {
        key_ = v;
        return true;
    }
    // Text that is not JSON: FILE:LINE:COLUMN: what is wrong, in the parser's words without its
    // prefix ("unexpected ','; expected string literal").
    bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& e) override {
        if (e.id == 406) return fail((key_.empty() ? "" : "\"" + key_ + "\": ") + "the number " + token + " is out of range");
        // Cut by hand: the text quotes the input, and std::regex recurses once per character.
        const std::string what = e.what();
        const std::size_t line = what.find("line "), column = what.find(", column "), colon = what.find(": ", column);
        if (line == std::string::npos || column == std::string::npos || colon == std::string::npos)
            return fail("not JSON at byte " + std::to_string(position));
        std::string detail = what.substr(colon + 2);
        const std::size_t dash = detail.find(" - ");
        if (detail.starts_with("syntax error while parsing ") && dash != std::string::npos) detail.erase(0, dash + 3);
        if (fault_.empty())
            fault_ = where_ + ":" + what.substr(line + 5, column - line - 5) + ":" + what.substr(column + 9, colon - column - 9) + ": " + detail;
        return false;
    }

    const std::string& fault() const { return fault_; }

private:
    bool scalar(std::string text) {
        if (depth_ != 1) return fail("expected a JSON object of parameter names and values");
        members.push_back({key_, std::move(text)});
        return true;
    }
    bool scalar_fault(const std::string& what) {
        if (depth_ == 0) return fail("expected a JSON object of parameter names and values");
        return fail("\"" + key_ + "\" needs a number or a string, not " + what);
    }
    bool fail(const std::string& fault) {
        if (fault_.empty()) fault_ = where_ + ": " + fault;
        return false;
    }

    std::string where_;
    std::string key_;
    int depth_ = 0;
    std::string fault_;
};

// A number from the file as the text --set would take for this control: whole numbers stay whole.
std::string value_text(const ControlInfo& control, const RecordReader::Member& m) {
    if (!m.is_float || !control.holds_int) return m.text;
    if (m.number == std::trunc(m.number) && std::abs(m.number) < 2147483648.0) return std::to_string(static_cast<long long>(m.number));
    return m.text;
}

}  // namespace

double confirmed_value(const std::vector<ControlValue>& record, const char* field) {
    for (const ControlValue& v : record)
        if (v.control->field == field) {
            if (const int* i = std::get_if<int>(&v.value)) return *i;
            if (const double* d = std::get_if<double>(&v.value)) return *d;
        }
    return 0;
}

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
    return parse_params_text(read_text_file(path), path.string(), controls);
}

std::vector<ControlValue> parse_params_text(std::string_view text, const std::string& where, const Controls& controls) {
    RecordReader reader(where);
    nlohmann::json::sax_parse(text, &reader);
    if (!reader.fault().empty()) throw UsageError(reader.fault());
    std::vector<ControlValue> values;
    for (const RecordReader::Member& m : reader.members) {
        if (m.key == "akt_clone") continue;
        const ControlInfo* control = controls.find(m.key);
        if (!control) throw UsageError(where + ": unknown parameter \"" + m.key + "\"");
        if (control->is_button()) throw UsageError(where + ": \"" + m.key + "\" is a button, not a value");
        if (m.is_boolean && control->unit != ZELKOR_UNIT_SWITCH)
            throw UsageError(where + ": \"" + m.key + "\" needs a number or a string, not " + m.text);
        try {
            TypedValue typed = parse_control_value(*control, value_text(*control, m));
            values.push_back({control, typed.value, typed.popup_name});
        } catch (const UsageError& e) {
            throw UsageError(where + ": " + e.what());
        }
    }
    return values;
}

void write_record_members(JsonWriter& writer, const std::vector<ControlValue>& record, bool popups_by_name) {
    for (const ControlValue& v : record) {
        writer.key(v.control->field);
        if (popups_by_name && !v.popup_name.empty()) writer.value(std::string_view(v.popup_name));
        else if (const int* i = std::get_if<int>(&v.value)) writer.value(*i);
        else if (const double* d = std::get_if<double>(&v.value)) writer.value(*d);
        else writer.null();
    }
}

std::string record_json(const std::vector<ControlValue>& record) {
    JsonWriter writer;
    writer.begin_object();
    write_record_members(writer, record, true);
    writer.end_object();
    return writer.text();
}


}  // namespace zelkor::cli

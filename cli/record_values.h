// The parameter record as control values: what --params reads, --save-params and the report
// write, and --list-params shows. Files hold one JSON object of field names (or labels) and values
// in the record's units; strings take the same suffixes and names as --set.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/controls.h"
#include "host/panel.h"

namespace zelkor::cli {

struct ControlValue {
    const ControlInfo* control = nullptr;
    host::PanelValue value;
    std::string popup_name;  // a weight map named in a file or on the command line, not yet looked up;
                             // in a confirmed record, the name of the entry the popup shows
};

// The record's value of a field as a number (0 when the record lacks it).
double confirmed_value(const std::vector<ControlValue>& record, const char* field);

// The values a newly loaded module starts from, in panel order.
std::vector<ControlValue> default_record(const Controls& controls);

// Throws UsageError for an unreadable file, text that is not a JSON object, an unknown name or a
// value that does not parse. "akt_clone" (the run's clone counter) is accepted and ignored.
std::vector<ControlValue> read_params_file(const std::filesystem::path& path, const Controls& controls);
// The same on text in memory; `where` names it in messages.
std::vector<ControlValue> parse_params_text(std::string_view text, const std::string& where, const Controls& controls);

// Members "field": value, one per control, in the given order (for a JsonWriter's raw members).
// With `popups_by_name`, a popup whose entry is known is written as its name, so that a preset
// picks the same weight map on a target whose maps come in another order.
void write_record_members(class JsonWriter& writer, const std::vector<ControlValue>& record, bool popups_by_name = false);
// A preset: the record with popups by name.
std::string record_json(const std::vector<ControlValue>& record);


}  // namespace zelkor::cli

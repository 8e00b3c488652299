#include "cli/param_list.h"

#include "cli/control_values.h"

namespace zelkor::cli {

namespace {

const ControlValue* find_value(const std::vector<ControlValue>& record, const ControlInfo& control) {
    for (const ControlValue& v : record)
        if (v.control == &control) return &v;
    return nullptr;
}

std::string shown(const ControlValue& v) { return display_value(*v.control, {v.value, v.popup_name, {}}); }

}  // namespace

void print_param_list(std::ostream& out, const Controls& controls, const std::vector<ControlValue>& current) {
    const std::vector<ControlValue> defaults = default_record(controls);
    std::string row;  // the label of the last control that names itself; "Y" and "Z" follow it
    for (const ControlInfo& control : controls.all()) {
        out << "\"" << control.label << "\"";
        if (control.label.size() == 1 && !row.empty()) out << " (of \"" << row << "\")";
        else row = control.label;
        out << "\n";
        if (control.is_button()) {
            out << "    button: --press \"" << control.label << "\"\n";
            continue;
        }
        out << "    field:   " << control.field << "\n";
        out << "    unit:    " << unit_text(control) << "\n";
        if (const ControlValue* v = find_value(defaults, control)) out << "    default: " << shown(*v) << "\n";
        if (const ControlValue* v = find_value(current, control)) out << "    current: " << shown(*v) << "\n";
    }
}

}  // namespace zelkor::cli

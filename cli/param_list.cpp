#include "cli/param_list.h"

#include "cli/control_values.h"

namespace zelkor::cli {

namespace {

const host::PanelValue* find_value(const std::vector<ControlValue>& record, const ControlInfo& control) {
    for (const ControlValue& v : record)
        if (v.control == &control) return &v.value;
    return nullptr;
}

}  // namespace

void print_param_list(std::ostream& out, const std::vector<ControlValue>& current) {
    const std::vector<ControlValue> defaults = default_record();
    for (const ControlInfo& control : all_controls()) {
        out << "\"" << control.label << "\"\n";
        if (control.is_button()) {
            out << "    button: --press \"" << control.label << "\"\n";
            continue;
        }
        out << "    field:   " << control.field << "\n";
        out << "    unit:    " << unit_text(control) << "\n";
        if (const host::PanelValue* v = find_value(defaults, control)) out << "    default: " << display_value(control, *v) << "\n";
        if (const host::PanelValue* v = find_value(current, control)) out << "    current: " << display_value(control, *v) << "\n";
    }
}

}  // namespace zelkor::cli

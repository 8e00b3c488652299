#include "cli/controls.h"

#include "params/panel.h"

namespace zelkor::cli {

namespace {

std::vector<ControlInfo> build_controls() {
    std::vector<ControlInfo> controls;
    for (const LWXPanelControl* row = ctl; row->cid != 0; ++row) {
        ControlInfo info;
        info.id = row->cid;
        info.label = row->label;
        info.control_class = row->ctrlclass;
        for (int k = 0; k < panel_field_count; ++k) {
            if (panel_fields[k].id != row->cid) continue;
            info.field = panel_fields[k].name;
            info.int_field = panel_fields[k].int_field;
            info.double_field = panel_fields[k].double_field;
        }
        controls.push_back(std::move(info));
    }
    return controls;
}

}  // namespace

const std::vector<ControlInfo>& all_controls() {
    static const std::vector<ControlInfo> controls = build_controls();
    return controls;
}

std::vector<const ControlInfo*> value_controls() {
    std::vector<const ControlInfo*> controls;
    for (int k = 0; k < panel_field_count; ++k) controls.push_back(find_control(panel_fields[k].id));
    return controls;
}

const ControlInfo* find_control(std::string_view name) {
    for (const ControlInfo& control : all_controls())
        if ((!control.field.empty() && control.field == name) || control.label == name) return &control;
    return nullptr;
}

const ControlInfo* find_control(unsigned long id) {
    for (const ControlInfo& control : all_controls())
        if (control.id == id) return &control;
    return nullptr;
}

std::string unit_text(const ControlInfo& control) {
    const std::string& c = control.control_class;
    if (c == "angle") return "radians (15deg for degrees)";
    if (c == "percent") return "fraction (25% for percent)";
    if (c == "iBoolean") return "switch (0/1, on/off, true/false)";
    if (c == "iPopChoice") return "weight map (name or index, 0 = none)";
    if (c == "integer") return "whole number";
    if (c == "vButton") return "button";
    return "number";
}

}  // namespace zelkor::cli

#include "cli/controls.h"

namespace zelkor::cli {

Controls::Controls(const zelkor_control* description) {
    for (const zelkor_control* c = description; c && c->id != 0; ++c) {
        ControlInfo info;
        info.id = c->id;
        info.label = c->label ? c->label : "";
        info.field = c->field ? c->field : "";
        info.holds_int = c->holds_int != 0;
        info.unit = zelkor_unit(c->unit);
        info.default_value = c->default_value;
        controls_.push_back(std::move(info));
    }
}

std::vector<const ControlInfo*> Controls::values() const {
    std::vector<const ControlInfo*> values;
    for (const ControlInfo& control : controls_)
        if (!control.is_button()) values.push_back(&control);
    return values;
}

const ControlInfo* Controls::find(std::string_view name) const {
    for (const ControlInfo& control : controls_)
        if ((!control.field.empty() && control.field == name) || control.label == name) return &control;
    return nullptr;
}

const ControlInfo* Controls::find(unsigned long id) const {
    for (const ControlInfo& control : controls_)
        if (control.id == id) return &control;
    return nullptr;
}

std::string unit_text(const ControlInfo& control) {
    switch (control.unit) {
        case ZELKOR_UNIT_RADIANS: return "radians (15deg for degrees)";
        case ZELKOR_UNIT_FRACTION: return "fraction (25% for percent)";
        case ZELKOR_UNIT_SWITCH: return "switch (0/1, on/off, true/false)";
        case ZELKOR_UNIT_POPUP: return "weight map (name or index, 0 = none)";
        case ZELKOR_UNIT_COUNT: return "whole number";
        case ZELKOR_UNIT_BUTTON: return "button";
        case ZELKOR_UNIT_NUMBER: break;
    }
    return "number";
}

}  // namespace zelkor::cli

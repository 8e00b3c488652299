// The module's panel controls as the command line names them: by record field ("num_clones") or
// by label ("Number of Clones"). Taken from the module's own control table, so the names can be
// checked before anything runs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "params/params.h"

namespace zelkor::cli {

struct ControlInfo {
    unsigned long id = 0;
    std::string label;
    std::string control_class;  // "integer", "float", "percent", "angle", "iBoolean", "iPopChoice", "vButton"
    std::string field;          // the record field, empty for a button
    int params_typ::*int_field = nullptr;
    double params_typ::*double_field = nullptr;

    bool is_button() const { return control_class == "vButton"; }
    bool holds_int() const { return int_field != nullptr; }
};

// Every control of the panel in the order of its control table.
const std::vector<ControlInfo>& all_controls();
// The value controls (one per record field) in the order of the record's field table.
std::vector<const ControlInfo*> value_controls();

// By field name or label; null when no control has it.
const ControlInfo* find_control(std::string_view name);
const ControlInfo* find_control(unsigned long id);

// How the command line shows a control's unit.
std::string unit_text(const ControlInfo& control);

}  // namespace zelkor::cli

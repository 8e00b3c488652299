// Values typed for a control, in the record's units unless a suffix says otherwise:
//   angle    0.2618 (radians) or 15deg
//   percent  0.25 (a fraction) or 25%
//   float    a plain number
//   integer  a whole number
//   iBoolean 0/1, on/off, true/false
//   iPopChoice  an entry's name ("none", a weight map) or its index; an index past the entries
//               is kept as it is, as the panel keeps one from an object with more weight maps
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/controls.h"
#include "host/panel.h"

namespace zelkor::cli {

// Throws UsageError with a text that names the control and the value.
host::PanelValue parse_control_value(const ControlInfo& control, std::string_view text,
                                     const std::vector<std::string>& popup_entries);

// A value as --list-params shows it: the record's units, with degrees or percent after it.
std::string display_value(const ControlInfo& control, const host::PanelValue& value);

}  // namespace zelkor::cli

// Values typed for a control, in the record's units unless a suffix says otherwise:
//   angle    0.2618 or 0.2618rad (radians) or 15deg
//   percent  0.25 (a fraction) or 25%
//   float    a plain number
//   integer  a whole number
//   iBoolean 0/1, on/off, true/false
//   popup    a weight map's name ("none" included), looked up among the entries the module gives
//            the panel when it posts it, or an index; an index past the entries is kept as it
//            is, as the panel keeps one from an object with more weight maps
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/controls.h"
#include "host/panel.h"

namespace zelkor::cli {

// A value as typed: a panel value, or for a popup the name of a weight map still to be looked up.
struct TypedValue {
    host::PanelValue value;
    std::string popup_name;  // non-empty: resolved when the panel is posted
    std::string doubt;       // why the value may not be what was meant ("90 is read as radians ...")
};

// Throws UsageError with a text that names the control and the value.
TypedValue parse_control_value(const ControlInfo& control, std::string_view text);

// The popup index of `name` among `entries` (the panel's own list); throws UsageError naming the
// control, the map and the entries when it is not there.
int resolve_popup(const ControlInfo& control, const std::string& name, const std::vector<std::string>& entries);

// A value as --list-params shows it: in the unit a user types (-10deg, 25%), to four digits.
std::string display_value(const ControlInfo& control, const TypedValue& value);

}  // namespace zelkor::cli

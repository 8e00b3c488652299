// zelkor --list-params: every control of the panel with its label, field, unit, default and the
// value it would start from after --params and the --sets (enable rules are left to the run).
#pragma once

#include <ostream>
#include <vector>

#include "cli/record_values.h"

namespace zelkor::cli {

void print_param_list(std::ostream& out, const Controls& controls, const std::vector<ControlValue>& current);

}  // namespace zelkor::cli

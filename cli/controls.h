// The panel controls of the module being run, as the command line names them: by record field
// ("num_clones") or by label ("Number of Clones"). Read from the module's own description of its
// record, so that another build of the module (--module FILE) is described by itself.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "api/controls.h"

namespace zelkor::cli {

struct ControlInfo {
    unsigned long id = 0;
    std::string label;
    std::string field;  // the record field, empty for a button
    bool holds_int = false;
    zelkor_unit unit = ZELKOR_UNIT_BUTTON;
    double default_value = 0;

    bool is_button() const { return unit == ZELKOR_UNIT_BUTTON; }
};

class Controls {
public:
    // `description` is a module's table, ended by an entry with id 0.
    explicit Controls(const zelkor_control* description);

    // Every control in panel order.
    const std::vector<ControlInfo>& all() const { return controls_; }
    // The value controls (one per record field), in panel order.
    std::vector<const ControlInfo*> values() const;
    // By field name or label; null when no control has it.
    const ControlInfo* find(std::string_view name) const;
    const ControlInfo* find(unsigned long id) const;

private:
    std::vector<ControlInfo> controls_;
};

// How the command line shows a control's unit.
std::string unit_text(const ControlInfo& control);

}  // namespace zelkor::cli

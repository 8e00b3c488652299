// The form panel over the parameter record: 28 value controls on the tabs "Basic" and "Advanced",
// the buttons "About", "Zero Angles" and "Reset Values", and five enable rules.
#pragma once

#include "api/controls.h"
#include "api/host_api.h"
#include "params/params.h"

namespace zelkor {


// One control of the panel: its id, label and XPanel class and data type, and for a value
// control the record field it shows (its name, its member, its unit).
struct panel_row {
    unsigned long id;
    const char* label;
    const char* control_class;        // "integer", "float", "percent", "angle", "iBoolean", "iPopChoice", "vButton"
    const char* data_type;            // "integer", "float" or "vButton"
    const char* field;                // the record field's name, e.g. "num_clones"; null for a button
    int params_typ::*int_field;       // set for "integer", "iBoolean" and "iPopChoice" controls
    double params_typ::*double_field; // set for "float", "percent" and "angle" controls
    zelkor_unit unit;
};
// Every control, in the order of the control table.
extern const panel_row panel_rows[];
extern const int panel_row_count;
// The row with this record field or label; null when there is none.
const panel_row* find_panel_row(const char* field_or_label);

// The rows as the module describes them to hosts (zelkor_controls), defaults included.
const zelkor_control* control_description();

// The control and data-description tables made from the rows, each ended by a row with id 0.
extern const LWXPanelControl* const ctl;
extern const LWXPanelDataDesc* const cdata;

// Builds the panel over `rec` with the weight-map popup entries `wg_names` (valid until the panel
// is destroyed) and shows it. Non-zero when the user confirms; 0 on cancel or without a panel.
int display_panel(const params_typ* rec, const char* const* wg_names);

void set_params(const params_typ* rec);
void get_params(params_typ* rec);

// Button handlers.
void defaults();
void zero_angles();

}  // namespace zelkor

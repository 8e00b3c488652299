// The form panel over the parameter record: 28 value controls on the tabs "Basic" and "Advanced",
// the buttons "About", "Zero Angles" and "Reset Values", and five enable rules.
#pragma once

#include "clone/host_api.h"
#include "params/params.h"

namespace zelkor {

extern LWXPanelID xpanel;

// The control and data-description tables, each ended by a row with id 0.
extern const LWXPanelControl ctl[];
extern const LWXPanelDataDesc cdata[];

// One value control and the record field it shows.
struct panel_field {
    unsigned long id;
    const char* name;                 // the record field's name, e.g. "num_clones"
    int params_typ::*int_field;       // set for "integer", "iBoolean" and "iPopChoice" controls
    double params_typ::*double_field; // set for "float", "percent" and "angle" controls
};
extern const panel_field panel_fields[];
extern const int panel_field_count;

// Builds the panel over `rec` with the weight-map popup entries `wg_names` (valid until the panel
// is destroyed) and shows it. Non-zero when the user confirms; 0 on cancel or without a panel.
int display_panel(params_typ* rec, char** wg_names);

void set_params(params_typ* rec);
void get_params(params_typ* rec);

// Button handlers.
void defaults();
void zero_angles();

}  // namespace zelkor

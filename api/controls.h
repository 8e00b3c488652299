// The module's description of its parameter record, for a host that shows or sets the record
// without knowing the module: every control of the panel, in panel order, with its record field,
// label, kind of value, unit and default. Offered by the module beside its server, as plain C, so
// that a host can read it from a loaded module file (symbol "zelkor_controls").
#pragma once

extern "C" {

// How a control's value is meant: the unit the record holds it in.
enum zelkor_unit {
    ZELKOR_UNIT_BUTTON = 0,    // no value: a button
    ZELKOR_UNIT_COUNT = 1,     // a whole number
    ZELKOR_UNIT_SWITCH = 2,    // 0 off, 1 on
    ZELKOR_UNIT_POPUP = 3,     // an index in the weight-map popup, 0 = "none"
    ZELKOR_UNIT_FRACTION = 4,  // a ratio, 1.0 = 100 %
    ZELKOR_UNIT_RADIANS = 5,   // an angle
    ZELKOR_UNIT_NUMBER = 6,    // a plain number
};

struct zelkor_control {
    unsigned long id;      // the panel control's id
    const char* field;     // the record field, null for a button
    const char* label;     // the panel's label
    int holds_int;         // 1: an int value, 0: a double (or none, for a button)
    int unit;              // a zelkor_unit
    double default_value;  // a new record's value (ints exactly); 0 for a button
};

// The controls in panel order, ended by an entry whose id is 0. The table lives as long as the
// module is loaded.
const zelkor_control* zelkor_controls(void);
}

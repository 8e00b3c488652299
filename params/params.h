// Every setting of one clone run, kept while the module is loaded.
//
// The panel edits all fields but akt_clone, which the run loop sets before each clone. A new
// record holds the defaults, which are also what the panel's "Reset Values" button restores.
// Flags are 0 or 1, fractions are plain ratios (1.0 = 100 %), angles are radians. Nothing is
// range-checked: each field holds what the user typed.
#pragma once

namespace zelkor {

class params_typ {
public:
    int akt_clone;           // zero-based number of the clone being made
    int absolute;            // P weight map sets an absolute pitch, not an offset
    int auto_morph_maps;     // append a drawn number to copied morph-map names
    double dependence_power;
    double size_wg_influence;
    int size_wg;             // weight-map list index, 0 = none
    double slope_max;
    double slope_min;
    int slope_limits;
    double jitter;
    double distribution;     // minimum spacing, as a fraction of sqrt(area / num_clones)
    int H_align;
    int P_align;
    // Random angle limits: bank, pitch, heading, each maximum before minimum.
    double B_max;
    double B_min;
    double P_max;
    double P_min;
    double H_max;
    double H_min;
    double size_var_x;       // the only variation used while independent_sizes is off
    double size_var_y;
    double size_var_z;
    int independent_sizes;
    int num_clones;
    int iterations;
    int size_by_area;
    int seed;                // seed of the placement's own generator
    int density_wg;          // weight-map list index, 0 = none
    int P_angle_wg;          // weight-map list index, 0 = none

    params_typ();
    virtual ~params_typ() = default;
};

}  // namespace zelkor

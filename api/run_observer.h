// What a run did, for callers that want a report of it (the command line writes one). Offered by
// the module in addition to its server, as plain C so that a host can reach it in a loaded module.
#pragma once

#include <stdint.h>

extern "C" {

struct zelkor_clone_record {
    int polygon;        // index in the table of target polygons
    double pos[3];
    double H_angle;
    double P_angle;     // meaningful only when has_P_angle
    double area;        // meaningful only when has_area
    int has_P_angle;
    int has_area;
};

struct zelkor_run_summary {
    int target_polygons;
    double poly_avg_area;
    int clone_count;                    // clones built in the run
    int first_clone;                    // build-order index of clones[0]
    int block_count;                    // entries in clones
    const zelkor_clone_record* clones;  // valid during the call only
};

using zelkor_run_observer = void (*)(const zelkor_run_summary* summary, void* context);

// Called for each run that built its clones, after the last clone and before the run's memory is
// released: once per block of up to a few thousand clones, in build order (once, with an empty
// block, when there are none), so that a million clones never need a second copy of themselves.
// Null switches the report off.
void zelkor_set_run_observer(zelkor_run_observer observer, void* context);

// Reseeds the module-wide generator exactly as loading the module at clock value `clock_value`
// seeds it, so that sizes, angles, jitter and morph-map numbers repeat from run to run.
void zelkor_seed_session(uint32_t clock_value);
}

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
    // With ZELKOR_DETAIL_DRAWS: the values drawn for the clone. Template point p lands at
    //   pos + align_heading(align_pitch(heading(pitch(bank(scale * p)))))
    // with bank and align_pitch turns about z, pitch about x, heading and align_heading about y,
    // each as the module turns points (a quarter turn of heading takes +x to +z, of pitch +y to -z,
    // of bank +x to -y). Exact for jitter 0; with jitter every point has a factor of its own.
    double scale[3];      // the sizes drawn, times the size map's factor (equal when sizes are linked)
    double HPB[3];        // heading, pitch, bank
    double align_H;       // 0 when the clone is not turned onto its polygon
    double align_P;
    int has_draws;
};

// One polygon of the table the clones were placed on: its points as x, y, z triples.
struct zelkor_target_polygon {
    int point_count;
    const double* points;
};

struct zelkor_run_summary {
    int target_polygons;
    double poly_avg_area;
    int clone_count;                    // clones built in the run
    int first_clone;                    // build-order index of clones[0]
    int block_count;                    // entries in clones
    const zelkor_clone_record* clones;  // valid during the call only
    const zelkor_target_polygon* polygons;  // target_polygons entries with ZELKOR_DETAIL_POLYGONS, else null
};

// What the observer wants beyond positions (the first two cost memory in proportion to the run).
// ZELKOR_DETAIL_PLACED asks for the report as soon as the clones are placed, before the first is
// built, so that the observer can start on the positions while the module builds; it is ignored
// with ZELKOR_DETAIL_DRAWS, whose values are drawn while building. ZELKOR_DETAIL_TOTALS_ONLY, for an
// observer that keeps no clone, asks for the counts alone: one call with an empty block.
enum { ZELKOR_DETAIL_DRAWS = 1, ZELKOR_DETAIL_POLYGONS = 2, ZELKOR_DETAIL_PLACED = 4, ZELKOR_DETAIL_TOTALS_ONLY = 8 };

using zelkor_run_observer = void (*)(const zelkor_run_summary* summary, void* context);

// Called for each run that reached its clones, after the last clone was built (or placed, see
// ZELKOR_DETAIL_PLACED) and before the run's memory is released: once per block of up to a few
// thousand clones, in build order (once, with an empty block, when there are none), so that a
// million clones never need a second copy of themselves.
// Null switches the report off. `details` is a set of ZELKOR_DETAIL_ flags.
void zelkor_set_run_observer(zelkor_run_observer observer, void* context, int details);

// Reseeds the module-wide generator exactly as loading the module at clock value `clock_value`
// seeds it, so that sizes, angles, jitter and morph-map numbers repeat from run to run.
void zelkor_seed_session(uint32_t clock_value);
}

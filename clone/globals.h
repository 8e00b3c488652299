// Every module-wide variable, in one place.
//
// A run is a fixed sequence of stages (scan, placement, copy) driven by the activation, all on the
// host's thread (the copy computes clones on a second thread of its own, which touches only
// losoj and what it is handed). The stages hand their results to each other through these
// variables. Lifetimes:
//   - module: par, losoj, the run observer, the copy's value buffer: from loading to unloading;
//     par and the state of losoj carry over from one run to the next.
//   - activation: the service pointers, edit and xpanel: set at the start of an activation (xpanel
//     while the panel is up), left behind after it.
//   - run: everything else, from its creation in a run to free_memory() at the run's end (the
//     per-clone values keep the last clone's after it).
// One activation runs at a time: CloneMake refuses a second one while the first runs.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "api/host_api.h"
#include "api/run_observer.h"
#include "math/face.h"
#include "math/vector.h"
#include "params/params.h"
#include "random/random.h"
#include "util/huge_page_allocator.h"

namespace zelkor {

struct pos_typ;
// Placed positions in one block (huge pages: a million of them are 64 MB).
using position_nodes = std::vector<pos_typ, huge_page_allocator<pos_typ>>;
struct IDs_typ;
struct UV_typ;
class spacing_grid;
class template_snapshot;

// Host services of the running activation (null when the host has none).
extern LWMessageFuncs* msg;
extern LWObjectFuncs* objfunc;
extern LWXPanelFuncs* xpanf;
extern DynaMonitorFuncs* monf;
extern MeshEditOp* edit;

// The panel of the running activation (params/panel.cpp).
extern LWXPanelID xpanel;

// The parameter record and the module-wide generator (random/random.h), kept while the module is
// loaded.
extern params_typ par;
extern random losoj;

// Who wants a report of each run (zelkor_set_run_observer); null for nobody.
extern zelkor_run_observer observer;
extern void* observer_context;
extern int observer_details;  // ZELKOR_DETAIL_ flags

// Target polygons (scan.cpp).
extern face6_typ* poly_data;
extern int num_polys;
extern face6_typ* data;
extern int poly_num;

// Clone positions (placement.cpp).
extern pos_typ* pos_list;
extern pos_typ* akt_item;
extern double* WG_val;
extern double poly_avg_area;

// The current clone (copy.cpp, read by transform.cpp).
extern XYZ6_typ HPB_rand;
extern double size_change_x;
extern double size_change_y;
extern double size_change_z;
extern int morph_map_num;

// Point map of the current clone and the object's vertex-map names (copy.cpp).
extern IDs_typ* IDs;
extern UV_typ* UVs;
extern UV_typ* WGs;
extern UV_typ* MMs;
extern UV_typ* MNs;
extern UV_typ* STs;

// When true, placement and copy use the direct algorithms (list walks, a scan of the template per
// clone) instead of the fast structures below. Both give the same results; tests compare them.
// Read once per run, where a stage starts.
extern bool use_reference_structures;

// The fast structures of this run (placement.cpp, copy.cpp): the spacing grid while positions are
// placed, pos_list's nodes in one block, the template read once, the morph-map names by clone
// number.
extern spacing_grid* active_grid;
extern position_nodes position_block;
extern std::unique_ptr<template_snapshot> snapshot;
extern std::vector<std::pair<int, std::vector<std::string>>> morph_names_by_number;

// Each built clone's heading, pitch, bank and sizes, in build order, kept only when the observer
// asks for the draws (copy.cpp).
struct drawn_clone {
    double HPB[3];
    double size[3];
};
extern std::vector<drawn_clone> drawn_clones;

// The copy's buffer for one map value. A host writes as many floats as the map it reads has
// dimensions, and a file may give a map up to 65535 of them.
extern float value_buffer[65536];

}  // namespace zelkor

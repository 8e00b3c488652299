// The state one clone run shares between its stages.
//
// A run is a fixed sequence of stages (scan, placement, copy) driven by the activation, all on the
// host's thread. The stages hand their results to each other through these module-wide variables:
// the parameter record and the generator `losoj` live as long as the module is loaded, everything
// else lives from its creation in a run to free_memory() at the run's end.
#pragma once

#include "api/host_api.h"
#include "math/face.h"
#include "math/vector.h"
#include "params/params.h"

namespace zelkor {

struct pos_typ;
struct IDs_typ;
struct UV_typ;

// Host services of the running activation (null when the host has none).
extern LWMessageFuncs* msg;
extern LWObjectFuncs* objfunc;
extern LWXPanelFuncs* xpanf;
extern DynaMonitorFuncs* monf;
extern MeshEditOp* edit;

// The parameter record, kept while the module is loaded.
extern params_typ par;

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

// When true, placement and copy use the direct list-based algorithms instead of the spatial grid
// and the hash map. Both give the same results; tests compare them.
extern bool use_reference_structures;

}  // namespace zelkor

#include "clone/globals.h"

#include "clone/copy.h"
#include "clone/placement.h"
#include "clone/spacing_grid.h"
#include "clone/template_snapshot.h"

namespace zelkor {

LWMessageFuncs* msg = nullptr;
LWObjectFuncs* objfunc = nullptr;
LWXPanelFuncs* xpanf = nullptr;
DynaMonitorFuncs* monf = nullptr;
MeshEditOp* edit = nullptr;

LWXPanelID xpanel = nullptr;

params_typ par;
random losoj;

zelkor_run_observer observer = nullptr;
void* observer_context = nullptr;
int observer_details = 0;

face6_typ* poly_data = nullptr;
int num_polys = 0;
face6_typ* data = nullptr;
int poly_num = 0;

pos_typ* pos_list = nullptr;
pos_typ* akt_item = nullptr;
double* WG_val = nullptr;
double poly_avg_area = 0.0;

XYZ6_typ HPB_rand;
double size_change_x = 0.0;
double size_change_y = 0.0;
double size_change_z = 0.0;
int morph_map_num = 0;

IDs_typ* IDs = nullptr;
UV_typ* UVs = nullptr;
UV_typ* WGs = nullptr;
UV_typ* MMs = nullptr;
UV_typ* MNs = nullptr;
UV_typ* STs = nullptr;

bool use_reference_structures = false;

spacing_grid* active_grid = nullptr;
position_nodes position_block;
std::unique_ptr<template_snapshot> snapshot;
std::vector<std::pair<int, std::vector<std::string>>> morph_names_by_number;
std::vector<drawn_clone> drawn_clones;

float value_buffer[65536];

}  // namespace zelkor

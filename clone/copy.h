// The geometry of one clone: every background polygon rebuilt through new, transformed points,
// each carrying the template point's vertex-map values and the clone's index in "ZK_index".
#pragma once

#include "api/host_api.h"
#include "params/params.h"

namespace zelkor {

// One entry of the current clone's point map. Deleting an entry deletes the entries after it.
struct IDs_typ {
    LWPntID src_id = nullptr;  // template point
    LWPntID new_id = nullptr;  // the point made for it in this clone
    IDs_typ* next = nullptr;
    ~IDs_typ();
};

// One name of a vertex-map name list (the text belongs to the host). Deleting an entry deletes
// the entries after it.
struct UV_typ {
    const char* name = nullptr;
    UV_typ* next = nullptr;
    ~UV_typ();
};

// Stores at *head the names of the object's maps of `type`, in the host's order; leaves *head
// unchanged when there are none.
void get_any_map_names(LWObjectFuncs* objects, LWID type, UV_typ** head);

// Draws the clone's angles, sizes and morph-map number, then copies the background layer onto
// the position at akt_item. Always true.
bool clone_object(params_typ* par);

// polyScan callback: rebuilds one template polygon for the current clone; `data` is the record.
EDError poly_clone(void* data, const EDPolygonInfo* polygon);

// Before the first clone of a run: reads the template once, so that make_clones can make the
// clones from memory; false when the run uses the direct structures, or the template's maps need
// the per-clone scan of clone_object. end_copy releases what begin_copy made; free_memory calls it.
bool begin_copy();
void end_copy();

// The clone loop over pos_list from akt_item on, after a begin_copy that answered true: for
// each clone i the monitor steps, par->akt_clone = i, the clone is made as clone_object would
// make it, and akt_item moves on.
void make_clones(params_typ* par, LWMonitor* monitor);

// After each clone: adds the current clone's draws to drawn_clones when the observer asked for them.
void remember_draws(const params_typ* par);

struct pos_typ;
struct clone_draws;
// The draws of one clone, from losoj, in clone_object's order: heading, pitch and bank, the sizes
// (on the polygon of `node`), the morph-map number.
clone_draws draw_clone(const params_typ* par, const pos_typ& node);

}  // namespace zelkor

// Where every clone stands: candidate points drawn on the target polygons, kept apart by a minimum
// spacing that relaxes with every failed try, thinned or packed by a density weight map, and
// turned towards their polygon's normal. The result is pos_list, sorted by ascending x.
#pragma once

#include "math/vector.h"
#include "params/params.h"
#include "params/weight_map.h"
#include "random/random.h"

namespace zelkor {

struct pos_typ {
    int polygon;      // index into poly_data
    XYZ6_typ pos;     // the clone's position on that polygon
    double H_angle;   // heading towards the polygon's normal; 0 without alignment
    double P_angle;   // pitch onto the normal (plus the P angle map); set only with alignment
    double area;      // the polygon's area; set only with size_by_area
    pos_typ* next = nullptr;

    pos_typ();
};

// Builds pos_list with exactly par->num_clones positions and sets poly_avg_area.
void set_positions(weight_map* wm, params_typ* par);

// True when candidate c may be taken: a, w and d0 are the polygon's area, the density weight and
// the spacing distance of this try. Draws from losoj when a density map is chosen.
bool check_pos(params_typ* par, XYZ6_typ* c, double a, double w, double d0);

// Links a new node for c into pos_list after every node whose x is not greater than c.x.
pos_typ* add_item(XYZ6_typ c);

// Deletes pos_list's nodes from the head, at most `at_most` of them (the list holds num_clones),
// and leaves pos_list null.
void delete_positions(int at_most);

// Fills WG_val with each target polygon's weight in size map `m` (1.0 when m names no map).
void get_wg_info(int n, weight_map* wm, int m);

// The pitch and heading that turn a clone onto normal `nrm`; a vertical normal takes a random
// heading from `rng`.
struct alignment {
    double P;
    double H;
};
alignment align_with_normal(const XYZ6_typ& nrm, random& rng);
// Whether align_with_normal draws a heading for `nrm` (a level polygon's normal).
bool draws_heading(const XYZ6_typ& nrm);

}  // namespace zelkor

#include "clone/scan.h"

#include <cmath>

#include "clone/copy.h"
#include "clone/globals.h"
#include "clone/placement.h"

namespace zelkor {

namespace {

void delete_table(face6_typ*& table) {
    // delete[] destroys the records from the last to the first.
    delete[] table;
    table = nullptr;
}

template <class Node>
void delete_head(Node*& head) {
    delete head;
    head = nullptr;
}

}  // namespace

EDError check_for_nurbs(void*, const EDPolygonInfo* polygon) {
    if ((polygon->flags & EDDF_SELECT) && polygon->type != LWPOLTYPE_FACE) --num_polys;
    return EDERR_NONE;
}

EDError polscan(void* user, const EDPolygonInfo* polygon) {
    const params_typ* p = static_cast<const params_typ*>(user);
    if (polygon->type != LWPOLTYPE_FACE) return EDERR_NONE;
    if (!(polygon->flags & EDDF_SELECT)) return EDERR_NONE;

    // A polygon the host finds no normal for keeps the zero vector.
    double n[3] = {0.0, 0.0, 0.0};
    edit->polyNormal(edit->state, polygon->pol, n);
    if (p->slope_limits == 1) {
        double slope = std::atan2(std::sqrt(n[2] * n[2] + n[0] * n[0]), n[1]);
        if (slope > p->slope_max) return EDERR_NONE;
        if (p->slope_min > slope) return EDERR_NONE;
    }

    face6_typ& r = data[poly_num];
    r.polID = polygon->pol;
    r.normal = n;
    r.num_points = polygon->numPnts;
    delete[] r.points;
    r.points = new XYZ6_typ[std::size_t(polygon->numPnts > 0 ? polygon->numPnts : 0)];
    for (int i = 0; i < polygon->numPnts; ++i) {
        const EDPointInfo* point = edit->pointInfo(edit->state, polygon->points[i]);
        r.points[i] = point->position;
    }
    ++poly_num;
    return EDERR_NONE;
}

void reserve_memory(int n) {
    if (poly_data) delete_table(poly_data);
    poly_data = new face6_typ[std::size_t(n > 0 ? n : 0)];
}

void free_memory() {
    if (poly_data) delete_table(poly_data);
    if (pos_list) delete_positions(par.num_clones);
    if (IDs) delete_head(IDs);
    end_copy();
    if (UVs) delete_head(UVs);
    if (WGs) delete_head(WGs);
    if (MMs) delete_head(MMs);
    if (MNs) delete_head(MNs);
    if (STs) delete_head(STs);
    if (WG_val) {
        delete[] WG_val;
        WG_val = nullptr;
    }
}

}  // namespace zelkor

#include "params/weight_map.h"

#include "clone/chain.h"

namespace zelkor {

namespace {
const char kNone[] = "none";
}

weight_map::WG_typ::~WG_typ() { delete_chain_after(this); }

weight_map::weight_map(MeshEditOp* session) : edit(session) {}

weight_map::~weight_map() { delete wg_list; }

void weight_map::add_edit(MeshEditOp* session) { edit = session; }

const char** weight_map::get_list(LWObjectFuncs* objf) {
    int n = objf->numVMaps(LWVMAP_WGHT);
    wg_count = n;
    if (n < 1) {
        const char** list = new const char*[2];
        list[0] = kNone;
        list[1] = nullptr;
        return list;
    }
    const char** list = new const char*[std::size_t(n) + 2];
    list[0] = kNone;
    wg_list = map_name_chain<WG_typ>(objf, LWVMAP_WGHT, n);
    int i = 1;
    for (WG_typ* entry = wg_list; entry; entry = entry->next) list[i++] = entry->name;
    list[n + 1] = nullptr;
    return list;
}

weight_map::WG_typ* weight_map::get_name(int index) const {
    if (index <= 0) return nullptr;
    WG_typ* entry = wg_list;
    for (int i = 1; entry && i < index; ++i) entry = entry->next;
    return entry;
}

double weight_map::calc_weight(LWPolID pol, XYZ6_typ, const char* name) const {
    if (!wg_list || !name || !edit || !edit->state) return 1.0;
    edit->pointVSet(edit->state, nullptr, LWVMAP_WGHT, name);
    const EDPolygonInfo* polygon = edit->polyInfo(edit->state, pol);
    if (!polygon) return 0.0;
    // A polygon without points has no mean; it weighs nothing.
    if (polygon->numPnts <= 0) return 0.0;
    float sum = 0.0f;
    for (int i = 0; i < polygon->numPnts; ++i) {
        const EDPointInfo* point = edit->pointInfo(edit->state, polygon->points[i]);
        if (point && point->vmapVec) sum += point->vmapVec[0];
    }
    return double(sum / float(polygon->numPnts));
}

}  // namespace zelkor

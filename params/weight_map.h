// The weight maps of the edited object: their names for the panel's popups, and the weight of a
// polygon in one of them.
#pragma once

#include "api/host_api.h"
#include "math/vector.h"

namespace zelkor {

class weight_map {
public:
    // One name of the chain; deleting an entry deletes the entries after it. Names belong to the host.
    struct WG_typ {
        const char* name = nullptr;
        WG_typ* next = nullptr;
        ~WG_typ();
    };

    WG_typ* wg_list = nullptr;
    MeshEditOp* edit = nullptr;
    int wg_count = 0;

    explicit weight_map(MeshEditOp* session);
    ~weight_map();
    weight_map(const weight_map&) = delete;
    weight_map& operator=(const weight_map&) = delete;

    void add_edit(MeshEditOp* session);

    // The popup list: "none", then the object's weight maps in the host's order, then null.
    // The array is the caller's (delete[]); its texts are not.
    const char** get_list(LWObjectFuncs* objf);

    // Entry `index` of the chain counting from 1, or null for 0, negatives and indices past the end.
    WG_typ* get_name(int index) const;

    // Mean of the polygon's corner weights in map `name` (points without a value count as 0),
    // computed in single precision. 1.0 when there is no map, no name or no session.
    double calc_weight(LWPolID pol, XYZ6_typ pos, const char* name) const;
};

}  // namespace zelkor

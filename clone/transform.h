// The transform of one template vector for the current clone: size, jitter, size-map weight,
// random rotation (bank, pitch, heading) and alignment with the target polygon.
#pragma once

#include "math/turn.h"
#include "math/vector.h"
#include "params/params.h"

namespace zelkor {

// Transforms p for the clone at akt_item with the factors and angles drawn for it. Draws one
// jitter factor from losoj when par->jitter > 0.
XYZ6_typ calc_cloned_point(XYZ6_typ p, params_typ* par);

// The size map's factor for a clone on `polygon` (WG_val as it is); negative weights shrink at
// half the rate positive weights enlarge.
double size_weight_factor(const params_typ* par, int polygon);

struct pos_typ;

// What clone_object draws for one clone, in the order it draws it.
struct clone_draws {
    XYZ6_typ HPB;              // heading, pitch, bank
    double size_x, size_y, size_z;
    bool independent;          // size_y and size_z were drawn
    int morph_map_num;
};

// The same transform with the sines and cosines of the clone's five rotations computed once.
// The arithmetic per point is the one calc_cloned_point does, so results agree to the bit.
class clone_transform {
public:
    // Reads par, the size factors, HPB_rand, akt_item and WG_val as they are for the current clone.
    explicit clone_transform(const params_typ* par);
    // The clone of `node` with the values drawn for it (WG_val is read as it is).
    clone_transform(const params_typ* par, const clone_draws& draws, const pos_typ& node);
    XYZ6_typ apply(XYZ6_typ p) const;

private:
    bool independent_sizes_;
    double sx_, sy_, sz_;
    double jitter_;
    bool weighted_;
    double weight_factor_;
    axis_turn bank_, pitch_, heading_;
    bool p_align_, h_align_;
    axis_turn align_pitch_, align_heading_;
};

}  // namespace zelkor

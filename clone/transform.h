// The transform of one template vector for the current clone: size, jitter, size-map weight,
// random rotation (bank, pitch, heading) and alignment with the target polygon.
#pragma once

#include "math/vector.h"
#include "params/params.h"

namespace zelkor {

// Transforms p for the clone at akt_item with the factors and angles drawn for it. Draws one
// jitter factor from losoj when par->jitter > 0.
XYZ6_typ calc_cloned_point(XYZ6_typ p, params_typ* par);

// The same transform with the sines and cosines of the clone's five rotations computed once.
// The arithmetic per point is the one calc_cloned_point does, so results agree to the bit.
class clone_transform {
public:
    // Reads par, the size factors, HPB_rand, akt_item and WG_val as they are for the current clone.
    explicit clone_transform(const params_typ* par);
    XYZ6_typ apply(XYZ6_typ p) const;

private:
    // One single-axis rotation by angle a: s = sin(-a), c = cos(-a). Rotations about X and Z by
    // exactly 0 leave the vector untouched, which matters for the sign of zero components.
    struct turn {
        double s = 0.0;
        double c = 1.0;
        bool identity = false;
    };
    static turn about_x_or_z(double a);
    static turn about_y(double a);
    static XYZ6_typ rotate_x(const XYZ6_typ& v, const turn& t);
    static XYZ6_typ rotate_y(const XYZ6_typ& v, const turn& t);
    static XYZ6_typ rotate_z(const XYZ6_typ& v, const turn& t);

    bool independent_sizes_;
    double sx_, sy_, sz_;
    double jitter_;
    bool weighted_;
    double weight_factor_;
    turn bank_, pitch_, heading_;
    bool p_align_, h_align_;
    turn align_pitch_, align_heading_;
};

}  // namespace zelkor

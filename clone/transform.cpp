#include "clone/transform.h"

#include <cmath>

#include "clone/globals.h"
#include "clone/placement.h"
#include "random/random.h"

namespace zelkor {

double size_weight_factor(const params_typ* par, int polygon) {
    double w = WG_val[polygon];
    if (w < 0.0) return 1 + (w / 2) * par->size_wg_influence;
    return 1 + w * par->size_wg_influence;
}

XYZ6_typ calc_cloned_point(XYZ6_typ p, params_typ* par) {
    XYZ6_typ v = p;
    if (par->independent_sizes == 1) {
        v.x = v.x * size_change_x;
        v.y = v.y * size_change_y;
        v.z = v.z * size_change_z;
    } else {
        v = v * size_change_x;
    }
    if (par->jitter > 0.0) v = v * losoj.z_zakresu(1 - par->jitter, 1 + par->jitter);
    if (par->size_wg > 0) v = v * size_weight_factor(par, akt_item->polygon);
    v = v.rotate_Z(HPB_rand.z);
    v = v.rotate_X(HPB_rand.y);
    v = v.rotate_Y(HPB_rand.x);
    if (par->P_align == 1) v = v.rotate_Z(akt_item->P_angle);
    if (par->H_align == 1) v = v.rotate_Y(akt_item->H_angle);
    return v;
}

clone_transform::clone_transform(const params_typ* par)
    : clone_transform(par, clone_draws{HPB_rand, size_change_x, size_change_y, size_change_z, true, morph_map_num},
                      *akt_item) {}

clone_transform::clone_transform(const params_typ* par, const clone_draws& draws, const pos_typ& node)
    : independent_sizes_(par->independent_sizes == 1),
      sx_(draws.size_x),
      sy_(draws.size_y),
      sz_(draws.size_z),
      jitter_(par->jitter),
      weighted_(par->size_wg > 0),
      weight_factor_(weighted_ ? size_weight_factor(par, node.polygon) : 1.0),
      bank_(axis_turn::about_x_or_z(draws.HPB.z)),
      pitch_(axis_turn::about_x_or_z(draws.HPB.y)),
      heading_(axis_turn::about_y(draws.HPB.x)),
      p_align_(par->P_align == 1),
      h_align_(par->H_align == 1),
      align_pitch_(p_align_ ? axis_turn::about_x_or_z(node.P_angle) : axis_turn{}),
      align_heading_(h_align_ ? axis_turn::about_y(node.H_angle) : axis_turn{}) {}

XYZ6_typ clone_transform::apply(XYZ6_typ p) const {
    XYZ6_typ v = p;
    if (independent_sizes_) {
        v.x = v.x * sx_;
        v.y = v.y * sy_;
        v.z = v.z * sz_;
    } else {
        v = v * sx_;
    }
    if (jitter_ > 0.0) v = v * losoj.z_zakresu(1 - jitter_, 1 + jitter_);
    if (weighted_) v = v * weight_factor_;
    v = bank_.z(v);
    v = pitch_.x(v);
    v = heading_.y(v);
    if (p_align_) v = align_pitch_.z(v);
    if (h_align_) v = align_heading_.y(v);
    return v;
}

}  // namespace zelkor

#include "params/params.h"

namespace zelkor {

namespace {

// The defaults were set with pi taken as 3.1415: the angle limits are a little under 10
// degrees and the slope maximum a little under 180, and "Reset Values" must restore exactly these.
constexpr double kDefaultPi = 3.1415;
constexpr double kTenDegrees = kDefaultPi / 18;

}  // namespace

params_typ::params_typ()
    : akt_clone(0),
      absolute(0),
      auto_morph_maps(0),
      dependence_power(0.5),
      size_wg_influence(0.5),
      size_wg(0),
      slope_max(kDefaultPi),
      slope_min(0.0),
      slope_limits(0),
      jitter(0.0),
      distribution(0.8),
      H_align(1),
      P_align(1),
      B_max(kTenDegrees),
      B_min(-kTenDegrees),
      P_max(kTenDegrees),
      P_min(-kTenDegrees),
      H_max(kTenDegrees),
      H_min(-kTenDegrees),
      size_var_x(0.25),
      size_var_y(0.25),
      size_var_z(0.25),
      independent_sizes(0),
      num_clones(30),
      iterations(15),
      size_by_area(0),
      seed(25),
      density_wg(0),
      P_angle_wg(0) {}

}  // namespace zelkor

#include "params/params.h"

#include <gtest/gtest.h>

using zelkor::params_typ;

namespace {

// These are also what "Reset Values" restores, so each one is pinned.
TEST(Params, Defaults) {
    params_typ p;
    EXPECT_EQ(p.akt_clone, 0);
    EXPECT_EQ(p.absolute, 0);
    EXPECT_EQ(p.auto_morph_maps, 0);
    EXPECT_EQ(p.dependence_power, 0.5);
    EXPECT_EQ(p.size_wg_influence, 0.5);
    EXPECT_EQ(p.size_wg, 0);
    EXPECT_EQ(p.slope_max, 3.1415);
    EXPECT_EQ(p.slope_min, 0.0);
    EXPECT_EQ(p.slope_limits, 0);
    EXPECT_EQ(p.jitter, 0.0);
    EXPECT_EQ(p.distribution, 0.8);
    EXPECT_EQ(p.H_align, 1);
    EXPECT_EQ(p.P_align, 1);
    // Ten degrees with pi taken as 3.1415.
    for (double max : {p.B_max, p.P_max, p.H_max}) EXPECT_EQ(max, 0.17452777777777778);
    for (double min : {p.B_min, p.P_min, p.H_min}) EXPECT_EQ(min, -0.17452777777777778);
    EXPECT_EQ(p.size_var_x, 0.25);
    EXPECT_EQ(p.size_var_y, 0.25);
    EXPECT_EQ(p.size_var_z, 0.25);
    EXPECT_EQ(p.independent_sizes, 0);
    EXPECT_EQ(p.num_clones, 30);
    EXPECT_EQ(p.iterations, 15);
    EXPECT_EQ(p.size_by_area, 0);
    EXPECT_EQ(p.seed, 25);
    EXPECT_EQ(p.density_wg, 0);
    EXPECT_EQ(p.P_angle_wg, 0);
}

}  // namespace

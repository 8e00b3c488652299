#include "params/params.h"

#include <gtest/gtest.h>

#include <vector>

using zelkor::params_typ;

namespace {

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

TEST(Params, AngleLimitsAreTenDegreesWithPiAs3_1415) {
    params_typ p;
    for (double max : {p.B_max, p.P_max, p.H_max}) EXPECT_EQ(max, 0.17452777777777778);
    for (double min : {p.B_min, p.P_min, p.H_min}) EXPECT_EQ(min, -0.17452777777777778);
    EXPECT_EQ(p.H_max, 3.1415 / 18);
}

TEST(Params, StraightDownPolygonIsAboveDefaultSlopeWindow) {
    params_typ p;
    EXPECT_GT(3.141592653589793, p.slope_max);
}

TEST(Params, FieldsInDeclaredOrder) {
    params_typ p;
    const void* fields[] = {&p.akt_clone, &p.absolute, &p.auto_morph_maps, &p.dependence_power,
                            &p.size_wg_influence, &p.size_wg, &p.slope_max, &p.slope_min,
                            &p.slope_limits, &p.jitter, &p.distribution, &p.H_align, &p.P_align,
                            &p.B_max, &p.B_min, &p.P_max, &p.P_min, &p.H_max, &p.H_min,
                            &p.size_var_x, &p.size_var_y, &p.size_var_z, &p.independent_sizes,
                            &p.num_clones, &p.iterations, &p.size_by_area, &p.seed, &p.density_wg,
                            &p.P_angle_wg};
    ASSERT_EQ(sizeof(fields) / sizeof(fields[0]), 29u);
    for (size_t i = 1; i < 29; ++i)
        EXPECT_LT(static_cast<const char*>(fields[i - 1]), static_cast<const char*>(fields[i]))
            << "field " << i;
}

TEST(Params, FreshRecordRestoresEditedValues) {
    params_typ edited;
    edited.num_clones = -4;
    edited.jitter = 3.5;
    edited.seed = -7;
    params_typ reset;
    EXPECT_EQ(reset.num_clones, 30);
    EXPECT_EQ(reset.jitter, 0.0);
    EXPECT_EQ(reset.seed, 25);
    EXPECT_EQ(edited.num_clones, -4);  // the record checks nothing
}

}  // namespace

#include "params/params.h"

#include <gtest/gtest.h>

#include "params/panel.h"

namespace zelkor {
namespace {

// A new record's values are also what "Reset Values" restores, so each one is pinned.
TEST(Params, Defaults) {
    const double ten_degrees = 0.17452777777777778;  // with pi taken as 3.1415
    const std::pair<const char*, double> expected[] = {
        {"absolute", 0}, {"auto_morph_maps", 0}, {"dependence_power", 0.5}, {"size_wg_influence", 0.5}, {"size_wg", 0},
        {"slope_max", 3.1415}, {"slope_min", 0}, {"slope_limits", 0}, {"jitter", 0}, {"distribution", 0.8}, {"H_align", 1},
        {"P_align", 1}, {"B_max", ten_degrees}, {"B_min", -ten_degrees}, {"P_max", ten_degrees}, {"P_min", -ten_degrees},
        {"H_max", ten_degrees}, {"H_min", -ten_degrees}, {"size_var_x", 0.25}, {"size_var_y", 0.25}, {"size_var_z", 0.25},
        {"independent_sizes", 0}, {"num_clones", 30}, {"iterations", 15}, {"size_by_area", 0}, {"seed", 25},
        {"density_wg", 0}, {"P_angle_wg", 0}};
    const params_typ p;
    EXPECT_EQ(p.akt_clone, 0);
    for (const auto& [field, value] : expected) {
        const panel_row* row = find_panel_row(field);
        ASSERT_NE(row, nullptr) << field;
        EXPECT_EQ(row->int_field ? double(p.*row->int_field) : p.*row->double_field, value) << field;
    }
}

}  // namespace
}  // namespace zelkor

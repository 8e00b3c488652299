// The transform of a template vector for one clone.
#include <functional>

#include <gtest/gtest.h>

#include "clone/globals.h"
#include "clone/placement.h"
#include "clone/transform.h"

namespace zelkor {
namespace {

constexpr double kQuarter = 1.5707963267948966;

// From neutral settings (sizes 1, no turn, no alignment, size weight 0), each case sets what it
// tests; the result is exact, but within 1e-16 of an expected 0 (a quarter turn's cosine).
TEST(Transform, SizesThenRandomTurnThenAlignment) {
    pos_typ node;
    double weights[2];
    const struct { const char* what; std::function<void(params_typ&)> set; XYZ6_typ in, out; } cases[] = {
        {"neutral", [](params_typ&) {}, {1.5, -2.25, 3.0}, {1.5, -2.25, 3.0}},
        {"linked sizes use only x", [](params_typ&) { size_change_x = 2, size_change_y = 3, size_change_z = 4; }, {1, 2, 3}, {2, 4, 6}},
        {"independent sizes",
         [](params_typ& p) { p.independent_sizes = 1, size_change_x = 2, size_change_y = 3, size_change_z = 4; }, {1, 1, 1}, {2, 3, 4}},
        // The size weight grows at full rate and shrinks at half the rate.
        {"size weight 1", [&](params_typ& p) { p.size_wg = 1, p.size_wg_influence = 1.0, weights[1] = 1; }, {2, 2, 2}, {4, 4, 4}},
        {"size weight 0", [&](params_typ& p) { p.size_wg = 1, p.size_wg_influence = 1.0; }, {2, 2, 2}, {2, 2, 2}},
        {"size weight -1", [&](params_typ& p) { p.size_wg = 1, p.size_wg_influence = 1.0, weights[1] = -1; }, {2, 2, 2}, {1, 1, 1}},
        {"bank turns +X to -Y", [](params_typ&) { HPB_rand.z = kQuarter; }, {1, 0, 0}, {0, -1, 0}},
        {"heading turns +X to +Z", [](params_typ&) { HPB_rand.x = kQuarter; }, {1, 0, 0}, {0, 0, 1}},
        // +X -> +Z by the heading, kept by the pitch alignment (about Z), then -X by the heading one (about Y).
        {"alignment after the random turn",
         [&](params_typ& p) { HPB_rand.x = node.P_angle = node.H_angle = kQuarter, p.P_align = p.H_align = 1; }, {1, 0, 0}, {-1, 0, 0}},
        {"align flags other than 1 are off",
         [&](params_typ& p) { HPB_rand.x = node.P_angle = node.H_angle = kQuarter, p.P_align = p.H_align = 2; }, {1, 0, 0}, {0, 0, 1}},
    };
    for (const auto& c : cases) {
        params_typ p;
        p.H_align = p.P_align = 0;
        size_change_x = size_change_y = size_change_z = 1.0;
        HPB_rand = XYZ6_typ();
        node.polygon = 1, node.H_angle = node.P_angle = 0, weights[0] = weights[1] = 0;
        akt_item = &node, WG_val = weights;
        c.set(p);
        XYZ6_typ got = calc_cloned_point(c.in, &p), expected = c.out;
        for (int a = 0; a < 3; ++a) EXPECT_NEAR(got[a], expected[a], expected[a] == 0 ? 1e-16 : 0.0) << c.what << ", axis " << a;
    }
    akt_item = nullptr, WG_val = nullptr;
}

}  // namespace
}  // namespace zelkor

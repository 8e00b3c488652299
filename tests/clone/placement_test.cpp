// Where clones stand: the alignment angles, the acceptance test, the sorted list, the slope window,
// and the weight maps that steer density, pitch and size.
#include <cmath>

#include <gtest/gtest.h>

#include "clone/globals.h"
#include "clone/placement.h"
#include "clone_run.h"
#include "random/random.h"

namespace zelkor::testing {
namespace {

constexpr double kQuarter = 1.5707963267948966;

// Straight down is not tipped over: P is 0, as for straight up. A (nearly) vertical normal takes
// its heading from the given generator with one draw; other normals draw nothing. NAN: not checked.
TEST(Alignment, AnglesByNormal) {
    const struct { XYZ6_typ normal; double P, H; bool drawn; } cases[] = {
        {{1, 0, 0}, kQuarter, 0.0, false}, {{-1, 0, 0}, kQuarter, 3.1415926535898, false}, {{0, 0, 1}, kQuarter, kQuarter, false},
        {{0, 0, -1}, kQuarter, -kQuarter, false}, {{0, 0.9, 0.4}, NAN, NAN, false}, {{0, 1, 0}, 0.0, NAN, true},
        {{0, -1, 0}, 0.0, NAN, true}, {{0.0005, 0.9999997, 0.0005}, NAN, NAN, true}};
    for (const auto& c : cases) {
        random rng, copy;
        rng.fixed(42);
        copy.fixed(42);
        const alignment a = align_with_normal(c.normal, rng);
        const double heading = c.drawn ? copy.z_zakresu(-3.1415927410125732, 3.1415927410125732) : c.H;
        const std::string normal = std::to_string(c.normal.x) + " " + std::to_string(c.normal.y) + " " + std::to_string(c.normal.z);
        EXPECT_TRUE(std::isnan(c.P) || a.P == c.P) << normal << ": P " << a.P;
        EXPECT_TRUE(std::isnan(heading) || a.H == heading) << normal << ": H " << a.H;
        EXPECT_EQ(rng.get(), copy.get()) << normal;
    }
}

TEST(CheckPos, SpacingPolygonAreaAndDensityWeight) {
    // The density test draws from losoj between 1 and 200; with weight 1 a draw of 4 or less rejects.
    int pass = 0, fail = 0;
    for (int seed = 1; !pass || !fail; ++seed) {
        random mirror;
        mirror.fixed(seed);
        (mirror.z_zakresu(1, 200) > 4 ? pass : fail) = seed;
    }
    // Against one node at (1, 0, 0), with an average polygon area of 4.
    const struct { const char* what; double x, y, d0, area, weight; int size_by_area, density_wg, seed; bool free; } cases[] = {
        {"exactly at distance d", 0, 0, 1.0, 0, 0, 0, 0, 1, true},
        {"strictly closer", 0, 0, 1.0000001, 0, 0, 0, 0, 1, false},
        {"beyond in y although within in x", 0, 0.5, 0.5, 0, 0, 0, 0, 1, true},
        {"distribution 0 never rejects", 1, 0, 0.0, 0, 0, 0, 0, 1, true},
        {"0.75 of the average area: d = 0.9", 0, 0, 1.2, 3.0, 0, 1, 0, 1, true},
        {"0.75 of the average area: d = 1.05", 0, 0, 1.4, 3.0, 0, 1, 0, 1, false},
        {"a tiny polygon tightens down to half: d = 0.95", 0, 0, 1.9, 0.1, 0, 1, 0, 1, true},
        {"larger than average keeps d0", 0, 0, 1.5, 8.0, 0, 1, 0, 1, false},
        {"weight 1 divides d by 6: 5.9 / 6 < 1", 0, 0, 5.9, 0, 1.0, 0, 1, pass, true},
        {"weight 1: 6.1 / 6 > 1", 0, 0, 6.1, 0, 1.0, 0, 1, pass, false},
        {"far from everything, yet drawn out", -50, 0, 5.9, 0, 1.0, 0, 1, fail, false},
        {"weight -0.5 multiplies d by 3.5: reaches 3 away", 4, 0, 1.0, 0, -0.5, 0, 1, pass, false},
        {"weight -0.5, another draw", 4, 0, 1.0, 0, -0.5, 0, 1, fail, false},
        {"weight -0.8 rejects everything", 50, 0, 0.0, 0, -0.8, 0, 1, 3, false},
    };
    poly_avg_area = 4.0;
    add_item(XYZ6_typ(1, 0, 0));
    for (const auto& c : cases) {
        params_typ p;
        p.size_by_area = c.size_by_area, p.density_wg = c.density_wg;
        XYZ6_typ at(c.x, c.y, 0);
        losoj.fixed(c.seed);
        EXPECT_EQ(check_pos(&p, &at, c.area, c.weight, c.d0), c.free) << c.what;
    }
    random untouched;  // the last case drew nothing
    untouched.fixed(3);
    EXPECT_EQ(losoj.get(), untouched.get());
    delete_positions(1);
}

TEST(SortedList, EqualXGoesAfterTheEarlierOnes) {
    std::vector<pos_typ*> added, order;
    for (double x : {2, 1, 2, 2, 0}) added.push_back(add_item(XYZ6_typ(x, double(added.size()), 0)));
    for (pos_typ* n = pos_list; n; n = n->next) order.push_back(n);
    EXPECT_EQ(order, (std::vector<pos_typ*>{added[4], added[1], added[0], added[2], added[3]}));
    delete_positions(5);
}

// Clones of the quad over an 8 x 8 grid (81 points, 64 unit cells); `name`, when given, is a
// weight map with weight `left` for x <= 4 and `right` beyond.
CloneRun grid_run(int clones, std::function<void(params_typ&)> more = nullptr, const char* name = nullptr,
                  float left = 0, float right = 0) {
    CloneRun run = make_run(grid_layer(8, 8), quad_layer(), [clones, more](params_typ& p) {
        p.num_clones = clones;
        if (more) more(p);
    });
    host::Layer& target = run.document.layers[0];
    for (std::uint32_t p = 0; name && p < target.point_count(); ++p)
        target.vmap(LWVMAP_WGHT, name, 1).set(p, target.position(p)[0] <= 4 ? &left : &right);
    return run;
}

TEST(Placement, ClonesLieOnTheirPolygonsInAscendingXWithTheAnglesAndAreaAskedFor) {
    for (int aligned : {1, 0}) {
        RunReport r = grid_run(30, [aligned](params_typ& p) { p.H_align = p.P_align = aligned, p.size_by_area = !aligned; }).run();
        ASSERT_TRUE(r.summary);
        EXPECT_EQ(r.summary->target_polygons, 64);
        EXPECT_NEAR(r.summary->poly_avg_area, 1.0, 1e-15);
        ASSERT_EQ(r.clones.size(), 30u);
        double x = -1;
        for (const zelkor_clone_record& c : r.clones) {
            EXPECT_LE(x, c.pos[0]) << "clone numbers follow ascending x";
            x = c.pos[0];
            const int cell_x = c.polygon / 8, cell_z = c.polygon % 8;
            EXPECT_EQ(c.pos[1], 0.0);
            EXPECT_TRUE(c.pos[0] >= cell_x && c.pos[0] <= cell_x + 1) << c.pos[0] << " in polygon " << c.polygon;
            EXPECT_TRUE(c.pos[2] >= cell_z && c.pos[2] <= cell_z + 1) << c.pos[2] << " in polygon " << c.polygon;
            EXPECT_EQ(c.has_P_angle, aligned == 1);
            EXPECT_EQ(c.has_area, aligned == 0);
            // The grid faces straight up: pitch 0; without alignment the heading is 0.
            EXPECT_TRUE(aligned ? c.P_angle == 0.0 : c.H_angle == 0.0 && std::abs(c.area - 1.0) < 1e-15)
                << "aligned " << aligned << ": P " << c.P_angle << " H " << c.H_angle << " area " << c.area;
        }
    }
}

TEST(Placement, DensityMapPacksClonesWhereItIsHighAndAnIndexBeyondTheMapsActsAsWeightOne) {
    auto density = [](int index) { return [index](params_typ& p) { p.density_wg = index; }; };
    int right = 0;
    for (const zelkor_clone_record& c : grid_run(60, density(1), "Density", -0.9f, 1.0f).run().clones) right += c.pos[0] >= 4;
    EXPECT_GE(right, 50) << "clones on the dense half";
    CloneRun beyond = grid_run(60, density(5), "Density", 0.3f, 0.3f), ones = grid_run(60, density(1), "Density", 1.0f, 1.0f);
    beyond.run();
    EXPECT_EQ(par.density_wg, 5);  // the index is kept as it was
    ones.run();
    EXPECT_EQ(beyond.document.layers[0].positions, ones.document.layers[0].positions);
}

TEST(Placement, PitchMapSetsThePitchWithAbsoluteAndTiltsFromTheNormalWithout) {
    const double quarter = 1.5707963267949;
    const std::tuple<float, int, double> cases[] = {
        {0.0f, 1, quarter}, {1.0f, 1, 2 * quarter}, {-1.0f, 1, 0.0}, {0.5f, 0, 0.5 * quarter}};
    for (const auto& [weight, absolute, pitch] : cases) {
        RunReport r = grid_run(5, [a = absolute](params_typ& p) { p.P_angle_wg = 1, p.absolute = a; }, "Tilt", weight, weight).run();
        ASSERT_EQ(r.clones.size(), 5u);
        for (const zelkor_clone_record& c : r.clones) EXPECT_EQ(c.P_angle, pitch) << "weight " << weight << " absolute " << absolute;
    }
}

TEST(Placement, SizeMapWeightsScaleTheClones) {
    CloneRun run = grid_run(4, [](params_typ& p) { plain_copies(p), p.size_wg = 1, p.size_wg_influence = 1.0; }, "Size", 1.0f, 1.0f);
    RunReport r = run.run();
    ASSERT_EQ(r.clones.size(), 4u);
    // Weight 1 with full influence doubles the template: corner (-0.5, 0, -0.5) lands at 2x.
    for (std::size_t clone = 0; clone < 4; ++clone)
        EXPECT_EQ(run.document.layers[0].position(81 + 4 * clone)[0], -1.0 + r.clones[clone].pos[0]);
}

TEST(Placement, SlopeWindowKeepsOnlyPolygonsWithinItsInclusiveBounds) {
    // A floor (slope 0) and a wall facing +X (slope pi/2), in one target layer.
    host::Layer target = grid_layer(2, 2);
    const host::Layer wall = wall_layer(5);
    std::uint32_t quad[4];
    for (int k = 0; k < 4; ++k) quad[k] = target.add_point(wall.position(k)[0], wall.position(k)[1], wall.position(k)[2]);
    target.add_polygon(LWPOLTYPE_FACE, quad);
    RunReport r = make_run(std::move(target), quad_layer(), [](params_typ& p) {
        p.num_clones = 8, p.slope_limits = 1, p.slope_min = p.slope_max = kQuarter;  // exactly the wall's slope: inclusive
    }).run();
    ASSERT_TRUE(r.summary);
    EXPECT_EQ(r.summary->target_polygons, 1);
    ASSERT_EQ(r.clones.size(), 8u);
    for (const zelkor_clone_record& c : r.clones) EXPECT_EQ(c.pos[0], 5.0);
}

}  // namespace
}  // namespace zelkor::testing

// Where clones stand: the alignment angles, the acceptance test, the sorted list, the seeds, and
// the weight maps that steer density and pitch.
#include <cmath>

#include <gtest/gtest.h>

#include "clone/globals.h"
#include "clone/placement.h"
#include "clone_run.h"
#include "random/random.h"

namespace zelkor::testing {
namespace {

alignment align(double x, double y, double z, random* rng = nullptr) {
    random fallback;
    fallback.fixed(1);
    return align_with_normal(XYZ6_typ(x, y, z), rng ? *rng : fallback);
}

TEST(Alignment, AnglesByNormal) {
    EXPECT_EQ(align(1, 0, 0).P, 1.5707963267948966);
    EXPECT_EQ(align(1, 0, 0).H, 0.0);
    EXPECT_EQ(align(-1, 0, 0).P, 1.5707963267948966);
    EXPECT_EQ(align(-1, 0, 0).H, 3.1415926535898);
    EXPECT_EQ(align(0, 0, 1).H, 1.5707963267948966);
    EXPECT_EQ(align(0, 0, -1).H, -1.5707963267948966);
    // Straight down is not tipped over: P is 0, as for straight up.
    EXPECT_EQ(align(0, -1, 0).P, 0.0);
    EXPECT_EQ(align(0, 1, 0).P, 0.0);
}

TEST(Alignment, NearlyVerticalNormalsTakeARandomHeadingFromTheGivenGenerator) {
    for (XYZ6_typ n : {XYZ6_typ(0, 1, 0), XYZ6_typ(0, -1, 0), XYZ6_typ(0.0005, 0.9999997, 0.0005)}) {
        random rng, copy;
        rng.fixed(42);
        copy.fixed(42);
        alignment a = align_with_normal(n, rng);
        EXPECT_EQ(a.H, copy.z_zakresu(-3.1415927410125732, 3.1415927410125732));
        EXPECT_EQ(rng.get(), copy.get());  // exactly one draw was spent
    }
    random rng, copy;
    rng.fixed(42);
    copy.fixed(42);
    align_with_normal(XYZ6_typ(0, 0.9, 0.4), rng);
    EXPECT_EQ(rng.get(), copy.get());  // a tilted normal draws nothing
}

class CheckPos : public ::testing::Test {
protected:
    void SetUp() override {
        p = params_typ();
        p.density_wg = 0;
        poly_avg_area = 4.0;
    }
    void TearDown() override {
        while (pos_list) {
            pos_typ* next = pos_list->next;
            delete pos_list;
            pos_list = next;
        }
    }
    void place(double x, double y, double z) { add_item(XYZ6_typ(x, y, z)); }
    bool free_at(double x, double y, double z, double d0, double a = 0, double w = 0) {
        XYZ6_typ c(x, y, z);
        return check_pos(&p, &c, a, w, d0);
    }
    params_typ p;
};

TEST_F(CheckPos, OnlyPositionsStrictlyCloserThanTheDistanceBlock) {
    place(1, 0, 0);
    EXPECT_TRUE(free_at(0, 0, 0, 1.0));       // exactly at distance d
    EXPECT_FALSE(free_at(0, 0, 0, 1.0000001));
    EXPECT_TRUE(free_at(0, 0.5, 0, 0.5));     // beyond in y although within in x
    EXPECT_TRUE(free_at(0, 0, 0, 0.0));       // distribution 0 never rejects
}

TEST_F(CheckPos, SmallPolygonsTightenTheSpacingDownToHalf) {
    p.size_by_area = 1;
    place(1, 0, 0);
    EXPECT_TRUE(free_at(0, 0, 0, 1.2, 4.0 * 0.75));   // 0.75 of the average area: d = 0.9
    EXPECT_FALSE(free_at(0, 0, 0, 1.4, 4.0 * 0.75));  // d = 1.05
    EXPECT_TRUE(free_at(0, 0, 0, 1.9, 0.1));          // a tiny polygon: d = 0.95
    EXPECT_FALSE(free_at(0, 0, 0, 1.5, 8.0));         // larger than average keeps d0
}

TEST_F(CheckPos, DensityWeightScalesTheDistanceAndRejectsAtRandom) {
    p.density_wg = 1;
    place(1, 0, 0);
    // Weight +1 divides the distance by 6; the random test draws from losoj between 1 and 200.
    int passing_seed = 0, failing_seed = 0;
    for (int seed = 1; !passing_seed || !failing_seed; ++seed) {
        random mirror;
        mirror.fixed(seed);
        (mirror.z_zakresu(1, 200) > 4 ? passing_seed : failing_seed) = seed;
    }
    losoj.fixed(passing_seed);
    EXPECT_TRUE(free_at(0, 0, 0, 5.9, 0, 1.0));   // 5.9 / 6 < 1
    losoj.fixed(passing_seed);
    EXPECT_FALSE(free_at(0, 0, 0, 6.1, 0, 1.0));  // 6.1 / 6 > 1
    losoj.fixed(failing_seed);
    EXPECT_FALSE(free_at(-50, 0, 0, 5.9, 0, 1.0));  // far from everything, yet drawn out
    // Weight -0.8 or lower rejects every candidate without drawing.
    losoj.fixed(3);
    EXPECT_FALSE(free_at(50, 0, 0, 0.0, 0, -0.8));
    random untouched;
    untouched.fixed(3);
    EXPECT_EQ(losoj.get(), untouched.get());
}

TEST_F(CheckPos, NegativeDensityWeightWidensTheDistance) {
    p.density_wg = 1;
    place(3, 0, 0);
    // Weight -0.5: the distance is multiplied by 3.5 (1 -> 3.5 reaches the node at 3).
    for (int seed = 0; seed < 50; ++seed) {
        losoj.fixed(seed);
        EXPECT_FALSE(free_at(0, 0, 0, 1.0, 0, -0.5));
    }
}

TEST(SortedList, EqualXGoesAfterTheEarlierOnes) {
    pos_typ* a = add_item(XYZ6_typ(2, 0, 0));
    pos_typ* b = add_item(XYZ6_typ(1, 0, 0));
    pos_typ* c = add_item(XYZ6_typ(2, 1, 0));
    pos_typ* d = add_item(XYZ6_typ(2, 2, 0));
    pos_typ* e = add_item(XYZ6_typ(0, 0, 0));
    std::vector<pos_typ*> order;
    for (pos_typ* n = pos_list; n; n = n->next) order.push_back(n);
    EXPECT_EQ(order, (std::vector<pos_typ*>{e, b, a, c, d}));
    for (pos_typ* n : order) delete n;
    pos_list = nullptr;
}

CloneRun grid_run(int clones) {
    CloneRun run;
    run.document.layers.push_back(grid_layer(8, 8));
    run.document.layers.push_back(quad_layer());
    run.settings = [clones](params_typ& p) { p.num_clones = clones; };
    return run;
}

std::vector<std::array<double, 3>> positions(const RunReport& r) {
    std::vector<std::array<double, 3>> out;
    for (const zelkor_clone_record& c : r.clones) out.push_back({c.pos[0], c.pos[1], c.pos[2]});
    return out;
}

TEST(Placement, SameSeedSamePositionsWhateverTheSessionGenerator) {
    CloneRun first = grid_run(50), second = grid_run(50);
    second.session_seed = 12345;
    RunReport a = first.run(), b = second.run();
    ASSERT_EQ(a.clones.size(), 50u);
    EXPECT_EQ(positions(a), positions(b));
    // Sizes come from the session generator and so differ.
    EXPECT_NE(first.document.layers[0].positions, second.document.layers[0].positions);

    CloneRun other = grid_run(50);
    auto base = other.settings;
    other.settings = [base](params_typ& p) {
        base(p);
        p.seed = 26;
    };
    EXPECT_NE(positions(other.run()), positions(a));
}

TEST(Placement, NegativeSeedActsAsItsPositive) {
    CloneRun plus = grid_run(20), minus = grid_run(20);
    minus.settings = [](params_typ& p) {
        p.num_clones = 20;
        p.seed = -25;
    };
    EXPECT_EQ(positions(plus.run()), positions(minus.run()));
}

TEST(Placement, PositionsLieOnTheirPolygonsAndKeepTheirSpacing) {
    CloneRun run = grid_run(30);
    RunReport r = run.run();
    ASSERT_TRUE(r.summary);
    EXPECT_EQ(r.summary->target_polygons, 64);
    EXPECT_NEAR(r.summary->poly_avg_area, 1.0, 1e-15);
    for (const zelkor_clone_record& c : r.clones) {
        int cell_x = c.polygon / 8, cell_z = c.polygon % 8;
        EXPECT_EQ(c.pos[1], 0.0);
        EXPECT_GE(c.pos[0], cell_x);
        EXPECT_LE(c.pos[0], cell_x + 1);
        EXPECT_GE(c.pos[2], cell_z);
        EXPECT_LE(c.pos[2], cell_z + 1);
        EXPECT_FALSE(c.has_area);
        EXPECT_TRUE(c.has_P_angle);
        EXPECT_EQ(c.P_angle, 0.0);  // the grid faces straight up
    }
}

TEST(Placement, WithoutAlignmentTheHeadingIsZero) {
    CloneRun run = grid_run(10);
    run.settings = [](params_typ& p) {
        p.num_clones = 10;
        p.H_align = 0;
        p.P_align = 0;
        p.size_by_area = 1;
    };
    RunReport r = run.run();
    for (const zelkor_clone_record& c : r.clones) {
        EXPECT_EQ(c.H_angle, 0.0);
        EXPECT_FALSE(c.has_P_angle);
        EXPECT_TRUE(c.has_area);
        EXPECT_NEAR(c.area, 1.0, 1e-15);
    }
}

// A target whose first half (x < 4) has weight `left` and second half weight `right` in map "Density".
CloneRun density_run(float left, float right, int index = 1) {
    CloneRun run = grid_run(60);
    host::Layer& target = run.document.layers[0];
    host::VertexMap& map = target.vmap(LWVMAP_WGHT, "Density", 1);
    for (std::uint32_t p = 0; p < target.point_count(); ++p) {
        float w = target.position(p)[0] <= 4 ? left : right;
        map.set(p, &w);
    }
    run.settings = [index](params_typ& p) {
        p.num_clones = 60;
        p.density_wg = index;
    };
    return run;
}

TEST(Placement, DensityMapPacksClonesWhereItIsHigh) {
    RunReport r = density_run(-0.9f, 1.0f).run();
    int right = 0;
    for (const zelkor_clone_record& c : r.clones) right += c.pos[0] >= 4;
    EXPECT_GE(right, 50) << "clones on the dense half";
}

TEST(Placement, DensityIndexBeyondTheMapsActsAsWeightOne) {
    RunReport beyond = density_run(0.3f, 0.3f, 5).run();
    EXPECT_EQ(par.density_wg, 5);  // the index is kept as it was
    RunReport ones = density_run(1.0f, 1.0f, 1).run();
    EXPECT_EQ(positions(beyond), positions(ones));
}

// Pitches of five clones on the upward grid with a "Tilt" map of weight w everywhere.
std::vector<double> pitches(float w, int absolute) {
    CloneRun run = grid_run(5);
    host::Layer& target = run.document.layers[0];
    host::VertexMap& map = target.vmap(LWVMAP_WGHT, "Tilt", 1);
    for (std::uint32_t p = 0; p < target.point_count(); ++p) map.set(p, &w);
    run.settings = [absolute](params_typ& p) {
        p.num_clones = 5;
        p.P_angle_wg = 1;
        p.absolute = absolute;
    };
    std::vector<double> out;
    for (const zelkor_clone_record& c : run.run().clones) out.push_back(c.P_angle);
    return out;
}

TEST(Placement, PitchMapSetsThePitchWithAbsoluteAndTiltsFromTheNormalWithout) {
    const double quarter = 1.5707963267949;
    EXPECT_EQ(pitches(0.0f, 1), std::vector<double>(5, quarter));
    EXPECT_EQ(pitches(1.0f, 1), std::vector<double>(5, quarter + quarter));
    EXPECT_EQ(pitches(-1.0f, 1), std::vector<double>(5, 0.0));
    EXPECT_EQ(pitches(0.5f, 0), std::vector<double>(5, 0.5 * quarter));  // the grid's own pitch is 0
}

TEST(Placement, SlopeWindowKeepsOnlyPolygonsWithinItsInclusiveBounds) {
    // A floor (slope 0) and a wall facing +X (slope pi/2), in one target layer.
    CloneRun run;
    host::Layer target = grid_layer(2, 2);
    std::uint32_t base = std::uint32_t(target.point_count());
    target.add_point(5, 0, 0);
    target.add_point(5, 1, 0);
    target.add_point(5, 1, 1);
    target.add_point(5, 0, 1);
    std::uint32_t wall[4] = {base, base + 1, base + 2, base + 3};
    target.add_polygon(LWPOLTYPE_FACE, wall);
    run.document.layers.push_back(std::move(target));
    run.document.layers.push_back(quad_layer());
    run.settings = [](params_typ& p) {
        p.num_clones = 8;
        p.slope_limits = 1;
        p.slope_min = 1.5707963267948966;  // exactly the wall's slope: inclusive
        p.slope_max = 1.5707963267948966;
    };
    RunReport r = run.run();
    ASSERT_TRUE(r.summary);
    EXPECT_EQ(r.summary->target_polygons, 1);
    for (const zelkor_clone_record& c : r.clones) EXPECT_EQ(c.pos[0], 5.0);
}

TEST(Placement, SizeMapWeightsScaleTheClones) {
    CloneRun run = grid_run(4);
    host::Layer& target = run.document.layers[0];
    host::VertexMap& map = target.vmap(LWVMAP_WGHT, "Size", 1);
    float one = 1.0f;
    for (std::uint32_t p = 0; p < target.point_count(); ++p) map.set(p, &one);
    run.settings = [](params_typ& p) {
        p.num_clones = 4;
        p.size_wg = 1;
        p.size_wg_influence = 1.0;
        p.size_var_x = 0;
        p.H_min = p.H_max = p.P_min = p.P_max = p.B_min = p.B_max = 0;
        p.H_align = p.P_align = 0;
    };
    RunReport r = run.run();
    const host::Layer& t = run.document.layers[0];
    // Weight 1 with full influence doubles the template: corner (-0.5, 0, -0.5) lands at 2x.
    for (std::size_t clone = 0; clone < 4; ++clone)
        EXPECT_EQ(t.position(81 + 4 * clone)[0], -1.0 + r.clones[clone].pos[0]);
}

}  // namespace
}  // namespace zelkor::testing

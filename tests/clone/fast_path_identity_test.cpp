// The spatial grid and the hash map must answer exactly as the x-sorted list walk and the
// linear point-map search they replace. Random meshes and parameter sets are run both ways and
// compared bit for bit; failures print the case's seed.
#include <algorithm>
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "clone/globals.h"
#include "clone/placement.h"
#include "clone/spacing_grid.h"
#include "clone/transform.h"
#include "clone_run.h"
#include "random/random.h"

namespace zelkor::testing {
namespace {

bool list_blocks(const std::vector<XYZ6_typ>& sorted, const XYZ6_typ& c, double d) {
    for (const XYZ6_typ& q : sorted) {
        if (q.x > c.x + d) return false;
        if (q.x > c.x - d && d > c.calc_distance(q)) return true;
    }
    return false;
}

TEST(FastPathIdentity, SpacingGridAnswersAsTheSortedListWalk) {
    random rng;
    for (int seed = 1; seed <= 300; ++seed) {
        rng.fixed(seed);
        double cell = rng.z_zakresu(0.01, 2.0);
        int n = rng.z_zakresu(0, 200);
        double extent = rng.z_zakresu(0.1, 20.0);
        int flat_axis = rng.z_zakresu(-1, 2);  // -1: none
        // Far from the origin the rounding of c -/+ d matters; the box may miss some points.
        XYZ6_typ offset = rng.percent() < 0.2 ? XYZ6_typ(rng.z_zakresu(-1e6, 1e6)) : XYZ6_typ(0.0);
        double box = extent * rng.z_zakresu(0.3, 1.2);
        auto draw = [&] {
            XYZ6_typ p(rng.z_zakresu(-extent, extent), rng.z_zakresu(-extent, extent), rng.z_zakresu(-extent, extent));
            if (flat_axis >= 0) p[flat_axis] = 0;
            return p.move(offset);
        };
        spacing_grid grid(XYZ6_typ(-box).move(offset), XYZ6_typ(box).move(offset), cell, std::size_t(rng.z_zakresu(0, 400)));
        std::vector<XYZ6_typ> sorted;
        for (int i = 0; i < n; ++i) {
            XYZ6_typ p = draw();
            if (rng.percent() < 0.05 && !sorted.empty()) p.x = sorted[std::size_t(rng.z_zakresu(0, int(sorted.size()) - 1))].x;
            grid.add(p);
            auto at = std::upper_bound(sorted.begin(), sorted.end(), p, [](const XYZ6_typ& a, const XYZ6_typ& b) { return a.x < b.x; });
            sorted.insert(at, p);
        }
        for (int query = 0; query < 200; ++query) {
            XYZ6_typ c = draw();
            if (query % 7 == 0 && !sorted.empty()) c = sorted[std::size_t(rng.z_zakresu(0, int(sorted.size()) - 1))];
            double d = rng.z_zakresu(-0.5, 4.0) * cell;
            if (query % 11 == 0 && !sorted.empty()) d = c.calc_distance(sorted[0]);  // exactly at the distance
            ASSERT_EQ(grid.is_blocked(c, d), list_blocks(sorted, c, d)) << "seed " << seed << " query " << query << " d " << d;
        }
    }
}

TEST(FastPathIdentity, SpacingGridHandlesOddDistancesAndPoints) {
    const XYZ6_typ low(-10), high(10);
    // One point at (1, 0, 0), asked from the origin: a zero cell size scans everything.
    const std::tuple<XYZ6_typ, double, double, bool> grids[] = {
        {low, 0.0, 1.5, true}, {low, NAN, 0.5, false}, {XYZ6_typ(NAN), 1.0, 1.5, true}};
    for (const auto& [corner, cell, d, blocked] : grids) {
        spacing_grid grid(corner, high, cell, 10);
        grid.add(XYZ6_typ(1, 0, 0));
        EXPECT_EQ(grid.is_blocked(XYZ6_typ(0, 0, 0), d), blocked) << "corner " << corner.x << " cell " << cell;
    }
    spacing_grid g(low, high, 1.0, 10);
    g.add(XYZ6_typ(std::nan(""), 0, 0));  // never blocks
    g.add(XYZ6_typ(1e300, 0, 0));
    EXPECT_FALSE(g.is_blocked(XYZ6_typ(0, 0, 0), 1e10));
    EXPECT_FALSE(g.is_blocked(XYZ6_typ(0, 0, 0), std::nan("")));
    EXPECT_FALSE(g.is_blocked(XYZ6_typ(1e300, 0, 0), 1.0));  // 1e300 - 1 is 1e300: q.x > c.x - d fails
    g.add(XYZ6_typ(1e6, 0, 0));
    EXPECT_TRUE(g.is_blocked(XYZ6_typ(1e6 + 0.5, 0, 0), 1.0));
}

host::Layer random_target(random& rng) {
    int cells_x = rng.z_zakresu(1, 12), cells_z = rng.z_zakresu(1, 12);
    host::Layer layer = grid_layer(cells_x, cells_z, rng.z_zakresu(0.2, 3.0));
    // Bumps (or a level ground, where every clone draws its heading) and some degenerate
    // polygons: a triangle with a repeated point, a 2-point face.
    const double bumps = rng.percent() < 0.25 ? 0.0 : 0.6;
    for (std::size_t p = 0; p < layer.point_count(); ++p) layer.positions[3 * p + 1] = bumps == 0.0 ? 0.0 : rng.z_zakresu(-bumps, bumps);
    const std::uint32_t tri[3] = {0, 0, 1}, edge[2] = {1, 2};
    layer.add_polygon(LWPOLTYPE_FACE, tri);
    if (rng.TorF()) layer.add_polygon(LWPOLTYPE_FACE, edge);
    host::VertexMap& density = layer.vmap(LWVMAP_WGHT, "Density", 1);
    for (std::uint32_t p = 0; p < layer.point_count(); ++p)
        if (rng.percent() >= 0.1) {
            const float w = float(rng.z_zakresu(-1.0, 1.5));
            density.set(p, &w);
        }
    return layer;
}

host::Layer random_template(random& rng) {
    host::Layer layer = rng.TorF() ? cube_layer() : quad_layer();
    for (double& v : layer.positions) v += rng.z_zakresu(-0.2, 0.2);
    layer.vmap(LWVMAP_TXUV, "UV", 2);
    layer.vmap(LWVMAP_MORF, "Smile", 3);  // both made first: a new map may move the others
    host::VertexMap& uv = *layer.find_vmap(LWVMAP_TXUV, "UV");
    host::VertexMap& morph = *layer.find_vmap(LWVMAP_MORF, "Smile");
    for (std::uint32_t p = 0; p < layer.point_count(); ++p) {
        float t[2] = {float(rng.percent()), float(rng.percent())};
        if (rng.TorF()) uv.set(p, t);
        float m[3] = {float(rng.z_zakresu(-1.0, 1.0)), float(rng.z_zakresu(-1.0, 1.0)), float(rng.z_zakresu(-1.0, 1.0))};
        if (rng.TorF()) morph.set(p, m);
    }
    return layer;
}

params_typ random_params(random& rng) {
    params_typ p;
    p.num_clones = rng.z_zakresu(0, 150), p.iterations = rng.z_zakresu(-1, 30);
    p.distribution = rng.z_zakresu(0.0, 2.5), p.seed = rng.z_zakresu(-1000, 1000);
    p.size_by_area = rng.TorF(), p.dependence_power = rng.z_zakresu(0.1, 2.0);
    p.density_wg = rng.percent() < 0.4 ? rng.z_zakresu(0, 3) : 0;
    p.size_wg = rng.percent() < 0.3 ? 1 : 0, p.size_wg_influence = rng.z_zakresu(0.0, 1.0);
    p.P_angle_wg = rng.percent() < 0.3 ? 1 : 0, p.absolute = rng.TorF();
    p.H_align = rng.TorF(), p.P_align = rng.TorF(), p.independent_sizes = rng.TorF();
    p.jitter = rng.TorF() ? rng.z_zakresu(0.0, 0.5) : 0.0, p.auto_morph_maps = rng.z_zakresu(-2, 3);
    if (rng.TorF()) p.H_min = p.H_max = 0;
    return p;
}

TEST(FastPathIdentity, WholeRunsMatchTheReferenceStructuresBitForBit) {
    random rng;
    for (int seed = 1; seed <= 40; ++seed) {
        rng.fixed(seed * 7919);
        host::Document document;
        document.layers.push_back(random_target(rng));
        document.layers.push_back(random_template(rng));
        const params_typ values = random_params(rng);

        // The same case run with the fast structures, then with the reference ones.
        RunReport reports[2];
        host::Document results[2];
        for (int reference = 0; reference < 2; ++reference) {
            CloneRun run;
            run.document = document;
            run.settings = [values](params_typ& p) { p = values; };
            run.reference_structures = reference == 1;
            run.session_seed = seed;
            reports[reference] = run.run();
            results[reference] = std::move(run.document);
        }
        const host::Layer &a = results[0].layers[0], &b = results[1].layers[0];
        ASSERT_EQ(reports[0].clones.size(), reports[1].clones.size()) << "seed " << seed;
        for (std::size_t i = 0; i < reports[0].clones.size(); ++i)
            ASSERT_EQ(std::memcmp(&reports[0].clones[i], &reports[1].clones[i], sizeof(zelkor_clone_record)), 0)
                << "seed " << seed << " clone " << i;
        ASSERT_EQ(a.positions.size(), b.positions.size()) << "seed " << seed;
        ASSERT_EQ(std::memcmp(a.positions.data(), b.positions.data(), a.positions.size() * sizeof(double)), 0) << "seed " << seed;
        ASSERT_EQ(a.poly_points, b.poly_points) << "seed " << seed;
        ASSERT_EQ(a.vmaps.size(), b.vmaps.size()) << "seed " << seed;
        for (std::size_t m = 0; m < a.vmaps.size(); ++m) {
            EXPECT_EQ(a.vmaps[m].name, b.vmaps[m].name) << "seed " << seed;
            EXPECT_TRUE(a.vmaps[m].same_values(b.vmaps[m])) << "seed " << seed << " map " << a.vmaps[m].name;
        }
    }
}

TEST(FastPathIdentity, PreparedTransformMatchesThePerPointRotations) {
    random rng;
    for (int seed = 1; seed <= 2000; ++seed) {
        rng.fixed(seed);
        params_typ p;
        p.independent_sizes = rng.TorF(), p.jitter = rng.TorF() ? rng.z_zakresu(0.0, 1.5) : 0.0;
        p.size_wg = rng.TorF(), p.size_wg_influence = rng.z_zakresu(-1.0, 2.0);
        p.P_align = rng.TorF(), p.H_align = rng.TorF();
        size_change_x = rng.z_zakresu(-2.0, 2.0), size_change_y = rng.z_zakresu(-2.0, 2.0), size_change_z = rng.z_zakresu(-2.0, 2.0);
        // Zero angles take the untouched path of rotate_X and rotate_Z, which keeps signed zeros.
        auto angle = [&rng] { return rng.percent() < 0.3 ? 0.0 : rng.z_zakresu(-7.0, 7.0); };
        HPB_rand = XYZ6_typ(angle(), angle(), angle());
        double weights[1] = {rng.z_zakresu(-2.0, 2.0)};
        pos_typ node;
        node.polygon = 0, node.H_angle = angle(), node.P_angle = angle();
        WG_val = weights, akt_item = &node;
        clone_transform prepared(&p);
        for (int i = 0; i < 5; ++i) {
            XYZ6_typ v(rng.z_zakresu(-5.0, 5.0), i == 0 ? -0.0 : rng.z_zakresu(-5.0, 5.0), i == 1 ? 0.0 : rng.z_zakresu(-5.0, 5.0));
            losoj.fixed(seed + i);
            XYZ6_typ expected = calc_cloned_point(v, &p);
            losoj.fixed(seed + i);
            XYZ6_typ got = prepared.apply(v);
            ASSERT_EQ(std::memcmp(&expected, &got, sizeof(XYZ6_typ)), 0) << "seed " << seed << " point " << i;
        }
        WG_val = nullptr, akt_item = nullptr;
    }
}

}  // namespace
}  // namespace zelkor::testing

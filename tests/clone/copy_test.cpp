// The geometry of the clones: points and polygons per clone, their sizes, the clone index map, and
// every kind of vertex map carried onto the clones.
#include <algorithm>
#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "clone_run.h"
#include "math/vector.h"

namespace zelkor::testing {
namespace {

// The 6 x 6 grid has 49 points and 36 polygons; the clones' come after them.
constexpr std::size_t kGridPoints = 49, kGridPolygons = 36;

CloneRun over_grid(host::Layer templ, std::function<void(params_typ&)> settings) {
    return make_run(grid_layer(6, 6), std::move(templ), std::move(settings));
}

TEST(GeometryCopy, CubeClonesAreTheTemplateMovedWithItsTopology) {
    CloneRun run = over_grid(cube_layer(), [](params_typ& p) { plain_copies(p), p.num_clones = 3; });
    RunReport r = run.run();
    const host::Layer &target = run.document.layers[0], &cube = run.document.layers[1];
    ASSERT_EQ(r.clones.size(), 3u);
    ASSERT_EQ(std::pair(target.point_count(), target.polygon_count()), std::pair(kGridPoints + 24, kGridPolygons + 18));
    // New points come in the order template points are first met: 0,1,2,3,4,7,6,5.
    const std::uint32_t first_met[8] = {0, 1, 2, 3, 4, 7, 6, 5};
    for (std::size_t clone = 0; clone < 3; ++clone) {
        const std::size_t first = kGridPoints + clone * 8;
        for (std::size_t f = 0; f < 6; ++f) {
            auto made = target.polygon(kGridPolygons + clone * 6 + f);
            auto source = cube.polygon(f);
            ASSERT_EQ(made.size(), source.size());
            for (std::size_t c = 0; c < source.size(); ++c)
                EXPECT_EQ(made[c], first + (std::find(first_met, first_met + 8, source[c]) - first_met));
        }
        for (std::size_t k = 0; k < 8; ++k)
            for (int axis = 0; axis < 3; ++axis)
                EXPECT_EQ(target.position(first + k)[axis], cube.position(first_met[k])[axis] + r.clones[clone].pos[axis]);
    }
}

TEST(GeometryCopy, IndependentSizesScaleYByItsOwnVariationAndLinkedSizesScaleUniformly) {
    for (int independent : {0, 1}) {
        CloneRun run = over_grid(cube_layer(), [independent](params_typ& p) {
            plain_copies(p);  // x varies by 0
            p.size_var_y = 0.5, p.size_var_z = 0, p.independent_sizes = independent, p.num_clones = 5;
        });
        run.run();
        const host::Layer& target = run.document.layers[0];
        ASSERT_EQ(target.point_count(), kGridPoints + 40);
        std::set<double> heights;
        for (std::size_t first = kGridPoints; first < target.point_count(); first += 8) {
            // A clone's size: its copy of the cube's corner (1, 1, 1), the 7th point, less that of (0, 0, 0).
            const double *far = target.position(first + 6), *near = target.position(first);
            EXPECT_NEAR(far[0] - near[0], 1.0, 1e-12) << "independent " << independent << ", clone at " << first;
            EXPECT_NEAR(far[2] - near[2], 1.0, 1e-12) << "independent " << independent << ", clone at " << first;
            heights.insert(far[1] - near[1]);
        }
        // Linked: every height is 1. Independent: each clone draws its own, within 1 -/+ 0.5.
        EXPECT_EQ(heights.size(), independent ? 5u : 1u) << "independent " << independent;
        EXPECT_TRUE(independent ? *heights.begin() >= 0.5 && *heights.rbegin() <= 1.5 : *heights.begin() == 1.0)
            << "independent " << independent << ": " << *heights.begin() << " to " << *heights.rbegin();
    }
}

TEST(GeometryCopy, ClonesCarryThePolygonTypeTagsAndEveryPointMap) {
    host::Layer templ = quad_layer();
    templ.poly_type[0] = LWPOLTYPE_PTCH;
    const float uv[2] = {0.25f, 0.75f}, weight[1] = {-0.5f}, subpatch[1] = {0.125f};
    const float spot[3] = {1.5f, -2.5f, 3.25f}, offset[3] = {0.5f, -1.0f, 2.0f};
    templ.vmap(LWVMAP_TXUV, "Texture", 2).set(1, uv);
    templ.vmap(LWVMAP_WGHT, "Stone", 1).set(2, weight);
    templ.vmap(LWVMAP_MNVW, "Crease", 1).set(0, subpatch);
    templ.vmap(LWVMAP_SPOT, "Pose", 3).set(3, spot);
    templ.vmap(LWVMAP_MORF, "Smile", 3).set(2, offset);
    CloneRun run = over_grid(std::move(templ), [](params_typ& p) {
        plain_copies(p);
        p.size_by_area = 1, p.dependence_power = 2.0, p.num_clones = 4;  // every cell has the average area: size 2
    });
    const std::pair<LWID, int> tags[] = {{LWPTAG_SURF, run.document.tag_index("Rock")},
                                         {LWPTAG_PART, run.document.tag_index("Pebbles")}, {LWPTAG_SMGP, 3}};
    for (auto [kind, value] : tags) run.document.layers[1].set_tag(kind, 0, value);
    run.run();
    const host::Layer& target = run.document.layers[0];
    ASSERT_EQ(target.polygon_count(), kGridPolygons + 4);
    using Values = std::vector<std::vector<float>>;
    for (std::size_t clone = 0; clone < 4; ++clone) {
        const std::size_t poly = kGridPolygons + clone, first = kGridPoints + 4 * clone;
        EXPECT_EQ(target.poly_type[poly], LWPOLTYPE_PTCH);
        for (auto [kind, value] : tags) EXPECT_EQ(target.tag(kind, poly), value) << "polygon " << poly;
        // The clone index map holds index over count.
        EXPECT_EQ(map_values(target, LWVMAP_WGHT, "ZK_index", first, 4), Values(4, std::vector<float>{clone / 4.0f}));
        // Per-point maps are copied only where the template has values.
        EXPECT_EQ(map_values(target, LWVMAP_TXUV, "Texture", first, 4), (Values{{}, {0.25f, 0.75f}, {}, {}}));
        EXPECT_EQ(map_values(target, LWVMAP_WGHT, "Stone", first, 4), (Values{{}, {}, {-0.5f}, {}}));
        EXPECT_EQ(map_values(target, LWVMAP_MNVW, "Crease", first, 4), (Values{{0.125f}, {}, {}, {}}));
        // Absolute morph positions are copied unchanged; relative ones scale with the clone.
        EXPECT_EQ(map_values(target, LWVMAP_SPOT, "Pose", first, 4), (Values{{}, {}, {}, {1.5f, -2.5f, 3.25f}}));
        EXPECT_EQ(map_values(target, LWVMAP_MORF, "Smile", first, 4), (Values{{}, {}, {1.0f, -2.0f, 4.0f}, {}}));
    }
    EXPECT_EQ(map_values(target, LWVMAP_WGHT, "ZK_index", 0, kGridPoints), Values(kGridPoints));  // not the target's own
}

TEST(GeometryCopy, RelativeMorphsTurnWithTheAlignment) {
    host::Layer templ = quad_layer();
    const float up[3] = {0.0f, 1.0f, 0.0f};
    templ.vmap(LWVMAP_MORF, "Smile", 3).set(0, up);
    // Newell's normal of the wall is (1, 0, 0), so P = pi/2 and H = 0.
    CloneRun run = make_run(wall_layer(0), std::move(templ),
                            [](params_typ& p) { plain_copies(p), p.P_align = p.H_align = 1, p.num_clones = 1; });
    RunReport r = run.run();
    ASSERT_EQ(r.clones.size(), 1u);
    EXPECT_EQ(r.clones[0].P_angle, std::acos(0.0));
    EXPECT_EQ(r.clones[0].H_angle, 0.0);
    const std::vector<float> morph = map_values(run.document.layers[0], LWVMAP_MORF, "Smile", 4, 1)[0];
    ASSERT_EQ(morph.size(), 3u);
    // rotate_Z(pi/2) takes +Y to +X.
    EXPECT_EQ(morph[0], 1.0f);
    EXPECT_NEAR(morph[1], 0.0f, 1e-7);
    EXPECT_EQ(morph[2], 0.0f);
}

TEST(GeometryCopy, AutoMorphMapsSpreadClonesOverNumberedCopies) {
    const std::pair<int, std::set<std::string>> cases[] = {
        {0, {"Smile"}},
        {2, {"Smile1", "Smile2", "Smile3"}},
        {-1, {"Smile1"}},  // negative counts draw from a range below zero, truncated toward zero
        {-3, {"Smile-1", "Smile", "Smile1"}},
    };
    for (const auto& [count, expected] : cases) {
        host::Layer templ = quad_layer();
        const float offset[3] = {0.0f, 0.1f, 0.0f};
        templ.vmap(LWVMAP_MORF, "Smile", 3).set(0, offset);
        CloneRun run = over_grid(std::move(templ), [count](params_typ& p) { p.auto_morph_maps = count, p.num_clones = 60; });
        run.run();
        std::set<std::string> written;  // the morph maps that got a value
        for (const host::VertexMap& m : run.document.layers[0].vmaps)
            if (m.type == LWVMAP_MORF && m.value_count() > 0) written.insert(m.name);
        EXPECT_EQ(written, expected) << "auto_morph_maps " << count;
    }
}

}  // namespace
}  // namespace zelkor::testing

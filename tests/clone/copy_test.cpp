// The geometry of the clones: points and polygons per clone, the clone index map, and every kind
// of vertex map carried onto the clones.
#include <algorithm>
#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "clone/globals.h"
#include "clone_run.h"
#include "random/random.h"

namespace zelkor::testing {
namespace {

// Settings under which a clone is an exact translated copy of the template.
void plain_copies(params_typ& p) {
    p.size_var_x = 0;
    p.H_min = p.H_max = p.P_min = p.P_max = p.B_min = p.B_max = 0;
    p.H_align = 0;
    p.P_align = 0;
}

CloneRun over_grid(host::Layer templ) {
    CloneRun run;
    run.document.layers.push_back(grid_layer(6, 6));
    run.document.layers.push_back(std::move(templ));
    return run;
}

TEST(GeometryCopy, QuadGivesFourPointsAndOnePolygonPerClone) {
    CloneRun run = over_grid(quad_layer());
    run.settings = [](params_typ& p) { p.num_clones = 7; };
    RunReport r = run.run();
    const host::Layer& target = run.document.layers[0];
    EXPECT_EQ(r.activation.session.points_added, 28u);
    EXPECT_EQ(r.activation.session.polygons_added, 7u);
    EXPECT_EQ(target.point_count(), 49u + 28u);
    EXPECT_EQ(target.polygon_count(), 36u + 7u);
}

TEST(GeometryCopy, CubeSharesItsEightPointsBetweenItsSixFaces) {
    CloneRun run = over_grid(cube_layer());
    run.settings = [](params_typ& p) { p.num_clones = 3; };
    run.run();
    const host::Layer& target = run.document.layers[0];
    ASSERT_EQ(target.point_count(), 49u + 24u);
    ASSERT_EQ(target.polygon_count(), 36u + 18u);
    // Clone topology equals the template's: same corners, offset by the clone's first point.
    const host::Layer& cube = run.document.layers[1];
    for (int clone = 0; clone < 3; ++clone)
        for (std::size_t f = 0; f < 6; ++f) {
            auto made = target.polygon(36 + clone * 6 + f);
            auto source = cube.polygon(f);
            ASSERT_EQ(made.size(), source.size());
            for (std::size_t c = 0; c < source.size(); ++c) {
                // New points come in the order template points are first met: 0,1,2,3,4,7,6,5.
                static const std::uint32_t first_met[8] = {0, 1, 2, 3, 4, 7, 6, 5};
                std::uint32_t rank = std::uint32_t(std::find(first_met, first_met + 8, source[c]) - first_met);
                EXPECT_EQ(made[c], 49u + clone * 8u + rank);
            }
        }
}

TEST(GeometryCopy, PlainCopiesAreTheTemplateMovedToTheirPositions) {
    CloneRun run = over_grid(cube_layer());
    run.settings = [](params_typ& p) {
        plain_copies(p);
        p.num_clones = 5;
    };
    RunReport r = run.run();
    ASSERT_EQ(r.clones.size(), 5u);
    const host::Layer& target = run.document.layers[0];
    const host::Layer& cube = run.document.layers[1];
    static const std::uint32_t first_met[8] = {0, 1, 2, 3, 4, 7, 6, 5};
    for (std::size_t clone = 0; clone < 5; ++clone)
        for (std::size_t k = 0; k < 8; ++k) {
            const double* made = target.position(49 + clone * 8 + k);
            const double* source = cube.position(first_met[k]);
            for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(made[axis], source[axis] + r.clones[clone].pos[axis]);
        }
}

TEST(GeometryCopy, ClonePolygonsKeepTheTemplateTypeAndTags) {
    host::Layer templ = quad_layer();
    templ.poly_type[0] = LWPOLTYPE_PTCH;
    CloneRun run = over_grid(std::move(templ));
    int rock = run.document.tag_index("Rock");
    int part = run.document.tag_index("Pebbles");
    run.document.layers[1].set_tag(LWPTAG_SURF, 0, rock);
    run.document.layers[1].set_tag(LWPTAG_PART, 0, part);
    run.document.layers[1].set_tag(LWPTAG_SMGP, 0, 3);
    run.settings = [](params_typ& p) { p.num_clones = 2; };
    run.run();
    const host::Layer& target = run.document.layers[0];
    for (std::size_t poly = 36; poly < 38; ++poly) {
        EXPECT_EQ(target.poly_type[poly], LWPOLTYPE_PTCH);
        EXPECT_EQ(target.tag(LWPTAG_SURF, poly), rock);
        EXPECT_EQ(target.tag(LWPTAG_PART, poly), part);
        EXPECT_EQ(target.tag(LWPTAG_SMGP, poly), 3);
    }
}

TEST(GeometryCopy, CloneIndexMapHoldsIndexOverCount) {
    CloneRun run = over_grid(quad_layer());
    run.settings = [](params_typ& p) { p.num_clones = 4; };
    run.run();
    auto values = map_values(run.document.layers[0], LWVMAP_WGHT, "ZK_index", 49, 16);
    const float expected[4] = {0.0f, 0.25f, 0.5f, 0.75f};
    for (std::size_t p = 0; p < 16; ++p) {
        ASSERT_EQ(values[p].size(), 1u) << "point " << p;
        EXPECT_EQ(values[p][0], expected[p / 4]);
    }
    // The target's own points get no index.
    EXPECT_TRUE(map_values(run.document.layers[0], LWVMAP_WGHT, "ZK_index", 0, 1)[0].empty());
}

TEST(GeometryCopy, CloneNumbersFollowAscendingX) {
    CloneRun run = over_grid(quad_layer());
    run.settings = [](params_typ& p) { p.num_clones = 40; };
    RunReport r = run.run();
    ASSERT_EQ(r.clones.size(), 40u);
    for (std::size_t i = 1; i < r.clones.size(); ++i) EXPECT_LE(r.clones[i - 1].pos[0], r.clones[i].pos[0]);
}

TEST(GeometryCopy, PerPointMapsAreCopiedOnlyWhereTheTemplateHasValues) {
    host::Layer templ = quad_layer();
    const float uv[2] = {0.25f, 0.75f};
    const float weight[1] = {-0.5f};
    const float subpatch[1] = {0.125f};
    const float spot[3] = {1.5f, -2.5f, 3.25f};
    templ.vmap(LWVMAP_TXUV, "Texture", 2).set(1, uv);
    templ.vmap(LWVMAP_WGHT, "Stone", 1).set(2, weight);
    templ.vmap(LWVMAP_MNVW, "Crease", 1).set(0, subpatch);
    templ.vmap(LWVMAP_SPOT, "Pose", 3).set(3, spot);
    CloneRun run = over_grid(std::move(templ));
    run.settings = [](params_typ& p) { p.num_clones = 2; };
    run.run();
    const host::Layer& target = run.document.layers[0];
    for (std::size_t clone = 0; clone < 2; ++clone) {
        std::size_t first = 49 + 4 * clone;
        auto uvs = map_values(target, LWVMAP_TXUV, "Texture", first, 4);
        EXPECT_TRUE(uvs[0].empty());
        EXPECT_EQ(uvs[1], (std::vector<float>{0.25f, 0.75f}));
        EXPECT_TRUE(uvs[2].empty() && uvs[3].empty());
        EXPECT_EQ(map_values(target, LWVMAP_WGHT, "Stone", first, 4)[2], std::vector<float>{-0.5f});
        EXPECT_EQ(map_values(target, LWVMAP_MNVW, "Crease", first, 4)[0], std::vector<float>{0.125f});
        // Absolute morph positions are copied unchanged, whatever the clone's turn and size.
        EXPECT_EQ(map_values(target, LWVMAP_SPOT, "Pose", first, 4)[3], (std::vector<float>{1.5f, -2.5f, 3.25f}));
    }
}

TEST(GeometryCopy, RelativeMorphsTurnWithTheAlignment) {
    host::Layer templ = quad_layer();
    const float up[3] = {0.0f, 1.0f, 0.0f};
    templ.vmap(LWVMAP_MORF, "Smile", 3).set(0, up);
    CloneRun run;
    // A wall facing +X: Newell's normal of this quad is (1, 0, 0), so P = pi/2 and H = 0.
    host::Layer wall;
    wall.add_point(0, 0, 0);
    wall.add_point(0, 1, 0);
    wall.add_point(0, 1, 1);
    wall.add_point(0, 0, 1);
    std::uint32_t quad[4] = {0, 1, 2, 3};
    wall.add_polygon(LWPOLTYPE_FACE, quad);
    run.document.layers.push_back(std::move(wall));
    run.document.layers.push_back(std::move(templ));
    run.settings = [](params_typ& p) {
        plain_copies(p);
        p.P_align = 1;
        p.H_align = 1;
        p.num_clones = 1;
    };
    RunReport r = run.run();
    ASSERT_EQ(r.clones.size(), 1u);
    EXPECT_EQ(r.clones[0].P_angle, std::acos(0.0));
    EXPECT_EQ(r.clones[0].H_angle, 0.0);
    auto morph = map_values(run.document.layers[0], LWVMAP_MORF, "Smile", 4, 1)[0];
    ASSERT_EQ(morph.size(), 3u);
    // rotate_Z(pi/2) takes +Y to +X.
    EXPECT_EQ(morph[0], 1.0f);
    EXPECT_NEAR(morph[1], 0.0f, 1e-7);
    EXPECT_EQ(morph[2], 0.0f);
}

TEST(GeometryCopy, RelativeMorphsScaleWithTheClone) {
    host::Layer templ = quad_layer();
    const float offset[3] = {0.5f, -1.0f, 2.0f};
    templ.vmap(LWVMAP_MORF, "Smile", 3).set(2, offset);
    CloneRun run = over_grid(std::move(templ));
    run.settings = [](params_typ& p) {
        plain_copies(p);
        p.size_by_area = 1;  // every grid cell has the average area: size base = dependence power
        p.dependence_power = 2.0;
        p.num_clones = 3;
    };
    run.run();
    const host::Layer& target = run.document.layers[0];
    for (std::size_t clone = 0; clone < 3; ++clone)
        EXPECT_EQ(map_values(target, LWVMAP_MORF, "Smile", 49 + 4 * clone + 2, 1)[0],
                  (std::vector<float>{1.0f, -2.0f, 4.0f}));
}

// Names of the morph maps the clones wrote, and whether any value reached each.
std::set<std::string> written_morph_names(const host::Layer& target) {
    std::set<std::string> names;
    for (const host::VertexMap& m : target.vmaps)
        if (m.type == LWVMAP_MORF && m.value_count() > 0) names.insert(m.name);
    return names;
}

std::set<std::string> morph_names_for(int auto_morph_maps) {
    host::Layer templ = quad_layer();
    const float offset[3] = {0.0f, 0.1f, 0.0f};
    templ.vmap(LWVMAP_MORF, "Smile", 3).set(0, offset);
    CloneRun run = over_grid(std::move(templ));
    run.settings = [auto_morph_maps](params_typ& p) {
        p.auto_morph_maps = auto_morph_maps;
        p.num_clones = 60;
    };
    run.run();
    return written_morph_names(run.document.layers[0]);
}

TEST(GeometryCopy, AutoMorphMapsSpreadClonesOverNumberedCopies) {
    EXPECT_EQ(morph_names_for(0), (std::set<std::string>{"Smile"}));
    EXPECT_EQ(morph_names_for(2), (std::set<std::string>{"Smile1", "Smile2", "Smile3"}));
    // Negative counts draw from a range below zero, truncated toward zero.
    EXPECT_EQ(morph_names_for(-1), (std::set<std::string>{"Smile1"}));
    EXPECT_EQ(morph_names_for(-3), (std::set<std::string>{"Smile-1", "Smile", "Smile1"}));
}

TEST(GeometryCopy, ZeroAnglesDrawNothingForTheRotation) {
    // With equal limits no angle is drawn, so the size is the first draw of the session.
    CloneRun run = over_grid(quad_layer());
    run.settings = [](params_typ& p) {
        plain_copies(p);
        p.size_var_x = 0.5;
        p.num_clones = 1;
    };
    run.session_seed = 99;
    run.run();
    random expected;
    expected.fixed(99);
    double size = expected.z_zakresu(0.5, 1.5);
    EXPECT_EQ(size_change_x, size);
    EXPECT_EQ(HPB_rand.x, 0.0);
}

}  // namespace
}  // namespace zelkor::testing

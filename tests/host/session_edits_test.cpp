// New geometry, polygon tags and vertex maps through the MeshEditOp table, and what done keeps or
// takes back.
#include "host/session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/handles.h"
#include "tests/host/test_mesh.h"

namespace zelkor::host {
namespace {

using testing::add_layer;
using testing::add_up_quad;
using testing::dump;

// Foreground layer 0 with one quad; background layer 1 with one quad carrying every tag kind, a
// UV map on points 0 and 2, and a weight map on point 1.
Document tagged_scene() {
    Document d;
    Layer& fg = add_layer(d, 0);
    add_up_quad(fg, 0, 0);
    fg.set_tag(LWPTAG_SURF, 0, d.tag_index("Ground"));
    Layer& bg = add_layer(d, 1);
    add_up_quad(bg, 5, 0);
    bg.set_tag(LWPTAG_SURF, 0, d.tag_index("Bark"));
    bg.set_tag(LWPTAG_PART, 0, d.tag_index("Trunk"));
    bg.set_tag(LWPTAG_SMGP, 0, 3);
    bg.set_tag(LWPTAG_COLR, 0, d.tag_index("Red"));
    bg.set_tag(LWID_('S', 'O', 'F', 'T'), 0, 42);
    bg.poly_flag_bits[0] = 0x400;
    const float uv0[2] = {0.25f, 0.5f}, uv2[2] = {1.0f, 0.75f}, w1 = 0.5f;
    VertexMap& uv = bg.vmap(LWVMAP_TXUV, "Bark UV", 2);
    uv.set(0, uv0);
    uv.set(2, uv2);
    bg.vmap(LWVMAP_WGHT, "Height", 1).set(1, &w1);
    d.surfaces = {{"Ground", {}}, {"Bark", {}}};
    return d;
}

struct SessionEdits : ::testing::Test {
    Document d = tagged_scene();
    std::vector<int> fg{0}, bg{1};
    Session session{d, fg, bg};
    MeshEditOp* op = session.op();
};

LWPolID new_triangle(MeshEditOp* op, LWPolID template_polygon, const char* surface, LWID type = LWPOLTYPE_FACE) {
    double a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {0, 0, 1};
    const LWPntID points[3] = {op->addPoint(op->state, a), op->addPoint(op->state, b), op->addPoint(op->state, c)};
    return op->addPoly(op->state, type, template_polygon, surface, 3, points);
}

TEST_F(SessionEdits, NewPolygonTakesEveryTagOfItsTemplateAndTheGivenSurface) {
    LWPolID made = new_triangle(op, polygon_handle({1, 0}), nullptr);
    EXPECT_EQ(polygon_ref(made).layer, 0u);
    EXPECT_EQ(polygon_ref(made).index, 1u);
    const Layer& target = d.layers[0];
    EXPECT_EQ(target.polygon(1)[0], 4u);
    EXPECT_EQ(target.tag(LWPTAG_SURF, 1), d.find_tag("Bark"));
    EXPECT_EQ(target.tag(LWPTAG_PART, 1), d.find_tag("Trunk"));
    EXPECT_EQ(target.tag(LWPTAG_SMGP, 1), 3);
    EXPECT_EQ(target.tag(LWPTAG_COLR, 1), d.find_tag("Red"));
    EXPECT_EQ(target.tag(LWID_('S', 'O', 'F', 'T'), 1), 42);  // any tag kind is copied
    EXPECT_EQ(target.tag(LWPTAG_PART, 0), kNoTag);  // the old polygon got no part from the new kind
    EXPECT_STREQ(op->polyInfo(op->state, made)->surface, "Bark");
    EXPECT_EQ(target.poly_flag_bits[1], 0x400);  // flag bits follow only a template of the same type
    LWPolID curve = new_triangle(op, polygon_handle({1, 0}), nullptr, LWPOLTYPE_CURV);
    EXPECT_EQ(target.poly_flag_bits[polygon_ref(curve).index], 0);
    EXPECT_EQ(target.poly_type[polygon_ref(curve).index], LWPOLTYPE_CURV);
    LWPolID plain = new_triangle(op, nullptr, nullptr);
    EXPECT_EQ(op->polyInfo(op->state, plain)->surface, nullptr);

    LWPolID chrome = new_triangle(op, polygon_handle({1, 0}), "Chrome");  // overrides only the surface
    EXPECT_STREQ(op->polyInfo(op->state, chrome)->surface, "Chrome");
    EXPECT_EQ(target.tag(LWPTAG_PART, polygon_ref(chrome).index), d.find_tag("Trunk"));
    ASSERT_NE(d.find_surface("Chrome"), nullptr);  // a writer finds the new surface
    LWPolID again = new_triangle(op, polygon_handle({1, 0}), "Chrome");
    EXPECT_EQ(target.tag(LWPTAG_SURF, polygon_ref(again).index), d.find_tag("Chrome"));
    EXPECT_EQ(d.surfaces.size(), 3u);
}

TEST_F(SessionEdits, RefusesPointsOutsideTheEditLayerAndBadArguments) {
    auto add = [&](LWPolID template_polygon, int count, std::vector<ElementRef> refs) {
        std::vector<LWPntID> points;
        for (ElementRef ref : refs) points.push_back(point_handle(ref));
        return op->addPoly(op->state, LWPOLTYPE_FACE, template_polygon, nullptr, count, points.data());
    };
    EXPECT_EQ(add(nullptr, 3, {{1, 0}, {1, 1}, {1, 2}}), nullptr);  // background points
    EXPECT_EQ(add(nullptr, 3, {{0, 0}, {0, 1}, {0, 99}}), nullptr);
    EXPECT_EQ(add(nullptr, 0, {{0, 0}, {0, 1}, {0, 2}}), nullptr);
    EXPECT_EQ(add(polygon_handle({1, 5}), 3, {{0, 0}, {0, 1}, {0, 2}}), nullptr);
    EXPECT_EQ(d.layers[0].polygon_count(), 1u);
    EXPECT_NE(add(nullptr, 3, {{0, 0}, {0, 1}, {0, 2}}), nullptr);
    EXPECT_EQ(session.result().polygons_added, 1u);
}

TEST_F(SessionEdits, PointVSetChoosesWhatPointVGetAndVmapVecRead) {
    float value[2] = {-1, -1};
    EXPECT_EQ(op->pointVSet(op->state, nullptr, LWVMAP_TXUV, "Missing"), 0);
    EXPECT_EQ(op->pointVGet(op->state, point_handle({1, 0}), value), 0);
    EXPECT_EQ(op->pointVSet(op->state, nullptr, LWVMAP_WGHT, "Bark UV"), 0);  // right name, wrong type
    EXPECT_EQ(op->pointVSet(op->state, nullptr, LWVMAP_TXUV, "Bark UV"), 1);
    EXPECT_EQ(op->pointVGet(op->state, point_handle({1, 2}), value), 1);
    EXPECT_EQ(value[0], 1.0f);
    EXPECT_EQ(value[1], 0.75f);
    value[0] = -1;
    EXPECT_EQ(op->pointVGet(op->state, point_handle({1, 1}), value), 0);  // no value: nothing written
    EXPECT_EQ(value[0], -1.0f);
    EXPECT_EQ(op->pointVGet(op->state, point_handle({0, 0}), value), 0);  // the map is not in this layer
    const EDPointInfo* info = op->pointInfo(op->state, point_handle({1, 0}));
    ASSERT_NE(info->vmapVec, nullptr);
    EXPECT_EQ(info->vmapVec[0], 0.25f);
    EXPECT_EQ(info->vmapVec[1], 0.5f);
    EXPECT_EQ(op->pointInfo(op->state, point_handle({1, 3}))->vmapVec, nullptr);
}

TEST_F(SessionEdits, PntVMapCreatesTheMapInThePointsLayer) {
    double at[3] = {0, 0, 0};
    LWPntID p = op->addPoint(op->state, at);
    EXPECT_EQ(op->pointVSet(op->state, nullptr, LWVMAP_WGHT, "ZK_index"), 0);  // chosen before it exists
    float index = 0.25f;
    EXPECT_EQ(op->pntVMap(op->state, p, LWVMAP_WGHT, "ZK_index", 1, &index), EDERR_NONE);
    const VertexMap* map = d.layers[0].find_vmap(LWVMAP_WGHT, "ZK_index");
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->dimension, 1);
    EXPECT_TRUE(map->has_value(4));
    EXPECT_FALSE(map->has_value(0));
    EXPECT_EQ(d.layers[1].find_vmap(LWVMAP_WGHT, "ZK_index"), nullptr);
    float back = 0;
    EXPECT_EQ(op->pointVGet(op->state, p, &back), 1);
    EXPECT_EQ(back, 0.25f);
    EXPECT_EQ(session.result().map_values_written, 1u);
}

TEST_F(SessionEdits, MapsAreFoundByTextAndTypeAndKeepTheirDimension) {
    char name[16] = "Smile1";  // one buffer with new text: the new map
    float v[3] = {1, 1, 1};
    EXPECT_EQ(op->pntVMap(op->state, point_handle({0, 0}), LWVMAP_MORF, name, 3, v), EDERR_NONE);
    std::strcpy(name, "Smile2");
    v[0] = 2;
    EXPECT_EQ(op->pntVMap(op->state, point_handle({0, 0}), LWVMAP_MORF, name, 3, v), EDERR_NONE);
    EXPECT_EQ(d.layers[0].find_vmap(LWVMAP_MORF, "Smile1")->value(0)[0], 1.0f);
    EXPECT_EQ(d.layers[0].find_vmap(LWVMAP_MORF, "Smile2")->value(0)[0], 2.0f);
    EXPECT_EQ(op->pntVMap(op->state, point_handle({0, 0}), LWVMAP_SPOT, name, 3, v), EDERR_NONE);
    EXPECT_EQ(d.layers[0].vmaps.size(), 3u);  // the same name of another type is another map

    EXPECT_EQ(op->pntVMap(op->state, point_handle({1, 0}), LWVMAP_TXUV, "Bark UV", 3, v), EDERR_BADVMAP);
    EXPECT_EQ(op->pntVMap(op->state, nullptr, LWVMAP_TXUV, "Bark UV", 2, v), EDERR_BADARGS);
    EXPECT_EQ(op->pntVMap(op->state, point_handle({1, 0}), LWVMAP_TXUV, "Bark UV", 0, v), EDERR_BADARGS);
    EXPECT_EQ(d.layers[1].find_vmap(LWVMAP_TXUV, "Bark UV")->value(0)[0], 0.25f);
}

// Everything a session can change, so that taking it back is tested on all of it.
void edit_everything(MeshEditOp* op) {
    new_triangle(op, polygon_handle({1, 0}), nullptr);     // new tag kinds in the foreground
    new_triangle(op, polygon_handle({1, 0}), "Chrome");   // new tag name and surface
    float uv[2] = {9, 9}, w = 0.125f;
    op->pntVMap(op->state, point_handle({1, 0}), LWVMAP_TXUV, "Bark UV", 2, uv);  // overwrite a value
    op->pntVMap(op->state, point_handle({1, 1}), LWVMAP_TXUV, "Bark UV", 2, uv);  // give a point a value
    op->pntVMap(op->state, point_handle({1, 3}), LWVMAP_WGHT, "Height", 1, &w);    // grow the map's arrays
    op->pntVMap(op->state, point_handle({0, 5}), LWVMAP_WGHT, "ZK_index", 1, &w);  // a new map
    op->pntVMap(op->state, point_handle({1, 0}), LWVMAP_TXUV, "Bark UV", 2, uv);  // the same value twice
}

TEST_F(SessionEdits, AnErrorOrNoDoneLeavesTheDocumentExactlyAsBefore) {
    const std::string before = dump(d);
    edit_everything(op);
    ASSERT_NE(dump(d), before);
    op->done(op->state, EDERR_USERABORT, 0);
    EXPECT_EQ(dump(d), before);
    EXPECT_TRUE(session.result().done_called);
    EXPECT_EQ(session.result().error, EDERR_USERABORT);
    EXPECT_FALSE(session.result().kept);
    EXPECT_EQ(session.result().points_added, 6u);
    EXPECT_EQ(session.result().polygons_added, 2u);
    {
        Session never_closed(d, fg, bg);
        edit_everything(never_closed.op());
    }
    EXPECT_EQ(dump(d), before);
}

TEST_F(SessionEdits, NoneKeepsTheEditsAndEndsTheSession) {
    edit_everything(op);
    const std::string edited = dump(d);
    op->done(op->state, EDERR_NONE, 0);
    EXPECT_EQ(dump(d), edited);
    EXPECT_TRUE(session.result().kept);
    EXPECT_EQ(d.layers[0].polygon_count(), 3u);
    EXPECT_EQ(d.layers[1].find_vmap(LWVMAP_TXUV, "Bark UV")->value(0)[0], 9.0f);
    EXPECT_EQ(d.layers[0].find_vmap(LWVMAP_WGHT, "ZK_index")->value(5)[0], 0.125f);

    double at[3] = {0, 0, 0};
    EXPECT_EQ(op->addPoint(op->state, at), nullptr);
    EXPECT_EQ(op->pointInfo(op->state, point_handle({0, 0})), nullptr);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_ALL), 0);
    auto callback = [](void*, const EDPolygonInfo*) -> EDError { return EDERR_NONE; };
    EXPECT_EQ(op->polyScan(op->state, callback, nullptr, OPLYR_FG), EDERR_BADARGS);
    op->done(op->state, EDERR_USERABORT, 0);  // a second done changes nothing
    EXPECT_EQ(session.result().error, EDERR_NONE);
    EXPECT_EQ(dump(d), edited);
}

}  // namespace
}  // namespace zelkor::host

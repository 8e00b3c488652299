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

const LWID kSoftness = LWID_('S', 'O', 'F', 'T');

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
    const float uv0[2] = {0.25f, 0.5f}, uv2[2] = {1.0f, 0.75f}, w1 = 0.5f;
    VertexMap& uv = bg.vmap(LWVMAP_TXUV, "Bark UV", 2);
    uv.set(0, uv0);
    uv.set(2, uv2);
    bg.vmap(LWVMAP_WGHT, "Height", 1).set(1, &w1);
    d.surfaces.push_back({"Ground", {}});
    d.surfaces.push_back({"Bark", {}});
    return d;
}

struct Open {
    std::vector<int> fg{0}, bg{1};
    Session session;
    MeshEditOp* op;
    explicit Open(Document& d) : session(d, fg, bg), op(session.op()) {}
};

LWPolID new_triangle(MeshEditOp* op, LWPolID template_polygon, const char* surface) {
    double a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {0, 0, 1};
    const LWPntID points[3] = {op->addPoint(op->state, a), op->addPoint(op->state, b), op->addPoint(op->state, c)};
    return op->addPoly(op->state, LWPOLTYPE_FACE, template_polygon, surface, 3, points);
}

TEST(SessionAddPoly, NewPolygonTakesEveryTagOfItsTemplate) {
    Document d = tagged_scene();
    Open s(d);
    LWPolID made = new_triangle(s.op, polygon_handle({1, 0}), nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(polygon_ref(made).layer, 0u);
    EXPECT_EQ(polygon_ref(made).index, 1u);
    const Layer& fg = d.layers[0];
    EXPECT_EQ(fg.tag(LWPTAG_SURF, 1), d.find_tag("Bark"));
    EXPECT_EQ(fg.tag(LWPTAG_PART, 1), d.find_tag("Trunk"));
    EXPECT_EQ(fg.tag(LWPTAG_SMGP, 1), 3);
    EXPECT_EQ(fg.tag(LWPTAG_COLR, 1), d.find_tag("Red"));
    EXPECT_EQ(fg.tag(LWPTAG_PART, 0), kNoTag);  // the old polygon got no part from the new kind
    EXPECT_STREQ(s.op->polyInfo(s.op->state, made)->surface, "Bark");
    EXPECT_EQ(fg.polygon(1).size(), 3u);
    EXPECT_EQ(fg.polygon(1)[0], 4u);
}

TEST(SessionAddPoly, SurfaceArgumentOverridesOnlyTheSurface) {
    Document d = tagged_scene();
    Open s(d);
    LWPolID made = new_triangle(s.op, polygon_handle({1, 0}), "Chrome");
    ASSERT_NE(made, nullptr);
    EXPECT_STREQ(s.op->polyInfo(s.op->state, made)->surface, "Chrome");
    EXPECT_EQ(d.layers[0].tag(LWPTAG_PART, 1), d.find_tag("Trunk"));
    ASSERT_NE(d.find_surface("Chrome"), nullptr);  // a writer finds the new surface
    LWPolID again = new_triangle(s.op, polygon_handle({1, 0}), "Chrome");
    EXPECT_EQ(d.layers[0].tag(LWPTAG_SURF, polygon_ref(again).index), d.find_tag("Chrome"));
    EXPECT_EQ(d.surfaces.size(), 3u);
}

TEST(SessionAddPoly, WithoutTemplateThePolygonHasNoTags) {
    Document d = tagged_scene();
    Open s(d);
    LWPolID made = new_triangle(s.op, nullptr, nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(d.layers[0].tag(LWPTAG_SURF, 1), kNoTag);
    EXPECT_EQ(s.op->polyInfo(s.op->state, made)->surface, nullptr);
}

TEST(SessionAddPoly, RefusesPointsOutsideTheEditLayerAndBadArguments) {
    Document d = tagged_scene();
    Open s(d);
    const LWPntID background[3] = {point_handle({1, 0}), point_handle({1, 1}), point_handle({1, 2})};
    EXPECT_EQ(s.op->addPoly(s.op->state, LWPOLTYPE_FACE, nullptr, nullptr, 3, background), nullptr);
    const LWPntID unknown[3] = {point_handle({0, 0}), point_handle({0, 1}), point_handle({0, 99})};
    EXPECT_EQ(s.op->addPoly(s.op->state, LWPOLTYPE_FACE, nullptr, nullptr, 3, unknown), nullptr);
    const LWPntID own[3] = {point_handle({0, 0}), point_handle({0, 1}), point_handle({0, 2})};
    EXPECT_EQ(s.op->addPoly(s.op->state, LWPOLTYPE_FACE, nullptr, nullptr, 0, own), nullptr);
    EXPECT_EQ(s.op->addPoly(s.op->state, LWPOLTYPE_FACE, polygon_handle({1, 5}), nullptr, 3, own), nullptr);
    EXPECT_EQ(d.layers[0].polygon_count(), 1u);
    EXPECT_NE(s.op->addPoly(s.op->state, LWPOLTYPE_FACE, nullptr, nullptr, 3, own), nullptr);
    EXPECT_EQ(s.session.result().polygons_added, 1u);
}

TEST(SessionAddPoint, GoesIntoTheFirstForegroundLayer) {
    Document d = tagged_scene();
    add_layer(d, 2);
    const std::vector<int> fg = {2, 0}, bg = {1};
    Session session(d, fg, bg);
    MeshEditOp* op = session.op();
    double at[3] = {1.5, -2.0, 3.25};
    LWPntID p = op->addPoint(op->state, at);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(point_ref(p).layer, 2u);
    EXPECT_EQ(point_ref(p).index, 0u);
    const EDPointInfo* info = op->pointInfo(op->state, p);
    EXPECT_EQ(info->position[0], 1.5);
    EXPECT_EQ(info->position[1], -2.0);
    EXPECT_EQ(info->position[2], 3.25);
    EXPECT_EQ(op->pointCount(op->state, OPLYR_FG, EDCOUNT_ALL), 5);  // counts include new points
}

TEST(SessionVMaps, PointVSetChoosesWhatPointVGetAndVmapVecRead) {
    Document d = tagged_scene();
    Open s(d);
    MeshEditOp* op = s.op;
    float value[2] = {-1, -1};
    EXPECT_EQ(op->pointVSet(op->state, nullptr, LWVMAP_TXUV, "Missing"), 0);
    EXPECT_EQ(op->pointVGet(op->state, point_handle({1, 0}), value), 0);
    EXPECT_EQ(op->pointVSet(op->state, nullptr, LWVMAP_WGHT, "Bark UV"), 0);  // right name, wrong type
    EXPECT_EQ(op->pointVSet(op->state, nullptr, LWVMAP_TXUV, "Bark UV"), 1);
    EXPECT_EQ(op->pointVGet(op->state, point_handle({1, 2}), value), 1);
    EXPECT_EQ(value[0], 1.0f);
    EXPECT_EQ(value[1], 0.75f);
    value[0] = -1;
    EXPECT_EQ(op->pointVGet(op->state, point_handle({1, 1}), value), 0);
    EXPECT_EQ(value[0], -1.0f);
    EXPECT_EQ(op->pointVGet(op->state, point_handle({0, 0}), value), 0);  // the map is not in this layer

    const EDPointInfo* info = op->pointInfo(op->state, point_handle({1, 0}));
    ASSERT_NE(info->vmapVec, nullptr);
    EXPECT_EQ(info->vmapVec[0], 0.25f);
    EXPECT_EQ(info->vmapVec[1], 0.5f);
    EXPECT_EQ(op->pointInfo(op->state, point_handle({1, 3}))->vmapVec, nullptr);

    EXPECT_EQ(op->pointVSet(op->state, nullptr, LWVMAP_WGHT, "Height"), 1);
    EXPECT_EQ(op->pointVGet(op->state, point_handle({1, 1}), value), 1);
    EXPECT_EQ(value[0], 0.5f);
}

TEST(SessionVMaps, PntVMapCreatesTheMapInThePointsLayer) {
    Document d = tagged_scene();
    Open s(d);
    MeshEditOp* op = s.op;
    double at[3] = {0, 0, 0};
    LWPntID p = op->addPoint(op->state, at);
    float index = 0.25f;
    EXPECT_EQ(op->pntVMap(op->state, p, LWVMAP_WGHT, "ZK_index", 1, &index), EDERR_NONE);
    const VertexMap* map = d.layers[0].find_vmap(LWVMAP_WGHT, "ZK_index");
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->dimension, 1);
    EXPECT_TRUE(map->has_value(4));
    EXPECT_FALSE(map->has_value(0));
    EXPECT_EQ(map->value(4)[0], 0.25f);
    EXPECT_EQ(d.layers[1].find_vmap(LWVMAP_WGHT, "ZK_index"), nullptr);

    EXPECT_EQ(op->pointVSet(op->state, nullptr, LWVMAP_WGHT, "ZK_index"), 1);
    float back = 0;
    EXPECT_EQ(op->pointVGet(op->state, p, &back), 1);
    EXPECT_EQ(back, 0.25f);
    EXPECT_EQ(s.session.result().map_values_written, 1u);
}

TEST(SessionVMaps, ChosenMapSeesAMapCreatedAfterTheChoice) {
    Document d = tagged_scene();
    Open s(d);
    MeshEditOp* op = s.op;
    EXPECT_EQ(op->pointVSet(op->state, nullptr, LWVMAP_MORF, "Smile"), 0);
    const float offset[3] = {1, 2, 3};
    float copy[3] = {1, 2, 3};
    EXPECT_EQ(op->pntVMap(op->state, point_handle({0, 1}), LWVMAP_MORF, "Smile", 3, copy), EDERR_NONE);
    float back[3] = {};
    EXPECT_EQ(op->pointVGet(op->state, point_handle({0, 1}), back), 1);
    EXPECT_EQ(std::memcmp(back, offset, sizeof back), 0);
}

TEST(SessionVMaps, ReusedNameBufferWithNewTextWritesTheNewMap) {
    Document d = tagged_scene();
    Open s(d);
    MeshEditOp* op = s.op;
    char name[16] = "Smile1";
    float v[3] = {1, 1, 1};
    EXPECT_EQ(op->pntVMap(op->state, point_handle({0, 0}), LWVMAP_MORF, name, 3, v), EDERR_NONE);
    std::strcpy(name, "Smile2");
    v[0] = 2;
    EXPECT_EQ(op->pntVMap(op->state, point_handle({0, 0}), LWVMAP_MORF, name, 3, v), EDERR_NONE);
    ASSERT_NE(d.layers[0].find_vmap(LWVMAP_MORF, "Smile1"), nullptr);
    ASSERT_NE(d.layers[0].find_vmap(LWVMAP_MORF, "Smile2"), nullptr);
    EXPECT_EQ(d.layers[0].find_vmap(LWVMAP_MORF, "Smile1")->value(0)[0], 1.0f);
    EXPECT_EQ(d.layers[0].find_vmap(LWVMAP_MORF, "Smile2")->value(0)[0], 2.0f);
    // The same name of another type is another map.
    EXPECT_EQ(op->pntVMap(op->state, point_handle({0, 0}), LWVMAP_SPOT, name, 3, v), EDERR_NONE);
    EXPECT_EQ(d.layers[0].vmaps.size(), 3u);
}

TEST(SessionVMaps, RefusesADimensionOtherThanTheMaps) {
    Document d = tagged_scene();
    Open s(d);
    float v[3] = {1, 2, 3};
    EXPECT_EQ(s.op->pntVMap(s.op->state, point_handle({1, 0}), LWVMAP_TXUV, "Bark UV", 3, v), EDERR_BADVMAP);
    EXPECT_EQ(s.op->pntVMap(s.op->state, nullptr, LWVMAP_TXUV, "Bark UV", 2, v), EDERR_BADARGS);
    EXPECT_EQ(s.op->pntVMap(s.op->state, point_handle({1, 0}), LWVMAP_TXUV, "Bark UV", 0, v), EDERR_BADARGS);
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

TEST(SessionDone, AnErrorLeavesTheDocumentExactlyAsBefore) {
    Document d = tagged_scene();
    const std::string before = dump(d);
    Open s(d);
    edit_everything(s.op);
    ASSERT_NE(dump(d), before);
    s.op->done(s.op->state, EDERR_USERABORT, 0);
    EXPECT_EQ(dump(d), before);
    EXPECT_TRUE(s.session.result().done_called);
    EXPECT_EQ(s.session.result().error, EDERR_USERABORT);
    EXPECT_FALSE(s.session.result().kept);
    EXPECT_EQ(s.session.result().points_added, 6u);
    EXPECT_EQ(s.session.result().polygons_added, 2u);
}

TEST(SessionDone, NoneKeepsTheEdits) {
    Document d = tagged_scene();
    Open s(d);
    edit_everything(s.op);
    const std::string edited = dump(d);
    s.op->done(s.op->state, EDERR_NONE, 0);
    EXPECT_EQ(dump(d), edited);
    EXPECT_TRUE(s.session.result().kept);
    EXPECT_EQ(d.layers[0].polygon_count(), 3u);
    EXPECT_EQ(d.layers[1].find_vmap(LWVMAP_TXUV, "Bark UV")->value(0)[0], 9.0f);
    EXPECT_EQ(d.layers[0].find_vmap(LWVMAP_WGHT, "ZK_index")->value(5)[0], 0.125f);
}

TEST(SessionDone, ASessionNeverClosedTakesItsEditsBack) {
    Document d = tagged_scene();
    const std::string before = dump(d);
    {
        Open s(d);
        edit_everything(s.op);
    }
    EXPECT_EQ(dump(d), before);
}

TEST(SessionDone, AfterDoneTheSessionAnswersNothing) {
    Document d = tagged_scene();
    Open s(d);
    MeshEditOp* op = s.op;
    op->done(op->state, EDERR_NONE, 0);
    double at[3] = {0, 0, 0};
    EXPECT_EQ(op->addPoint(op->state, at), nullptr);
    EXPECT_EQ(op->pointInfo(op->state, point_handle({0, 0})), nullptr);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_ALL), 0);
    auto callback = [](void*, const EDPolygonInfo*) -> EDError { return EDERR_NONE; };
    EXPECT_EQ(op->polyScan(op->state, callback, nullptr, OPLYR_FG), EDERR_BADARGS);
    op->done(op->state, EDERR_USERABORT, 0);  // a second done changes nothing
    EXPECT_EQ(s.session.result().error, EDERR_NONE);
    EXPECT_EQ(d.layers[0].polygon_count(), 1u);
}

TEST(SessionAddPoly, TemplateFlagBitsFollowOnlyTheSameType) {
    Document d = tagged_scene();
    d.layers[1].poly_flag_bits[0] = 0x400;
    d.layers[1].set_tag(kSoftness, 0, 42);
    Open s(d);
    const LWPntID own[3] = {point_handle({0, 0}), point_handle({0, 1}), point_handle({0, 2})};
    LWPolID same = s.op->addPoly(s.op->state, LWPOLTYPE_FACE, polygon_handle({1, 0}), nullptr, 3, own);
    LWPolID other = s.op->addPoly(s.op->state, LWPOLTYPE_CURV, polygon_handle({1, 0}), nullptr, 3, own);
    EXPECT_EQ(d.layers[0].poly_flag_bits[polygon_ref(same).index], 0x400);
    EXPECT_EQ(d.layers[0].poly_flag_bits[polygon_ref(other).index], 0);
    EXPECT_EQ(d.layers[0].poly_type[polygon_ref(other).index], LWPOLTYPE_CURV);
    EXPECT_EQ(d.layers[0].tag(kSoftness, polygon_ref(other).index), 42);  // any tag kind is copied
}

}  // namespace
}  // namespace zelkor::host

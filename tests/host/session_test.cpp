// The mesh-edit session as a module sees it through the MeshEditOp table: counts, selection,
// scans, element information and normals; new geometry, polygon tags and vertex maps; and what
// done keeps or takes back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/normals.h"
#include "host/session.h"
#include "tests/host/test_mesh.h"

namespace zelkor::host {
namespace {

using testing::dump;
using testing::scene;
using testing::xyz;
using Layers = std::vector<int>;

// One line per visited polygon: layer.index, #the layer as a modeller numbers it, type, point
// count, S when selected.
std::vector<std::string> scan(MeshEditOp* op, EltOpLayer layers) {
    std::vector<std::string> visits;
    auto record = [](void* data, const EDPolygonInfo* p) {
        const ElementRef ref = polygon_ref(p->pol);
        static_cast<std::vector<std::string>*>(data)->push_back(
            std::to_string(ref.layer) + "." + std::to_string(ref.index) + " #" + std::to_string(p->layer) +
            (p->type == LWPOLTYPE_SUBD ? " subd " : p->type == LWPOLTYPE_FACE ? " face " : " ? ") +
            std::to_string(p->numPnts) + (p->flags == EDDF_SELECT ? " S" : p->flags == 0 ? " -" : " ?"));
        return EDERR_NONE;
    };
    EXPECT_EQ(op->polyScan(op->state, record, &visits, layers), EDERR_NONE);
    return visits;
}

TEST(SessionScan, CountsAndVisitsLayersInOrderThenPolygonsInOrder) {
    Document d = scene();
    Session session(d, Layers{2, 0}, Layers{1});
    MeshEditOp* op = session.op();
    EXPECT_EQ(op->layerNum, 8);  // the first foreground layer as a modeller numbers it
    double at[3] = {1.5, -2.0, 3.25};
    EXPECT_EQ(op->addPoint(op->state, at), point_handle({2, 4}));  // into the first foreground layer
    const struct { EltOpLayer layers; int points, polygons; } counts[] = {
        {OPLYR_FG, 13, 4}, {OPLYR_BG, 4, 1}, {OPLYR_FG | OPLYR_BG, 17, 5}};
    for (const auto& c : counts) {  // the new point counted at once
        EXPECT_EQ(op->pointCount(op->state, c.layers, EDCOUNT_ALL), c.points) << "layers " << c.layers;
        EXPECT_EQ(op->polyCount(op->state, c.layers, EDCOUNT_ALL), c.polygons) << "layers " << c.layers;
    }
    EXPECT_EQ(scan(op, OPLYR_FG | OPLYR_BG), (std::vector<std::string>{"2.0 #8 face 4 S", "2.1 #8 subd 3 S", "0.0 #1 face 4 S",
                                                                        "0.1 #1 face 4 S", "1.0 #5 face 4 -"}));
    int calls = 0;  // a scan stops at the first error and returns it
    auto stop = [](void* data, const EDPolygonInfo*) { return ++*static_cast<int*>(data) == 2 ? EDERR_USERABORT : EDERR_NONE; };
    EXPECT_EQ(op->polyScan(op->state, stop, &calls, OPLYR_FG), EDERR_USERABORT);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(op->polyScan(op->state, stop, &calls, 0), EDERR_BADLAYER);
}

// With no foreground polygon selected all count as selected, background ones never; a new polygon
// is not selected while others are. `marked`: the layer whose last polygon is selected, or -1.
TEST(SessionSelection, NoneSelectedMeansAllSelected) {
    const struct { int marked; Layers fg; EltOpLayer scanned; int count; std::vector<std::string> visits; } cases[] = {
        {-1, {0, 2}, OPLYR_FG, 4, {"0.0 #1 face 4 S", "0.1 #1 face 4 S", "2.0 #8 face 4 S", "2.1 #8 subd 3 S"}},
        {2, {0, 2}, OPLYR_FG, 1, {"0.0 #1 face 4 -", "0.1 #1 face 4 -", "2.0 #8 face 4 -", "2.1 #8 subd 3 S"}},
        {1, {0}, OPLYR_BG, 0, {"1.0 #5 face 4 -"}},
        {1, {0}, OPLYR_FG, 2, {"0.0 #1 face 4 S", "0.1 #1 face 4 S"}},
    };
    for (const auto& c : cases) {
        Document d = scene();
        if (c.marked >= 0) d.layers[std::size_t(c.marked)].poly_selected.back() = 1;
        Session session(d, c.fg, Layers{1});
        MeshEditOp* op = session.op();
        EXPECT_EQ(op->polyCount(op->state, c.scanned, EDCOUNT_SELECT), c.count) << c.marked;
        EXPECT_EQ(scan(op, c.scanned), c.visits) << c.marked;
        const LWPntID corners[3] = {point_handle({0, 0}), point_handle({0, 1}), point_handle({0, 2})};
        LWPolID made = op->addPoly(op->state, LWPOLTYPE_FACE, nullptr, nullptr, 3, corners);
        EXPECT_EQ(op->polyInfo(op->state, made)->flags, c.marked == 2 ? 0 : EDDF_SELECT) << c.marked;
    }
}

// The clone pattern: copy each scanned polygon into the foreground from inside the callback,
// asking for point and polygon information on the way.
EDError copy_polygon(void* data, const EDPolygonInfo* p) {
    auto* op = static_cast<MeshEditOp*>(data);
    const std::vector<LWPntID> before(p->points, p->points + p->numPnts);
    std::vector<LWPntID> made;
    for (LWPntID point : before) {
        double at[3] = {op->pointInfo(op->state, point)->position[0] + 10, 0, 0};
        made.push_back(op->addPoint(op->state, at));
    }
    op->polyInfo(op->state, op->addPoly(op->state, p->type, p->pol, nullptr, p->numPnts, made.data()));
    // polyInfo inside the callback must not overwrite the scan's point list.
    return std::vector<LWPntID>(p->points, p->points + p->numPnts) == before ? EDERR_NONE : EDERR_BADARGS;
}

TEST(SessionScan, SurvivesGeometryAddedByItsCallbackAndVisitsOnlyWhatWasThere) {
    Document d;
    testing::add_layer(d, 0);
    testing::add_layer(d, 1);
    for (int k = 0; k < 200; ++k) testing::add_up_quad(d.layers[1], k, 0);  // enough to make the foreground reallocate
    Session session(d, Layers{0}, Layers{1});
    MeshEditOp* op = session.op();
    EXPECT_EQ(op->polyScan(op->state, copy_polygon, op, OPLYR_BG), EDERR_NONE);
    EXPECT_EQ(d.layers[0].position(799)[0], 200.0 + 10.0);
    EXPECT_EQ(op->polyScan(op->state, copy_polygon, op, OPLYR_FG), EDERR_NONE);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_ALL), 400);
}

TEST(NewellNormal, UnitNormalsAndDegeneratePolygons) {
    const std::vector<double> xz_quad = {0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 0, 0};
    const std::vector<double> scattered = {9, 9, 9, 1, 0, 0, 0, 0, 1, 5, 5, 5, 0, 0, 0, 1, 0, 1};
    const std::vector<double> line = {0, 0, 0, 1, 1, 1, 2, 2, 2, 0, 0, 0};
    const struct { const std::vector<double>& positions; std::vector<std::uint32_t> points; int answer; double n[3]; } cases[] = {
        {xz_quad, {0, 1, 2, 3}, 1, {0, 1, 0}},  // (0,0,0), (0,0,1), (1,0,1), (1,0,0) faces +Y
        {xz_quad, {3, 2, 1, 0}, 1, {0, -1, 0}},
        {scattered, {4, 2, 5, 1}, 1, {0, 1, 0}},  // read through the index list
        {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2}, 1, {0, 0, 1}},
        // Sum (0, 2, -2), divided by its length sqrt(8).
        {{0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0}, {0, 1, 2, 3}, 1, {0, 2 / std::sqrt(8.0), -2 / std::sqrt(8.0)}},
        {line, {}, 0, {0, 0, 0}}, {line, {0}, 0, {0, 0, 0}}, {line, {0, 1}, 0, {0, 0, 0}},
        {line, {0, 1, 2}, 0, {0, 0, 0}}, {line, {0, 3, 0}, 0, {0, 0, 0}},  // collinear; one spot
    };
    for (const auto& c : cases) {
        double n[3] = {7, 7, 7};  // garbage, so that a missing write shows
        EXPECT_EQ(newell_normal(c.positions.data(), c.points, n), c.answer) << c.points.size() << " points";
        EXPECT_EQ(xyz(n), xyz(c.n)) << c.points.size() << " points";
    }
}

TEST(Handles, RoundTripLayerAndIndex) {
    for (ElementRef ref : {ElementRef{0, 0}, ElementRef{3, 0}, ElementRef{1, 0xFFFFFFFEu}, ElementRef{65535, 123456789}}) {
        const ElementRef point = point_ref(point_handle(ref)), polygon = polygon_ref(polygon_handle(ref));
        EXPECT_NE(point_handle(ref), nullptr);
        EXPECT_TRUE(point.layer == ref.layer && point.index == ref.index) << ref.layer << "." << ref.index;
        EXPECT_TRUE(polygon.layer == ref.layer && polygon.index == ref.index) << ref.layer << "." << ref.index;
    }
}

// A session with layer 0 (two quads) in the foreground and layer 1 (the tagged quad) behind; layer 2
// is neither.
struct OpenSession : ::testing::Test {
    Document d = testing::scene();
    Session session{d, Layers{0}, Layers{1}};
    MeshEditOp* op = session.op();
    const SessionResult& result = session.result();
    LWPolID triangle(LWPolID template_polygon, const char* surface, LWID type = LWPOLTYPE_FACE, std::uint32_t layer = 0) {
        const LWPntID points[3] = {point_handle({layer, 0}), point_handle({layer, 1}), point_handle({layer, 2})};
        return op->addPoly(op->state, type, template_polygon, surface, 3, points);
    }
    std::uint32_t index(LWPolID polygon) { return polygon_ref(polygon).index; }
};

TEST_F(OpenSession, PolygonAndPointInfoOfItsLayersOnly) {
    const EDPolygonInfo* p = op->polyInfo(op->state, polygon_handle({1, 0}));
    ASSERT_EQ(p->numPnts, 4);
    EXPECT_STREQ(p->surface, "Bark");
    EXPECT_EQ(xyz(op->pointInfo(op->state, p->points[2])->position), (std::vector<double>{1, 5, 1}));
    EXPECT_EQ(op->polyInfo(op->state, polygon_handle({0, 1}))->surface, nullptr);
    EXPECT_NE(op->pointInfo(op->state, point_handle({0, 7})), nullptr);
    for (LWPntID unknown : {LWPntID(nullptr), point_handle({0, 8}), point_handle({2, 0}), point_handle({9, 0})})
        EXPECT_EQ(op->pointInfo(op->state, unknown), nullptr);
    for (LWPolID unknown : {LWPolID(nullptr), polygon_handle({0, 2}), polygon_handle({2, 0})})
        EXPECT_EQ(op->polyInfo(op->state, unknown), nullptr);
    double n[3] = {5, 5, 5};
    EXPECT_EQ(op->polyNormal(op->state, polygon_handle({0, 2}), n), 0);
    EXPECT_EQ(xyz(n), (std::vector<double>{0, 0, 0}));
}

TEST_F(OpenSession, NewPolygonTakesEveryTagOfItsTemplateAndTheGivenSurfaceOrIsRefused) {
    const Layer& target = d.layers[0];
    const std::uint32_t made = index(triangle(polygon_handle({1, 0}), nullptr));
    EXPECT_EQ(target.tag(LWID_('S', 'O', 'F', 'T'), made), 42);  // any tag kind is copied
    EXPECT_EQ(target.tag(LWPTAG_PART, made), d.find_tag("Trunk"));
    EXPECT_EQ(target.tag(LWPTAG_PART, 0), kNoTag);  // the old polygons get no part from the new kind
    EXPECT_EQ(target.poly_flag_bits[made], 0x400);  // flag bits follow only a template of the same type
    const std::uint32_t curve = index(triangle(polygon_handle({1, 0}), nullptr, LWPOLTYPE_CURV));
    EXPECT_EQ(target.poly_flag_bits[curve], 0);
    LWPolID chrome = triangle(polygon_handle({1, 0}), "Chrome");  // overrides only the surface
    EXPECT_STREQ(op->polyInfo(op->state, chrome)->surface, "Chrome");
    EXPECT_EQ(target.tag(LWPTAG_PART, index(chrome)), d.find_tag("Trunk"));
    ASSERT_NE(d.find_surface("Chrome"), nullptr);  // a writer finds the new surface
    EXPECT_EQ(target.tag(LWPTAG_SURF, index(triangle(nullptr, "Chrome"))), d.find_tag("Chrome"));
    EXPECT_EQ(d.surfaces.size(), 3u);
    // Refused: points outside the edit layer, an unknown template, a point past the end, no points.
    EXPECT_EQ(triangle(nullptr, nullptr, LWPOLTYPE_FACE, 1), nullptr);
    EXPECT_EQ(triangle(nullptr, nullptr, LWPOLTYPE_FACE, 2), nullptr);
    EXPECT_EQ(triangle(polygon_handle({1, 5}), nullptr), nullptr);
    const LWPntID past[2] = {point_handle({0, 0}), point_handle({0, 8})};
    EXPECT_EQ(op->addPoly(op->state, LWPOLTYPE_FACE, nullptr, nullptr, 2, past), nullptr);
    EXPECT_EQ(op->addPoly(op->state, LWPOLTYPE_FACE, nullptr, nullptr, 0, past), nullptr);
    EXPECT_EQ(result.polygons_added, 4u);
}

TEST_F(OpenSession, MapsAreFoundByTextAndTypeInThePointsLayerAndMadeThere) {
    float v[3] = {-1, -1, -1};
    EXPECT_EQ(op->pointVSet(op->state, nullptr, LWVMAP_WGHT, "Bark UV"), 0);  // right name, wrong type
    EXPECT_EQ(op->pointVGet(op->state, point_handle({1, 0}), v), 0);
    EXPECT_EQ(op->pointVSet(op->state, nullptr, LWVMAP_TXUV, "Bark UV"), 1);
    EXPECT_EQ(op->pointVGet(op->state, point_handle({1, 2}), v), 1);
    EXPECT_EQ(op->pointVGet(op->state, point_handle({1, 1}), v), 0);  // no value: nothing written
    EXPECT_EQ(op->pointVGet(op->state, point_handle({0, 0}), v), 0);  // the map is not in this layer
    EXPECT_EQ(std::vector<float>(v, v + 3), (std::vector<float>{1.0f, 0.75f, -1}));
    EXPECT_EQ(op->pointVSet(op->state, nullptr, LWVMAP_MORF, "Smile2"), 0);  // chosen before it exists
    char name[16] = "Smile1";  // one buffer with new text: a new map
    EXPECT_EQ(op->pntVMap(op->state, point_handle({0, 4}), LWVMAP_MORF, name, 3, v), EDERR_NONE);
    std::strcpy(name, "Smile2");
    v[2] = 2;
    EXPECT_EQ(op->pntVMap(op->state, point_handle({0, 4}), LWVMAP_MORF, name, 3, v), EDERR_NONE);
    EXPECT_EQ(op->pntVMap(op->state, point_handle({0, 4}), LWVMAP_SPOT, name, 3, v), EDERR_NONE);  // another type
    EXPECT_EQ(d.layers[0].vmaps.size(), 3u);
    EXPECT_EQ(d.layers[1].vmaps.size(), 2u);
    float back[3] = {};
    EXPECT_EQ(op->pointVGet(op->state, point_handle({0, 4}), back), 1);
    EXPECT_EQ(back[2], 2.0f);
    EXPECT_EQ(result.map_values_written, 3u);
    EXPECT_EQ(op->pntVMap(op->state, point_handle({1, 0}), LWVMAP_TXUV, "Bark UV", 3, v), EDERR_BADVMAP);
    EXPECT_EQ(op->pntVMap(op->state, nullptr, LWVMAP_TXUV, "Bark UV", 2, v), EDERR_BADARGS);
    EXPECT_EQ(op->pntVMap(op->state, point_handle({1, 0}), LWVMAP_TXUV, "Bark UV", 0, v), EDERR_BADARGS);
    EXPECT_EQ(d.layers[1].find_vmap(LWVMAP_TXUV, "Bark UV")->value(0)[0], 0.25f);
}

// Every kind of edit a session can make, so that taking it back is tested on all of them.
void edit_everything(MeshEditOp* op) {
    double at[3] = {0, 0, 0};
    const LWPntID points[3] = {op->addPoint(op->state, at), op->addPoint(op->state, at), point_handle({0, 0})};
    op->addPoly(op->state, LWPOLTYPE_FACE, polygon_handle({1, 0}), nullptr, 3, points);   // new tag kinds
    op->addPoly(op->state, LWPOLTYPE_FACE, polygon_handle({1, 0}), "Chrome", 3, points);  // new tag name, surface
    float uv[2] = {9, 9}, w = 0.125f;
    op->pntVMap(op->state, point_handle({1, 0}), LWVMAP_TXUV, "Bark UV", 2, uv);  // overwrite a value
    op->pntVMap(op->state, point_handle({1, 1}), LWVMAP_TXUV, "Bark UV", 2, uv);  // give a point a value
    op->pntVMap(op->state, point_handle({1, 3}), LWVMAP_WGHT, "Height", 1, &w);    // grow the map's arrays
    op->pntVMap(op->state, point_handle({0, 9}), LWVMAP_WGHT, "ZK_index", 1, &w);  // a new map
    op->pntVMap(op->state, point_handle({1, 0}), LWVMAP_TXUV, "Bark UV", 2, uv);  // the same value twice
}

// More map names than the session remembers by their pointers, in turn, and a remembered pointer
// whose text now names another map: every value lands in the map its name says.
TEST_F(OpenSession, ManyMapNamesInTurnEachFindTheirMap) {
    std::vector<std::string> names;
    for (int k = 0; k < 40; ++k) names.push_back("map" + std::to_string(k));
    for (std::uint32_t round = 0; round < 3; ++round)
        for (std::size_t k = 0; k < names.size(); ++k) {
            float v = float(100 * round + k);
            ASSERT_EQ(op->pntVMap(op->state, point_handle({0, round}), LWVMAP_WGHT, names[k].c_str(), 1, &v), EDERR_NONE);
        }
    float again = 5;  // map5 again, remembered by its pointer
    ASSERT_EQ(op->pntVMap(op->state, point_handle({0, 0}), LWVMAP_WGHT, names[5].c_str(), 1, &again), EDERR_NONE);
    const char* kept = names[5].c_str();
    names[5] = "map6";  // same length: the text changes in place
    ASSERT_EQ(names[5].c_str(), kept);
    float w = 7;
    ASSERT_EQ(op->pntVMap(op->state, point_handle({0, 3}), LWVMAP_WGHT, names[5].c_str(), 1, &w), EDERR_NONE);
    for (std::size_t k = 0; k < 40; ++k) {
        const VertexMap* map = d.layers[0].find_vmap(LWVMAP_WGHT, "map" + std::to_string(k));
        ASSERT_TRUE(map) << k;
        for (std::uint32_t round = 0; round < 3; ++round) EXPECT_EQ(map->value(round)[0], float(100 * round + k)) << k;
        EXPECT_EQ(map->has_value(3), k == 6) << k;
    }
    EXPECT_EQ(d.layers[0].find_vmap(LWVMAP_WGHT, "map6")->value(3)[0], 7.0f);
}

// A session closed with an error, or never closed, leaves the document exactly as before; done
// without an error keeps every edit, and a later done cannot take them back.
TEST_F(OpenSession, OnlyDoneWithoutAnErrorKeepsTheEdits) {
    const std::string before = dump(d);
    edit_everything(op);
    const std::string edited = dump(d);
    ASSERT_NE(edited, before);
    op->done(op->state, EDERR_USERABORT, 0);
    EXPECT_EQ(dump(d), before);
    EXPECT_TRUE(result.done_called && !result.kept);
    EXPECT_EQ(result.error, EDERR_USERABORT);
    EXPECT_EQ(std::vector<std::size_t>({result.points_added, result.polygons_added}), std::vector<std::size_t>({2, 2}));
    {
        Session never_closed(d, Layers{0}, Layers{1});
        edit_everything(never_closed.op());
    }
    EXPECT_EQ(dump(d), before);
    Session kept(d, Layers{0}, Layers{1});
    MeshEditOp* k = kept.op();
    edit_everything(k);
    k->done(k->state, EDERR_NONE, 0);
    k->done(k->state, EDERR_USERABORT, 0);
    EXPECT_EQ(dump(d), edited);
    EXPECT_TRUE(kept.result().kept && kept.result().error == EDERR_NONE);
    double at[3] = {0, 0, 0};  // the session has ended
    EXPECT_EQ(k->addPoint(k->state, at), nullptr);
    EXPECT_EQ(k->polyScan(k->state, [](void*, const EDPolygonInfo*) { return EDERR_NONE; }, nullptr, OPLYR_FG), EDERR_BADARGS);
}

}  // namespace
}  // namespace zelkor::host

// The mesh-edit session as a plug-in sees it: counts, selection, scans and element information,
// all called through the MeshEditOp table.
#include "host/session.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/handles.h"
#include "tests/host/test_mesh.h"

namespace zelkor::host {
namespace {

using testing::add_layer;
using testing::add_polygon;
using testing::add_up_quad;

struct Visit {
    LWPolID pol;
    int flags;
    int layer;
    int points;
    LWID type;
};

EDError record_polygon(void* data, const EDPolygonInfo* p) {
    static_cast<std::vector<Visit>*>(data)->push_back({p->pol, p->flags, p->layer, p->numPnts, p->type});
    return EDERR_NONE;
}

// Three layers: index 0 (number 0) with two quads, index 1 (number 4) with one quad, index 2
// (number 7) with a quad and a subdivision patch.
Document three_layers() {
    Document d;
    Layer& a = add_layer(d, 0);
    add_up_quad(a, 0, 0);
    add_up_quad(a, 2, 0);
    add_up_quad(add_layer(d, 4), 0, 5);
    Layer& c = add_layer(d, 7);
    add_up_quad(c, 0, 1);
    add_polygon(c, {0, 1, 2}, LWPOLTYPE_SUBD);
    return d;
}

TEST(SessionCounts, CountLayersAsGiven) {
    Document d = three_layers();
    const std::vector<int> fg = {0, 2}, bg = {1};
    Session session(d, fg, bg);
    MeshEditOp* op = session.op();
    EXPECT_EQ(op->pointCount(op->state, OPLYR_FG, EDCOUNT_ALL), 12);
    EXPECT_EQ(op->pointCount(op->state, OPLYR_BG, EDCOUNT_ALL), 4);
    EXPECT_EQ(op->pointCount(op->state, OPLYR_FG | OPLYR_BG, EDCOUNT_ALL), 16);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_ALL), 4);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_BG, EDCOUNT_ALL), 1);
    EXPECT_EQ(op->layerNum, 1);  // the first foreground layer as a modeller numbers it
}

TEST(SessionSelection, NoSelectionMeansEveryForegroundPolygon) {
    Document d = three_layers();
    const std::vector<int> fg = {0, 2}, bg = {1};
    Session session(d, fg, bg);
    MeshEditOp* op = session.op();
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_SELECT), 4);
    std::vector<Visit> visits;
    EXPECT_EQ(op->polyScan(op->state, record_polygon, &visits, OPLYR_FG), EDERR_NONE);
    ASSERT_EQ(visits.size(), 4u);
    for (const Visit& v : visits) EXPECT_EQ(v.flags, EDDF_SELECT);
}

TEST(SessionSelection, SelectedPolygonsOfAnyForegroundLayerRestrictIt) {
    Document d = three_layers();
    d.layers[2].poly_selected[1] = 1;  // only the patch of the third layer
    const std::vector<int> fg = {0, 2}, bg = {1};
    Session session(d, fg, bg);
    MeshEditOp* op = session.op();
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_SELECT), 1);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_ALL), 4);
    std::vector<Visit> visits;
    op->polyScan(op->state, record_polygon, &visits, OPLYR_FG);
    ASSERT_EQ(visits.size(), 4u);
    EXPECT_EQ(visits[0].flags, 0);
    EXPECT_EQ(visits[1].flags, 0);
    EXPECT_EQ(visits[2].flags, 0);
    EXPECT_EQ(visits[3].flags, EDDF_SELECT);
    EXPECT_EQ(op->polyInfo(op->state, visits[3].pol)->flags, EDDF_SELECT);
    EXPECT_EQ(op->polyInfo(op->state, visits[0].pol)->flags, 0);

    // A new polygon is not selected while others are.
    const LWPntID corners[3] = {point_handle({0, 0}), point_handle({0, 1}), point_handle({0, 2})};
    LWPolID made = op->addPoly(op->state, LWPOLTYPE_FACE, nullptr, nullptr, 3, corners);
    EXPECT_EQ(op->polyInfo(op->state, made)->flags, 0);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_SELECT), 1);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_ALL), 5);
}

TEST(SessionSelection, BackgroundPolygonsAreNeverSelected) {
    Document d = three_layers();
    d.layers[1].poly_selected[0] = 1;
    const std::vector<int> fg = {0}, bg = {1};
    Session session(d, fg, bg);
    MeshEditOp* op = session.op();
    EXPECT_EQ(op->polyCount(op->state, OPLYR_BG, EDCOUNT_SELECT), 0);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_SELECT), 2);  // the foreground has no selection
    std::vector<Visit> visits;
    op->polyScan(op->state, record_polygon, &visits, OPLYR_BG);
    ASSERT_EQ(visits.size(), 1u);
    EXPECT_EQ(visits[0].flags, 0);
}

TEST(SessionScan, VisitsLayersInOrderThenPolygonsInOrder) {
    Document d = three_layers();
    const std::vector<int> fg = {2, 0}, bg = {1};
    Session session(d, fg, bg);
    MeshEditOp* op = session.op();
    std::vector<Visit> visits;
    EXPECT_EQ(op->polyScan(op->state, record_polygon, &visits, OPLYR_FG | OPLYR_BG), EDERR_NONE);
    ASSERT_EQ(visits.size(), 5u);
    const std::uint32_t expected[5][2] = {{2, 0}, {2, 1}, {0, 0}, {0, 1}, {1, 0}};
    const int numbers[5] = {8, 8, 1, 1, 5};
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(polygon_ref(visits[k].pol).layer, expected[k][0]) << k;
        EXPECT_EQ(polygon_ref(visits[k].pol).index, expected[k][1]) << k;
        EXPECT_EQ(visits[k].layer, numbers[k]) << k;
    }
    EXPECT_EQ(visits[1].type, LWPOLTYPE_SUBD);
    EXPECT_EQ(visits[1].points, 3);
    EXPECT_EQ(visits[0].type, LWPOLTYPE_FACE);
}

TEST(SessionScan, PointScanGivesPositionsInOrder) {
    Document d = three_layers();
    const std::vector<int> fg = {0}, bg = {1};
    Session session(d, fg, bg);
    MeshEditOp* op = session.op();
    std::vector<double> seen;
    auto callback = [](void* data, const EDPointInfo* p) -> EDError {
        auto* out = static_cast<std::vector<double>*>(data);
        out->insert(out->end(), p->position, p->position + 3);
        EXPECT_EQ(p->flags, EDDF_SELECT);
        EXPECT_EQ(p->vmapVec, nullptr);
        return EDERR_NONE;
    };
    EXPECT_EQ(op->pointScan(op->state, callback, &seen, OPLYR_BG), EDERR_NONE);
    EXPECT_EQ(seen, d.layers[1].positions);
    seen.clear();
    op->pointScan(op->state, callback, &seen, OPLYR_FG);
    EXPECT_EQ(seen, d.layers[0].positions);
}

TEST(SessionScan, StopsAtTheFirstErrorAndReturnsIt) {
    Document d = three_layers();
    const std::vector<int> fg = {0, 2}, bg = {};
    Session session(d, fg, bg);
    MeshEditOp* op = session.op();
    int calls = 0;
    auto callback = [](void* data, const EDPolygonInfo*) -> EDError {
        return ++*static_cast<int*>(data) == 2 ? EDERR_USERABORT : EDERR_NONE;
    };
    EXPECT_EQ(op->polyScan(op->state, callback, &calls, OPLYR_FG), EDERR_USERABORT);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(op->polyScan(op->state, callback, &calls, 0), EDERR_BADLAYER);
}

// The clone pattern: scan the background and build new geometry in the foreground from inside
// the callback, asking for point and polygon information on the way.
struct CopyState {
    MeshEditOp* op;
    int visits = 0;
    bool points_kept = true;
};

EDError copy_polygon(void* data, const EDPolygonInfo* p) {
    auto* s = static_cast<CopyState*>(data);
    ++s->visits;
    const std::vector<LWPntID> before(p->points, p->points + p->numPnts);
    std::vector<LWPntID> made;
    for (int k = 0; k < p->numPnts; ++k) {
        EDPointInfo* info = s->op->pointInfo(s->op->state, p->points[k]);
        double at[3] = {info->position[0] + 10, info->position[1], info->position[2]};
        made.push_back(s->op->addPoint(s->op->state, at));
    }
    s->op->polyInfo(s->op->state, s->op->addPoly(s->op->state, p->type, p->pol, nullptr, p->numPnts, made.data()));
    s->points_kept = s->points_kept && std::vector<LWPntID>(p->points, p->points + p->numPnts) == before;
    return EDERR_NONE;
}

TEST(SessionScan, SurvivesGeometryAddedByItsCallback) {
    Document d;
    add_layer(d, 0);
    Layer& bg = add_layer(d, 1);
    for (int k = 0; k < 200; ++k) add_up_quad(bg, k, 0);  // enough to make the foreground reallocate
    const std::vector<int> fg_layers = {0}, bg_layers = {1};
    Session session(d, fg_layers, bg_layers);
    CopyState state{session.op()};
    MeshEditOp* op = session.op();
    EXPECT_EQ(op->polyScan(op->state, copy_polygon, &state, OPLYR_BG), EDERR_NONE);
    EXPECT_EQ(state.visits, 200);
    EXPECT_TRUE(state.points_kept);  // polyInfo inside the callback did not overwrite the scan's list
    EXPECT_EQ(d.layers[0].polygon_count(), 200u);
    EXPECT_EQ(d.layers[0].position(799)[0], 200.0 + 10.0);

    // A foreground scan visits the polygons present when it starts, not those its callback adds.
    state.visits = 0;
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_ALL), 200);
    EXPECT_EQ(op->polyScan(op->state, copy_polygon, &state, OPLYR_FG), EDERR_NONE);
    EXPECT_EQ(state.visits, 200);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_ALL), 400);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_SELECT), 400);  // nothing marked: all count
}

TEST(SessionInfo, PolygonInfoNamesPointsSurfaceAndType) {
    Document d = three_layers();
    d.layers[1].set_tag(LWPTAG_SURF, 0, d.tag_index("Bark"));
    const std::vector<int> fg = {0}, bg = {1};
    Session session(d, fg, bg);
    MeshEditOp* op = session.op();
    EDPolygonInfo* p = op->polyInfo(op->state, polygon_handle({1, 0}));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->surface, "Bark");
    EXPECT_EQ(p->type, LWPOLTYPE_FACE);
    ASSERT_EQ(p->numPnts, 4);
    EDPointInfo* corner = op->pointInfo(op->state, p->points[2]);
    ASSERT_NE(corner, nullptr);
    EXPECT_EQ(corner->position[0], 1.0);
    EXPECT_EQ(corner->position[1], 5.0);
    EXPECT_EQ(corner->position[2], 1.0);
    EXPECT_EQ(corner->pnt, p->points[2]);
    EXPECT_EQ(op->polyInfo(op->state, polygon_handle({0, 0}))->surface, nullptr);
}

TEST(SessionInfo, UnknownHandlesGiveNothing) {
    Document d = three_layers();
    const std::vector<int> fg = {0}, bg = {1};  // layer 2 is neither
    Session session(d, fg, bg);
    MeshEditOp* op = session.op();
    EXPECT_EQ(op->pointInfo(op->state, nullptr), nullptr);
    EXPECT_EQ(op->pointInfo(op->state, point_handle({0, 8})), nullptr);   // past the layer's points
    EXPECT_EQ(op->pointInfo(op->state, point_handle({2, 0})), nullptr);   // not an active layer
    EXPECT_EQ(op->pointInfo(op->state, point_handle({9, 0})), nullptr);   // no such layer
    EXPECT_EQ(op->polyInfo(op->state, polygon_handle({0, 2})), nullptr);
    EXPECT_EQ(op->polyInfo(op->state, polygon_handle({2, 0})), nullptr);
    EXPECT_NE(op->pointInfo(op->state, point_handle({0, 7})), nullptr);
    double n[3] = {5, 5, 5};
    EXPECT_EQ(op->polyNormal(op->state, polygon_handle({0, 2}), n), 0);
    EXPECT_EQ(n[0], 0.0);
    EXPECT_EQ(n[1], 0.0);
    EXPECT_EQ(n[2], 0.0);
}

TEST(SessionInfo, PolyNormalUsesNewell) {
    Document d;
    Layer& l = add_layer(d, 0);
    add_up_quad(l, 0, 0);
    add_polygon(l, {0, 1});  // two points: no normal
    const std::vector<int> fg = {0}, bg = {};
    Session session(d, fg, bg);
    MeshEditOp* op = session.op();
    double n[3] = {5, 5, 5};
    EXPECT_EQ(op->polyNormal(op->state, polygon_handle({0, 0}), n), 1);
    EXPECT_EQ(n[0], 0.0);
    EXPECT_EQ(n[1], 1.0);
    EXPECT_EQ(n[2], 0.0);
    EXPECT_EQ(op->polyNormal(op->state, polygon_handle({0, 1}), n), 0);
    EXPECT_EQ(n[1], 0.0);
}

TEST(Handles, RoundTripLayerAndIndex) {
    for (ElementRef ref : {ElementRef{0, 0}, ElementRef{0, 1}, ElementRef{3, 0}, ElementRef{1, 0xFFFFFFFEu},
                           ElementRef{65535, 123456789}}) {
        LWPntID p = point_handle(ref);
        LWPolID q = polygon_handle(ref);
        EXPECT_NE(p, nullptr);
        EXPECT_EQ(point_ref(p).layer, ref.layer);
        EXPECT_EQ(point_ref(p).index, ref.index);
        EXPECT_EQ(polygon_ref(q).layer, ref.layer);
        EXPECT_EQ(polygon_ref(q).index, ref.index);
    }
    EXPECT_NE(point_handle({0, 1}), point_handle({1, 0}));
}

TEST(SessionLayers, RefusesBadLayerSets) {
    Document d = three_layers();
    const std::vector<int> out_of_range = {3}, none = {}, zero = {0};
    EXPECT_THROW(Session(d, out_of_range, none), std::invalid_argument);
    try {
        Session session(d, zero, zero);
        FAIL() << "a layer in both sets was accepted";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "layer 0 is both foreground and background");
    }
}

}  // namespace
}  // namespace zelkor::host

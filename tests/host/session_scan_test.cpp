// The mesh-edit session as a plug-in sees it: counts, selection, scans and element information,
// all called through the MeshEditOp table.
#include "host/session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/handles.h"
#include "tests/host/test_mesh.h"

namespace zelkor::host {
namespace {

using testing::add_layer;
using testing::add_up_quad;

// One line per visited polygon: layer.index, the layer as a modeller numbers it, type, point
// count and flags.
std::vector<std::string> scan(MeshEditOp* op, EltOpLayer layers) {
    std::vector<std::string> visits;
    auto record = [](void* data, const EDPolygonInfo* p) -> EDError {
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
    c.add_polygon(LWPOLTYPE_SUBD, std::vector<std::uint32_t>{0, 1, 2});
    return d;
}

struct Open {
    std::vector<int> fg, bg;
    Session session;
    MeshEditOp* op;
    Open(Document& d, std::vector<int> f, std::vector<int> b) : fg(f), bg(b), session(d, fg, bg), op(session.op()) {}
};

TEST(SessionScan, CountsAndVisitsLayersInOrderThenPolygonsInOrder) {
    Document d = three_layers();
    Open s(d, {2, 0}, {1});
    MeshEditOp* op = s.op;
    EXPECT_EQ(op->pointCount(op->state, OPLYR_FG, EDCOUNT_ALL), 12);
    EXPECT_EQ(op->pointCount(op->state, OPLYR_FG | OPLYR_BG, EDCOUNT_ALL), 16);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_ALL), 4);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_BG, EDCOUNT_ALL), 1);
    EXPECT_EQ(op->layerNum, 8);  // the first foreground layer as a modeller numbers it
    double at[3] = {1.5, -2.0, 3.25};
    LWPntID added = op->addPoint(op->state, at);  // into the first foreground layer, counted at once
    EXPECT_EQ(point_ref(added).layer, 2u);
    EXPECT_EQ(point_ref(added).index, 4u);
    EXPECT_EQ(std::vector<double>(op->pointInfo(op->state, added)->position, op->pointInfo(op->state, added)->position + 3),
              (std::vector<double>{1.5, -2.0, 3.25}));
    EXPECT_EQ(op->pointCount(op->state, OPLYR_FG, EDCOUNT_ALL), 13);
    EXPECT_EQ(scan(op, OPLYR_FG | OPLYR_BG), (std::vector<std::string>{"2.0 #8 face 4 S", "2.1 #8 subd 3 S",
                                                                        "0.0 #1 face 4 S", "0.1 #1 face 4 S",
                                                                        "1.0 #5 face 4 -"}));
    std::vector<double> seen;
    auto callback = [](void* data, const EDPointInfo* p) -> EDError {
        auto* out = static_cast<std::vector<double>*>(data);
        out->insert(out->end(), p->position, p->position + 3);
        EXPECT_EQ(p->flags, EDDF_SELECT);
        return EDERR_NONE;
    };
    EXPECT_EQ(op->pointScan(op->state, callback, &seen, OPLYR_BG), EDERR_NONE);
    EXPECT_EQ(seen, d.layers[1].positions);
}

// With no foreground polygon selected every foreground polygon counts as selected; background
// polygons never are.
TEST(SessionSelection, NoneSelectedMeansAllSelected) {
    const struct {
        int marked_layer;  // its last polygon is marked selected; -1: nothing marked
        std::vector<int> fg;
        EltOpLayer scanned;
        int count;
        std::vector<std::string> visits;
    } cases[] = {
        {-1, {0, 2}, OPLYR_FG, 4, {"0.0 #1 face 4 S", "0.1 #1 face 4 S", "2.0 #8 face 4 S", "2.1 #8 subd 3 S"}},
        {2, {0, 2}, OPLYR_FG, 1, {"0.0 #1 face 4 -", "0.1 #1 face 4 -", "2.0 #8 face 4 -", "2.1 #8 subd 3 S"}},
        {1, {0}, OPLYR_BG, 0, {"1.0 #5 face 4 -"}},
        {1, {0}, OPLYR_FG, 2, {"0.0 #1 face 4 S", "0.1 #1 face 4 S"}},
    };
    for (const auto& c : cases) {
        Document d = three_layers();
        if (c.marked_layer >= 0) d.layers[std::size_t(c.marked_layer)].poly_selected.back() = 1;
        Open s(d, c.fg, {1});
        EXPECT_EQ(s.op->polyCount(s.op->state, c.scanned, EDCOUNT_SELECT), c.count) << c.marked_layer;
        EXPECT_EQ(scan(s.op, c.scanned), c.visits) << c.marked_layer;
    }
    // A new polygon is not selected while others are.
    Document d = three_layers();
    d.layers[2].poly_selected[1] = 1;
    Open s(d, {0, 2}, {1});
    const LWPntID corners[3] = {point_handle({0, 0}), point_handle({0, 1}), point_handle({0, 2})};
    EXPECT_EQ(s.op->polyInfo(s.op->state, s.op->addPoly(s.op->state, LWPOLTYPE_FACE, nullptr, nullptr, 3, corners))->flags, 0);
    EXPECT_EQ(s.op->polyInfo(s.op->state, polygon_handle({2, 1}))->flags, EDDF_SELECT);
    EXPECT_EQ(s.op->polyCount(s.op->state, OPLYR_FG, EDCOUNT_SELECT), 1);
}

TEST(SessionScan, StopsAtTheFirstErrorAndReturnsIt) {
    Document d = three_layers();
    Open s(d, {0, 2}, {});
    int calls = 0;
    auto callback = [](void* data, const EDPolygonInfo*) -> EDError {
        return ++*static_cast<int*>(data) == 2 ? EDERR_USERABORT : EDERR_NONE;
    };
    EXPECT_EQ(s.op->polyScan(s.op->state, callback, &calls, OPLYR_FG), EDERR_USERABORT);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(s.op->polyScan(s.op->state, callback, &calls, 0), EDERR_BADLAYER);
}

// The clone pattern: copy each scanned polygon into the foreground from inside the callback,
// asking for point and polygon information on the way.
EDError copy_polygon(void* data, const EDPolygonInfo* p) {
    auto* op = static_cast<MeshEditOp*>(data);
    const std::vector<LWPntID> before(p->points, p->points + p->numPnts);
    std::vector<LWPntID> made;
    for (LWPntID point : before) {
        EDPointInfo* info = op->pointInfo(op->state, point);
        double at[3] = {info->position[0] + 10, info->position[1], info->position[2]};
        made.push_back(op->addPoint(op->state, at));
    }
    op->polyInfo(op->state, op->addPoly(op->state, p->type, p->pol, nullptr, p->numPnts, made.data()));
    // polyInfo inside the callback must not overwrite the scan's point list.
    return std::vector<LWPntID>(p->points, p->points + p->numPnts) == before ? EDERR_NONE : EDERR_BADARGS;
}

TEST(SessionScan, SurvivesGeometryAddedByItsCallback) {
    Document d;
    add_layer(d, 0);
    Layer& bg = add_layer(d, 1);
    for (int k = 0; k < 200; ++k) add_up_quad(bg, k, 0);  // enough to make the foreground reallocate
    Open s(d, {0}, {1});
    MeshEditOp* op = s.op;
    EXPECT_EQ(op->polyScan(op->state, copy_polygon, op, OPLYR_BG), EDERR_NONE);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_ALL), 200);
    EXPECT_EQ(d.layers[0].position(799)[0], 200.0 + 10.0);
    // A foreground scan visits the polygons present when it starts, not those its callback adds.
    EXPECT_EQ(op->polyScan(op->state, copy_polygon, op, OPLYR_FG), EDERR_NONE);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_ALL), 400);
    EXPECT_EQ(op->polyCount(op->state, OPLYR_FG, EDCOUNT_SELECT), 400);  // nothing marked: all count
}

TEST(SessionInfo, PolygonAndPointInfo) {
    Document d = three_layers();
    d.layers[1].set_tag(LWPTAG_SURF, 0, d.tag_index("Bark"));
    Open s(d, {0}, {1});  // layer 2 is neither
    MeshEditOp* op = s.op;
    EDPolygonInfo* p = op->polyInfo(op->state, polygon_handle({1, 0}));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->surface, "Bark");
    EXPECT_EQ(p->type, LWPOLTYPE_FACE);
    ASSERT_EQ(p->numPnts, 4);
    EDPointInfo* corner = op->pointInfo(op->state, p->points[2]);
    EXPECT_EQ(std::vector<double>(corner->position, corner->position + 3), (std::vector<double>{1.0, 5.0, 1.0}));
    EXPECT_EQ(corner->pnt, p->points[2]);
    EXPECT_EQ(op->polyInfo(op->state, polygon_handle({0, 0}))->surface, nullptr);
    double n[3] = {5, 5, 5};
    EXPECT_EQ(op->polyNormal(op->state, polygon_handle({0, 1}), n), 1);
    EXPECT_EQ(std::vector<double>(n, n + 3), (std::vector<double>{0.0, 1.0, 0.0}));

    EXPECT_NE(op->pointInfo(op->state, point_handle({0, 7})), nullptr);
    for (LWPntID unknown : {LWPntID(nullptr), point_handle({0, 8}), point_handle({2, 0}), point_handle({9, 0})})
        EXPECT_EQ(op->pointInfo(op->state, unknown), nullptr);
    EXPECT_EQ(op->polyInfo(op->state, polygon_handle({0, 2})), nullptr);
    EXPECT_EQ(op->polyInfo(op->state, polygon_handle({2, 0})), nullptr);
    EXPECT_EQ(op->polyNormal(op->state, polygon_handle({0, 2}), n), 0);
    EXPECT_EQ(std::vector<double>(n, n + 3), (std::vector<double>{0.0, 0.0, 0.0}));
}

TEST(Handles, RoundTripLayerAndIndex) {
    for (ElementRef ref : {ElementRef{0, 0}, ElementRef{3, 0}, ElementRef{1, 0xFFFFFFFEu}, ElementRef{65535, 123456789}}) {
        EXPECT_NE(point_handle(ref), nullptr);
        EXPECT_EQ(point_ref(point_handle(ref)).layer, ref.layer);
        EXPECT_EQ(point_ref(point_handle(ref)).index, ref.index);
        EXPECT_EQ(polygon_ref(polygon_handle(ref)).layer, ref.layer);
        EXPECT_EQ(polygon_ref(polygon_handle(ref)).index, ref.index);
    }
    EXPECT_NE(point_handle({0, 1}), point_handle({1, 0}));
}

}  // namespace
}  // namespace zelkor::host

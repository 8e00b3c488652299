// The weight of a polygon in a weight map. (The popup list and the indices are used end to end by
// the panel and placement tests.)
#include "params/weight_map.h"

#include <gtest/gtest.h>

#include "host/session.h"

namespace zelkor {
namespace {

TEST(WeightMap, PolygonWeightIsTheMeanOfItsCornersWithMissingAsZero) {
    // Two triangles over four points; map A has 1 at point 0 and 0.5 at point 1, map B -3 at point 3.
    host::Layer layer;
    for (int p = 0; p < 4; ++p) layer.add_point(p % 2, 0, p / 2);
    const std::uint32_t tris[2][3] = {{0, 1, 2}, {1, 3, 2}};
    for (const auto& tri : tris) layer.add_polygon(LWPOLTYPE_FACE, tri);
    const std::tuple<const char*, std::uint32_t, float> values[] = {{"A", 0, 1.0f}, {"A", 1, 0.5f}, {"B", 3, -3.0f}};
    for (const auto& [name, point, value] : values) layer.vmap(LWVMAP_WGHT, name, 1).set(point, &value);
    host::Document document;
    document.layers = {std::move(layer), host::Layer()};
    host::Session session(document, std::vector<int>{0}, std::vector<int>{1});
    std::vector<LWPolID> polygon;
    auto collect = [](void* data, const EDPolygonInfo* p) {
        return static_cast<std::vector<LWPolID>*>(data)->push_back(p->pol), EDERR_NONE;
    };
    session.op()->polyScan(session.op()->state, collect, &polygon, OPLYR_FG);
    ASSERT_EQ(polygon.size(), 2u);

    weight_map wm(nullptr);
    wm.add_edit(session.op());
    EXPECT_EQ(wm.calc_weight(polygon[0], XYZ6_typ(), "A"), 1.0);  // no map known to the object yet
    wm.wg_list = new weight_map::WG_typ;  // a known map, as get_list would leave it
    EXPECT_EQ(wm.calc_weight(polygon[0], XYZ6_typ(), "A"), 0.5);  // 1, 0.5 and no value
    EXPECT_EQ(wm.calc_weight(polygon[1], XYZ6_typ(), "A"), float(0.5f / 3.0f));
    EXPECT_EQ(wm.calc_weight(polygon[1], XYZ6_typ(9, 9, 9), "B"), -1.0);
    EXPECT_EQ(wm.calc_weight(polygon[0], XYZ6_typ(), "B"), 0.0);  // no corner in the map
    EXPECT_EQ(wm.calc_weight(polygon[0], XYZ6_typ(), nullptr), 1.0);
}

}  // namespace
}  // namespace zelkor

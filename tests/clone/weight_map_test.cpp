// The weight maps of the object: the popup list, indices to names, and polygon weights.
#include <gtest/gtest.h>

#include "host/active.h"
#include "host/modeler.h"
#include "host/session.h"
#include "params/weight_map.h"

namespace zelkor {
namespace {

struct WeightFixture : ::testing::Test {
    void SetUp() override {
        host::Layer layer;
        layer.add_point(0, 0, 0);
        layer.add_point(1, 0, 0);
        layer.add_point(0, 0, 1);
        layer.add_point(1, 0, 1);
        std::uint32_t tri[3] = {0, 1, 2};
        layer.add_polygon(LWPOLTYPE_FACE, tri);
        std::uint32_t other[3] = {1, 3, 2};
        layer.add_polygon(LWPOLTYPE_FACE, other);
        layer.vmap(LWVMAP_WGHT, "A", 1);
        layer.vmap(LWVMAP_WGHT, "B", 1);
        float one = 1.0f, half = 0.5f, minus = -3.0f;
        layer.find_vmap(LWVMAP_WGHT, "A")->set(0, &one);
        layer.find_vmap(LWVMAP_WGHT, "A")->set(1, &half);
        layer.find_vmap(LWVMAP_WGHT, "B")->set(3, &minus);
        document.layers.push_back(std::move(layer));
        document.layers.emplace_back();
        modeler = std::make_unique<host::Modeler>(document);
        modeler->set_layers({0}, {1});
        session = std::make_unique<host::Session>(document, std::vector<int>{0}, std::vector<int>{1});
    }
    LWPolID polygon(int index) {
        struct Found {
            int wanted, at = 0;
            LWPolID id = nullptr;
        } found{index};
        session->op()->polyScan(
            session->op()->state,
            [](void* data, const EDPolygonInfo* p) {
                Found* f = static_cast<Found*>(data);
                if (f->at++ == f->wanted) f->id = p->pol;
                return EDERR_NONE;
            },
            &found, OPLYR_FG);
        return found.id;
    }

    host::Document document;
    std::unique_ptr<host::Modeler> modeler;
    std::unique_ptr<host::Session> session;
};

TEST_F(WeightFixture, PopupListAndIndicesFollowTheHostsOrder) {
    weight_map wm(nullptr);
    host::ObjectService objects;
    objects.refresh(document);
    host::ActiveScope<host::ObjectService> active(objects);
    const char** list = wm.get_list(host::ObjectService::table());
    ASSERT_STREQ(list[0], "none");
    EXPECT_STREQ(list[1], "A");
    EXPECT_STREQ(list[2], "B");
    EXPECT_EQ(list[3], nullptr);
    EXPECT_EQ(wm.wg_count, 2);
    EXPECT_STREQ(wm.get_name(1)->name, "A");
    EXPECT_STREQ(wm.get_name(2)->name, "B");
    EXPECT_EQ(wm.get_name(0), nullptr);
    EXPECT_EQ(wm.get_name(3), nullptr);
    EXPECT_EQ(wm.get_name(-1), nullptr);
    delete[] list;
}

TEST_F(WeightFixture, PolygonWeightIsTheMeanOfItsCornersWithMissingAsZero) {
    weight_map wm(nullptr);
    wm.add_edit(session->op());
    wm.wg_list = new weight_map::WG_typ;  // a known map, as get_list would leave it
    EXPECT_EQ(wm.calc_weight(polygon(0), XYZ6_typ(), "A"), 0.5);   // 1, 0.5 and no value
    EXPECT_EQ(wm.calc_weight(polygon(1), XYZ6_typ(), "A"), float(0.5f / 3.0f));
    EXPECT_EQ(wm.calc_weight(polygon(1), XYZ6_typ(9, 9, 9), "B"), -1.0);
    EXPECT_EQ(wm.calc_weight(polygon(0), XYZ6_typ(), "B"), 0.0);   // no corner in the map
    EXPECT_EQ(wm.calc_weight(polygon(0), XYZ6_typ(), nullptr), 1.0);
}

TEST_F(WeightFixture, WithoutMapsOrSessionTheWeightIsOne) {
    weight_map wm(session->op());
    EXPECT_EQ(wm.calc_weight(polygon(0), XYZ6_typ(), "A"), 1.0);  // no map known to the object
}

}  // namespace
}  // namespace zelkor

// Room set aside for a layer's growth and mapped on another thread: the edits that arrive while it
// runs, and beyond what was set aside, keep every value; the room ends up mapped. Vertex maps
// mapped ahead as they grow keep their values too.
#include <gtest/gtest.h>

#include "host/page_warmer.h"
#include "host/session.h"
#include "resident_pages.h"

namespace zelkor::host {
namespace {

TEST(PageWarmer, EditsDuringAndBeyondTheWarmingKeepTheirValues) {
    // growth beyond: how many more points and quads the edits add than were set aside.
    for (std::uint32_t beyond : {0u, 1u, 300000u}) {
        Layer layer;
        layer.add_point(1, 2, 3);
        layer.tags_of(LWPTAG_SURF);
        const std::uint32_t grown = 400000;  // 9.6 MB of positions: large blocks, on their own mappings
        {
            const std::unique_ptr<PageWarmer> warmer = warm_layer_growth(layer, {grown, grown, 4ull * grown});
            warmer->start();
            EXPECT_GE(layer.positions.capacity(), 3u * (grown + 1));
            EXPECT_GE(layer.poly_points.capacity(), 4u * grown);
            for (std::uint32_t k = 0; k < grown + beyond; ++k) {
                const std::uint32_t p = layer.add_point(k, -double(k), 0.5 * k);
                const std::uint32_t quad[] = {p, p, 0, p};
                layer.set_tag(LWPTAG_SURF, layer.add_polygon(LWPOLTYPE_FACE, quad), std::int32_t(k % 3));
            }
        }
        ASSERT_EQ(layer.point_count(), grown + beyond + 1);
        for (std::uint32_t k = 0; k < grown + beyond; ++k) {
            const double* at = layer.position(k + 1);
            ASSERT_TRUE(at[0] == k && at[1] == -double(k) && at[2] == 0.5 * k) << k;
            ASSERT_EQ(layer.polygon(k)[3], k + 1);
            ASSERT_EQ(layer.tag(LWPTAG_SURF, k), std::int32_t(k % 3));
        }
    }
}

TEST(PageWarmer, MapsTheRoomItWasGiven) {
    Layer layer;
    std::unique_ptr<PageWarmer> warmer = warm_layer_growth(layer, {1000000, 0, 0});
    warmer->start();
    warmer->wait();
    const std::size_t bytes = layer.positions.capacity() * sizeof(double);
    EXPECT_GE(resident_pages(layer.positions.data(), bytes), whole_pages(bytes) - 1);
    EXPECT_EQ(layer.point_count(), 0u);
}

// Vertex maps that grow through a session get room mapped ahead of them while they fill (and
// move, as they grow): the values written are the values kept, or, taken back, none remain.
TEST(AheadWarmer, GrowingMapsKeepTheirValuesOrAreTakenBackWhole) {
    constexpr std::uint32_t kPoints = 700000;  // 8.4 MB of three-value maps: large blocks, grown twice
    for (bool keep : {true, false}) {
        Document document;
        document.layers.emplace_back();
        Layer& layer = document.layers.back();
        for (std::uint32_t k = 0; k < kPoints; ++k) layer.add_point(k, 0, 0);
        {
            Session session(document, std::vector<int>{0}, std::vector<int>{});
            MeshEditOp* op = session.op();
            for (std::uint32_t k = 0; k < kPoints; ++k) {
                if (k / 1000 % 7 == 3) continue;  // a map with gaps: pages made out of step with the points
                float morph[3] = {float(k), -float(k), 0.25f};
                float weight = float(k % 97);
                ASSERT_EQ(op->pntVMap(op->state, point_handle({0, k}), LWVMAP_MORF, "lift", 3, morph), EDERR_NONE);
                ASSERT_EQ(op->pntVMap(op->state, point_handle({0, k}), LWVMAP_WGHT, "fade", 1, &weight), EDERR_NONE);
            }
            op->done(op->state, keep ? EDERR_NONE : EDERR_USERABORT, 0);
        }
        const VertexMap* lift = layer.find_vmap(LWVMAP_MORF, "lift");
        const VertexMap* fade = layer.find_vmap(LWVMAP_WGHT, "fade");
        if (!keep) {
            EXPECT_TRUE(!lift && !fade);
            continue;
        }
        ASSERT_TRUE(lift && fade);
        for (std::uint32_t k = 0; k < kPoints; ++k) {
            const bool has = k / 1000 % 7 != 3;
            ASSERT_EQ(lift->has_value(k), has) << k;
            ASSERT_EQ(fade->has_value(k), has) << k;
            if (!has) continue;
            ASSERT_TRUE(lift->value(k)[0] == float(k) && lift->value(k)[1] == -float(k) && lift->value(k)[2] == 0.25f) << k;
            ASSERT_EQ(fade->value(k)[0], float(k % 97)) << k;
        }
    }
}

}  // namespace
}  // namespace zelkor::host

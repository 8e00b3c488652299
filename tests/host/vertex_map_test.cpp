// Vertex-map values kept in pages of 256 points: values across page edges, truncation (what a
// session's take-back does) inside a page, at an edge and past the end, and the pages given back.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "host/document.h"

namespace zelkor::host {
namespace {

TEST(VertexMap, PagesAcrossEdgesAndTruncation) {
    // left: the points left, ascending; last_page_freed: a new value on point 1000 would need a
    // fresh page (a page cut inside is kept, emptied).
    struct Case { std::uint32_t span; std::vector<std::uint32_t> left; bool last_page_freed; };
    const std::vector<std::uint32_t> all = {0, 255, 256, 511, 700, 1000};
    const Case cases[] = {{2000, all, false}, {1001, all, false}, {1000, {0, 255, 256, 511, 700}, false},
                          {701, {0, 255, 256, 511, 700}, true}, {512, {0, 255, 256, 511}, true},
                          {256, {0, 255}, true}, {1, {0}, true}, {0, {}, true}};
    for (const Case& c : cases) {
        VertexMap map;
        map.dimension = 2;
        for (std::uint32_t p : {700, 0, 255, 256, 1000, 511}) {  // pages made out of order
            const float v[2] = {float(p), -1.0f};
            map.set(p, v);
        }
        map.clear(511);
        map.set(511, std::vector<float>{511.0f, 0.0f}.data());  // cleared, then written again
        map.truncate(c.span);
        std::vector<std::uint32_t> points;
        map.for_each_value([&](std::uint32_t p, const float* v) {
            EXPECT_EQ(v[0], float(p)) << "point " << p;
            points.push_back(p);
        });
        EXPECT_EQ(points, c.left) << "span " << c.span;
        EXPECT_EQ(map.value_count(), c.left.size()) << "span " << c.span;
        EXPECT_EQ(map.point_span(), std::min(c.span, 1001u)) << "span " << c.span;
        EXPECT_EQ(map.bytes_to_set(1000) != 0, c.last_page_freed) << "span " << c.span;
        EXPECT_FALSE(map.has_value(5000));
    }
}

TEST(VertexMap, SameValuesIgnoresPageOrder) {
    VertexMap a, b;
    a.dimension = b.dimension = 1;
    const float one = 1.0f, two = 2.0f;
    a.set(10, &one);
    a.set(900, &two);
    b.set(900, &two);  // pages made in the other order
    b.set(10, &one);
    EXPECT_TRUE(a.same_values(b));
    b.set(10, &two);
    EXPECT_FALSE(a.same_values(b));
}

}  // namespace
}  // namespace zelkor::host

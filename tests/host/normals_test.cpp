#include "host/normals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace zelkor::host {
namespace {

TEST(NewellNormal, UnitNormalsAndDegeneratePolygons) {
    const std::vector<double> xz_quad = {0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 0, 0};
    const std::vector<double> scattered = {9, 9, 9, 1, 0, 0, 0, 0, 1, 5, 5, 5, 0, 0, 0, 1, 0, 1};
    const std::vector<double> line = {0, 0, 0, 1, 1, 1, 2, 2, 2, 0, 0, 0};
    const struct {
        const std::vector<double>& positions;
        std::vector<std::uint32_t> points;
        int answer;
        double n[3];
    } cases[] = {
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
        EXPECT_EQ(std::vector<double>(n, n + 3), std::vector<double>(c.n, c.n + 3)) << c.points.size() << " points";
    }
}

}  // namespace
}  // namespace zelkor::host

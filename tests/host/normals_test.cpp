#include "host/normals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace zelkor::host {
namespace {

struct Normal {
    int answer;
    double n[3];
};

Normal normal_of(const std::vector<double>& positions, std::vector<std::uint32_t> points) {
    Normal r{-1, {7, 7, 7}};  // garbage, so that a missing write shows
    r.answer = newell_normal(positions.data(), points, r.n);
    return r;
}

TEST(NewellNormal, QuadInXZPlaneFacesUp) {
    const Normal r = normal_of({0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 0, 0}, {0, 1, 2, 3});
    EXPECT_EQ(r.answer, 1);
    EXPECT_EQ(r.n[0], 0.0);
    EXPECT_EQ(r.n[1], 1.0);
    EXPECT_EQ(r.n[2], 0.0);
}

TEST(NewellNormal, ReversedWindingFacesDown) {
    const Normal r = normal_of({0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 0, 0}, {3, 2, 1, 0});
    EXPECT_EQ(r.answer, 1);
    EXPECT_EQ(r.n[1], -1.0);
    EXPECT_EQ(r.n[0], 0.0);
    EXPECT_EQ(r.n[2], 0.0);
}

TEST(NewellNormal, CounterClockwiseTriangleInXYFacesPlusZ) {
    const Normal r = normal_of({0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2});
    EXPECT_EQ(r.answer, 1);
    EXPECT_EQ(r.n[0], 0.0);
    EXPECT_EQ(r.n[1], 0.0);
    EXPECT_EQ(r.n[2], 1.0);
}

TEST(NewellNormal, SlopedQuadIsUnitLength) {
    // Sum (0, 2, -2) by the three formulas, divided by its length sqrt(8).
    const Normal r = normal_of({0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0}, {0, 1, 2, 3});
    EXPECT_EQ(r.answer, 1);
    EXPECT_EQ(r.n[0], 0.0);
    EXPECT_EQ(r.n[1], 2.0 / std::sqrt(8.0));
    EXPECT_EQ(r.n[2], -2.0 / std::sqrt(8.0));
}

TEST(NewellNormal, PointsAreReadThroughTheIndexList) {
    // The same up-facing quad, scattered among unrelated points.
    const Normal r = normal_of({9, 9, 9, 1, 0, 0, 0, 0, 1, 5, 5, 5, 0, 0, 0, 1, 0, 1}, {4, 2, 5, 1});
    EXPECT_EQ(r.answer, 1);
    EXPECT_EQ(r.n[1], 1.0);
}

TEST(NewellNormal, DegeneratePolygonsGiveZero) {
    const std::vector<double> positions = {0, 0, 0, 1, 1, 1, 2, 2, 2, 0, 0, 0};
    for (const std::vector<std::uint32_t>& points : std::vector<std::vector<std::uint32_t>>{
             {}, {0}, {0, 1}, {0, 1, 2} /* collinear */, {0, 3, 0} /* one spot */}) {
        const Normal r = normal_of(positions, points);
        EXPECT_EQ(r.answer, 0) << points.size() << " points";
        EXPECT_EQ(r.n[0], 0.0);
        EXPECT_EQ(r.n[1], 0.0);
        EXPECT_EQ(r.n[2], 0.0);
    }
}

}  // namespace
}  // namespace zelkor::host

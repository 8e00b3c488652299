#include "math/face.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using zelkor::calc_area;
using zelkor::calc_poly_area;
using zelkor::calc_triangle_area;
using zelkor::face6_typ;
using zelkor::XYZ6_typ;

namespace {

void fill(face6_typ& face, std::vector<XYZ6_typ> points) {
    delete[] face.points;
    face.num_points = static_cast<int>(points.size());
    face.points = new XYZ6_typ[points.size()];
    for (size_t i = 0; i < points.size(); ++i) face.points[i] = points[i];
}

TEST(TriangleArea, ExactAreas) {
    EXPECT_EQ(calc_triangle_area({0, 0, 0}, {3, 0, 0}, {0, 0, 4}), 6.0);
    EXPECT_EQ(calc_triangle_area({0, 0, 4}, {0, 0, 0}, {3, 0, 0}), 6.0);
    // Grouping Heron's four factors another way changes the last bit here.
    XYZ6_typ a(0, 0, 0), b(0.7138938812756741, 1.6326876758878557, 1.1098654996442376),
        c(1.8117601157885834, 1.877160912324162, 0.19658657771943933);
    double d1 = a.calc_distance(b), d2 = b.calc_distance(c), d3 = c.calc_distance(a);
    double s = (d1 + d2 + d3) * 0.5;
    ASSERT_NE(std::sqrt((s * (s - d3)) * ((s - d2) * (s - d1))), 1.5184335129186732);
    EXPECT_EQ(calc_triangle_area(a, b, c), 1.5184335129186732);
}

TEST(TriangleArea, CollinearPointsGiveExactlyZero) {
    EXPECT_EQ(calc_triangle_area({0, 0, 0}, {1, 0, 0}, {2, 0, 0}), 0.0);
    EXPECT_EQ(calc_triangle_area({1, 2, 3}, {1, 2, 3}, {1, 2, 3}), 0.0);
    // Here rounding makes Heron's product negative; the area is still 0, not NaN.
    XYZ6_typ a(0, 0, 0), b(0.06, 0, 0.13999999999999999), c(0.18000000000000002, 0, 0.42000000000000004);
    double d1 = a.calc_distance(b), d2 = b.calc_distance(c), d3 = c.calc_distance(a);
    double s = (d1 + d2 + d3) * 0.5;
    ASSERT_LT((s - d3) * ((s - d2) * ((s - d1) * s)), 0.0);
    EXPECT_EQ(calc_triangle_area(a, b, c), 0.0);
}

TEST(PolyArea, FewerThanThreePointsIsZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    face6_typ table[3];
    fill(table[1], {{nan, 0, 0}});
    fill(table[2], {{0, 0, 0}, {nan, 5, 5}});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(calc_poly_area(i, table), 0.0) << "record " << i;
}

TEST(PolyArea, FanFromTheFirstPoint) {
    face6_typ square;
    fill(square, {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}});
    EXPECT_EQ(calc_poly_area(0, &square),
              calc_triangle_area({0, 0, 0}, {1, 0, 0}, {1, 0, 1}) + calc_triangle_area({0, 0, 0}, {1, 0, 1}, {0, 0, 1}));
    EXPECT_NEAR(calc_poly_area(0, &square), 1.0, 1e-15);
    // A U shape of true area 5: the fan triangle on points 0, 3, 4 turns the other way and adds 1
    // instead of taking it away, so the fan gives 7.
    face6_typ u;
    fill(u, {{0, 0, 0}, {3, 0, 0}, {3, 0, 2}, {2, 0, 2}, {2, 0, 1}, {1, 0, 1}, {1, 0, 2}, {0, 0, 2}});
    EXPECT_NEAR(calc_poly_area(0, &u), 7.0, 1e-14);
}

TEST(TotalArea, SumsRecordsInIndexOrder) {
    face6_typ table[3];
    fill(table[0], {{0, 0, 0}, {0.1, 0, 0}, {0, 0, 0.3}});
    fill(table[1], {{0, 0, 0}, {3, 0, 0}, {0, 0, 4}});
    fill(table[2], {{0, 0, 0}, {1e-8, 0, 0}, {0, 0, 3e-8}});
    double expected = 0.0;
    for (int i = 0; i < 3; ++i) expected += calc_poly_area(i, table);
    EXPECT_EQ(calc_area(table, 3), expected);
    EXPECT_EQ(calc_area(table, 2), calc_poly_area(0, table) + 6.0);
    EXPECT_EQ(calc_area(table, 0), 0.0);
    EXPECT_EQ(calc_area(table, -2), 0.0);
}

}  // namespace

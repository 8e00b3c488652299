#include "math/face.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace zelkor {
namespace {

void fill(face6_typ& face, const std::vector<XYZ6_typ>& points) {
    delete[] face.points;
    face.num_points = static_cast<int>(points.size());
    face.points = new XYZ6_typ[points.size()];
    std::copy(points.begin(), points.end(), face.points);
}

TEST(TriangleArea, ExactAreasAndCollinearZero) {
    EXPECT_EQ(calc_triangle_area({0, 0, 0}, {3, 0, 0}, {0, 0, 4}), 6.0);
    EXPECT_EQ(calc_triangle_area({0, 0, 4}, {0, 0, 0}, {3, 0, 0}), 6.0);
    EXPECT_EQ(calc_triangle_area({0, 0, 0}, {1, 0, 0}, {2, 0, 0}), 0.0);
    EXPECT_EQ(calc_triangle_area({1, 2, 3}, {1, 2, 3}, {1, 2, 3}), 0.0);
    // Grouping Heron's four factors another way changes the last bit here.
    XYZ6_typ a(0, 0, 0), b(0.7138938812756741, 1.6326876758878557, 1.1098654996442376),
        c(1.8117601157885834, 1.877160912324162, 0.19658657771943933);
    double d1 = a.calc_distance(b), d2 = b.calc_distance(c), d3 = c.calc_distance(a);
    double s = (d1 + d2 + d3) * 0.5;
    ASSERT_NE(std::sqrt((s * (s - d3)) * ((s - d2) * (s - d1))), 1.5184335129186732);
    EXPECT_EQ(calc_triangle_area(a, b, c), 1.5184335129186732);
    // Here rounding makes Heron's product negative; the area is still 0, not NaN.
    b = {0.06, 0, 0.13999999999999999}, c = {0.18000000000000002, 0, 0.42000000000000004};
    d1 = a.calc_distance(b), d2 = b.calc_distance(c), d3 = c.calc_distance(a), s = (d1 + d2 + d3) * 0.5;
    ASSERT_LT((s - d3) * ((s - d2) * ((s - d1) * s)), 0.0);
    EXPECT_EQ(calc_triangle_area(a, b, c), 0.0);
}

TEST(PolyArea, FanFromTheFirstPoint) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    face6_typ few[3];  // fewer than three points: zero, whatever the points hold
    fill(few[1], {{nan, 0, 0}});
    fill(few[2], {{0, 0, 0}, {nan, 5, 5}});
    EXPECT_TRUE(calc_poly_area(0, few) == 0.0 && calc_poly_area(1, few) == 0.0 && calc_poly_area(2, few) == 0.0);

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
    EXPECT_EQ(calc_area(table, 3), (calc_poly_area(0, table) + 6.0) + calc_poly_area(2, table));
    EXPECT_TRUE(calc_area(table, 0) == 0.0 && calc_area(table, -2) == 0.0);
}

}  // namespace
}  // namespace zelkor

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

// Heron's product as the area function forms it, before the square root.
double heron_product(XYZ6_typ a, XYZ6_typ b, XYZ6_typ c) {
    double d1 = a.calc_distance(b), d2 = b.calc_distance(c), d3 = c.calc_distance(a);
    double s = (d1 + d2 + d3) * 0.5;
    return (s - d3) * ((s - d2) * ((s - d1) * s));
}

// --- the record -------------------------------------------------------------------------------

TEST(Face, StartsEmpty) {
    face6_typ face;
    EXPECT_EQ(face.num_points, 0);
    EXPECT_EQ(face.points, nullptr);
    EXPECT_FALSE(face.normal != 0.0);
    EXPECT_EQ(face.polID, nullptr);
}

TEST(Face, TableOfUnfilledRecordsFreesNothing) {
    face6_typ* table = new face6_typ[4];
    fill(table[2], {{1, 2, 3}});
    delete[] table;  // the sanitizer build checks that only the one array is released
}

TEST(Face, MoveTranslatesEveryPoint) {
    face6_typ face;
    fill(face, {{0, 0, 0}, {1, 2, 3}, {-1, 0.5, 4}});
    face.move(XYZ6_typ(10.0, 20.0, 30.0));
    EXPECT_EQ(face.points[0].x, 10.0);
    EXPECT_EQ(face.points[1].y, 22.0);
    EXPECT_EQ(face.points[2].x, 9.0);
    EXPECT_EQ(face.points[2].y, 20.5);
    EXPECT_EQ(face.points[2].z, 34.0);
}

// --- triangle area ----------------------------------------------------------------------------

TEST(TriangleArea, RightTriangle) {
    EXPECT_EQ(calc_triangle_area({0, 0, 0}, {3, 0, 0}, {0, 0, 4}), 6.0);
    EXPECT_EQ(calc_triangle_area({0, 0, 4}, {0, 0, 0}, {3, 0, 0}), 6.0);
}

TEST(TriangleArea, HeronNestingOrder) {
    // A triangle where grouping the four factors differently changes the last bit.
    XYZ6_typ a(0, 0, 0), b(0.7138938812756741, 1.6326876758878557, 1.1098654996442376),
        c(1.8117601157885834, 1.877160912324162, 0.19658657771943933);
    double d1 = a.calc_distance(b), d2 = b.calc_distance(c), d3 = c.calc_distance(a);
    double s = (d1 + d2 + d3) * 0.5;
    ASSERT_NE(std::sqrt((s * (s - d3)) * ((s - d2) * (s - d1))), 1.5184335129186732);
    EXPECT_EQ(calc_triangle_area(a, b, c), 1.5184335129186732);
}

TEST(TriangleArea, CollinearPointsGiveExactlyZero) {
    EXPECT_EQ(calc_triangle_area({0, 0, 0}, {1, 0, 0}, {2, 0, 0}), 0.0);
    // Here rounding makes Heron's product negative; the area is still 0, not NaN.
    XYZ6_typ a(0, 0, 0), b(0.06, 0, 0.13999999999999999), c(0.18000000000000002, 0, 0.42000000000000004);
    ASSERT_LT(heron_product(a, b, c), 0.0);
    EXPECT_EQ(calc_triangle_area(a, b, c), 0.0);
}

TEST(TriangleArea, CollapsedTriangle) {
    EXPECT_EQ(calc_triangle_area({1, 2, 3}, {1, 2, 3}, {1, 2, 3}), 0.0);
}

// --- polygon and total areas ------------------------------------------------------------------

TEST(PolyArea, FewerThanThreePointsIsZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    face6_typ table[3];
    fill(table[1], {{nan, 0, 0}});
    fill(table[2], {{0, 0, 0}, {nan, 5, 5}});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(calc_poly_area(i, table), 0.0) << "record " << i;
}

TEST(PolyArea, UnitSquareIsTwoFanTriangles) {
    face6_typ face;
    fill(face, {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}});
    double first = calc_triangle_area({0, 0, 0}, {1, 0, 0}, {1, 0, 1});
    double second = calc_triangle_area({0, 0, 0}, {1, 0, 1}, {0, 0, 1});
    EXPECT_EQ(calc_poly_area(0, &face), first + second);
    EXPECT_NEAR(calc_poly_area(0, &face), 1.0, 1e-15);
}

TEST(PolyArea, FanOverCountsConcavePolygon) {
    // True area 5; the fan triangle on points 0, 3, 4 turns the other way and adds 1 instead
    // of taking it away, so the fan gives 7.
    std::vector<XYZ6_typ> u = {{0, 0, 0}, {3, 0, 0}, {3, 0, 2}, {2, 0, 2},
                               {2, 0, 1}, {1, 0, 1}, {1, 0, 2}, {0, 0, 2}};
    face6_typ face;
    fill(face, u);
    double fan = 0.0;
    for (int j = 2; j < 8; ++j) fan += calc_triangle_area(u[0], u[j - 1], u[j]);
    EXPECT_EQ(calc_poly_area(0, &face), fan);
    EXPECT_NEAR(calc_poly_area(0, &face), 7.0, 1e-14);
    EXPECT_NEAR(calc_triangle_area(u[0], u[3], u[4]), 1.0, 1e-15);
}

TEST(PolyArea, MidEdgePointNextToFirstStaysFinite) {
    // Points 0, 1 and 2 on one line: the first fan triangle is degenerate.
    face6_typ face;
    fill(face, {{0, 0, 0}, {0.06, 0, 0.13999999999999999}, {0.18000000000000002, 0, 0.42000000000000004},
                {0, 0, 1}});
    double area = calc_poly_area(0, &face);
    EXPECT_EQ(area, calc_triangle_area(face.points[0], face.points[2], face.points[3]));
}

TEST(TotalArea, EmptyAndNegativeCounts) {
    face6_typ face;
    fill(face, {{0, 0, 0}, {3, 0, 0}, {0, 0, 4}});
    EXPECT_EQ(calc_area(&face, 0), 0.0);
    EXPECT_EQ(calc_area(&face, -2), 0.0);
}

TEST(TotalArea, SumsRecordsInIndexOrder) {
    face6_typ table[3];
    fill(table[0], {{0, 0, 0}, {0.1, 0, 0}, {0, 0, 0.3}});
    fill(table[1], {{0, 0, 0}, {3, 0, 0}, {0, 0, 4}});
    fill(table[2], {{0, 0, 0}, {1e-8, 0, 0}, {0, 0, 3e-8}});
    double expected = 0.0;
    for (int i = 0; i < 3; ++i) expected += calc_poly_area(i, table);
    EXPECT_EQ(calc_area(table, 3), expected);
    EXPECT_EQ(calc_area(table, 2), calc_poly_area(0, table) + calc_poly_area(1, table));
    EXPECT_EQ(calc_poly_area(1, table), 6.0);
}

}  // namespace

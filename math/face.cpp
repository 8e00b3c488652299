#include "math/face.h"

#include <cmath>

namespace zelkor {

face6_typ::~face6_typ() {
    if (points != nullptr) {
        delete[] points;
        points = nullptr;
    }
}

double calc_triangle_area(XYZ6_typ a, XYZ6_typ b, XYZ6_typ c) {
    double d1 = a.calc_distance(b);
    double d2 = b.calc_distance(c);
    double d3 = c.calc_distance(a);
    double s = (d1 + d2 + d3) * 0.5;
    double product = (s - d3) * ((s - d2) * ((s - d1) * s));
    // Collinear points can round the product just below zero; such a triangle has no area,
    // and the totals built from it feed divisions that must stay finite.
    if (product < 0.0) return 0.0;
    return std::sqrt(product);
}

double calc_poly_area(int index, face6_typ* table) {
    const face6_typ& face = table[index];
    if (face.num_points < 3) return 0.0;
    double area = 0.0;
    for (int j = 2; j < face.num_points; ++j)
        area += calc_triangle_area(face.points[0], face.points[j - 1], face.points[j]);
    return area;
}

double calc_area(face6_typ* table, int count) {
    double area = 0.0;
    for (int i = 0; i < count; ++i) area += calc_poly_area(i, table);
    return area;
}

}  // namespace zelkor

#include "math/vector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

using zelkor::XYZ6_typ;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kHalfPi = std::numbers::pi / 2;

void expect_xyz(XYZ6_typ v, double x, double y, double z, double tolerance = 0.0) {
    if (tolerance == 0.0) {
        EXPECT_EQ(v.x, x);
        EXPECT_EQ(v.y, y);
        EXPECT_EQ(v.z, z);
    } else {  // through sin and cos of quarter turns, residues of about 1e-16 remain
        EXPECT_NEAR(v.x, x, tolerance);
        EXPECT_NEAR(v.y, y, tolerance);
        EXPECT_NEAR(v.z, z, tolerance);
    }
}

TEST(Vector, Arithmetic) {
    XYZ6_typ a(1.0, 2.0, 3.0), b(0.5, -1.0, 4.0);
    expect_xyz(a - b, 0.5, 3.0, -1.0);
    expect_xyz(a * 2.0, 2.0, 4.0, 6.0);
    expect_xyz(!a, -1.0, -2.0, -3.0);
    expect_xyz(XYZ6_typ(1, 0, 0) * XYZ6_typ(0, 1, 0), 0.0, 0.0, 1.0);
    expect_xyz(XYZ6_typ(1, 2, 3) * XYZ6_typ(4, 5, 6), -3.0, 6.0, -3.0);
    expect_xyz(~XYZ6_typ(3.0, 0.0, 4.0), 0.6, 0.0, 0.8);
    expect_xyz(~XYZ6_typ(), 0.0, 0.0, 0.0);
    expect_xyz(a.move(b), 1.5, 1.0, 7.0);
    expect_xyz(a, 1.0, 2.0, 3.0);  // move leaves the vector, += changes it
    a += b;
    expect_xyz(a, 1.5, 1.0, 7.0);
    EXPECT_EQ(XYZ6_typ(5.0, 5.0, 5.0).calc_distance(XYZ6_typ(5.0, 8.0, 1.0)), 5.0);
}

TEST(Vector, NotEqualToScalar) {
    EXPECT_FALSE(XYZ6_typ(-0.0, 0.0, -0.0) != 0.0);
    EXPECT_TRUE(XYZ6_typ(0.0, 0.0, 1e-300) != 0.0);
    EXPECT_FALSE(XYZ6_typ(2.0) != 2.0);
    EXPECT_TRUE(XYZ6_typ(2.0, 2.0, 3.0) != 2.0);
    EXPECT_TRUE(XYZ6_typ(0.0, kNaN, 0.0) != 0.0);
}

TEST(Vector, LengthAddsSquaresInOrder) {
    EXPECT_EQ(XYZ6_typ(1.0, 2.0, 2.0).len(), 3.0);
    // Chosen so that adding the squares in another order rounds differently.
    double x = 1.2671506181716783, y = 2.6186435207967573, z = -0.467358000231509;
    ASSERT_NE(std::sqrt(x * x + (y * y + z * z)), std::sqrt((x * x + y * y) + z * z));
    EXPECT_EQ(XYZ6_typ(x, y, z).len(), 2.9464195353893676);
}

TEST(VectorRotation, SignConventionsAtQuarterTurn) {
    const double c = std::cos(-kHalfPi);  // the tiny residue the formulas leave
    expect_xyz(XYZ6_typ(0, 1, 0).rotate_X(kHalfPi), 0.0, c, -1.0);  // +Y to -Z
    expect_xyz(XYZ6_typ(1, 0, 0).rotate_Y(kHalfPi), c, 0.0, 1.0);   // +X to +Z
    expect_xyz(XYZ6_typ(1, 0, 0).rotate_Z(kHalfPi), c, -1.0, 0.0);  // +X to -Y
    expect_xyz(XYZ6_typ(0, 0, 1).rotate_X(kHalfPi), 0.0, 1.0, 0.0, 1e-15);
    expect_xyz(XYZ6_typ(0, 0, 1).rotate_Y(kHalfPi), -1.0, 0.0, 0.0, 1e-15);
    expect_xyz(XYZ6_typ(0, 1, 0).rotate_Z(kHalfPi), 1.0, 0.0, 0.0, 1e-15);
}

TEST(VectorRotation, ZeroAngleShortcutsOnlyForXAndZ) {
    // Infinite components expose the formulas: inf * sin(0) is NaN.
    XYZ6_typ v(kInf, kInf, kInf);
    expect_xyz(v.rotate_X(0.0), kInf, kInf, kInf);
    expect_xyz(v.rotate_Z(0.0), kInf, kInf, kInf);
    expect_xyz(v.rotate_X(-0.0), kInf, kInf, kInf);
    XYZ6_typ turned = v.rotate_Y(0.0);
    EXPECT_TRUE(std::isnan(turned.x));
    EXPECT_TRUE(std::isnan(turned.z));
}

}  // namespace

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

TEST(Vector, Conv2FloatRoundsToNearest) {
    XYZ6_typ v(1.0 + std::ldexp(1.0, -24), 1.0 + 3 * std::ldexp(1.0, -25), 7.0);
    static_cast<double*>(v)[2] = 0.1;  // the pointer view writes into the vector
    float* f = v.conv2float();
    EXPECT_EQ(f[0], 1.0f);  // 1 + 2^-24 is halfway between two floats: ties to even
    EXPECT_EQ(f[1], 1.0f + std::ldexp(1.0f, -23));  // 1 + 3 * 2^-25 is above it
    EXPECT_EQ(f[2], 0.1f);
    delete[] f;
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
    const XYZ6_typ centre(1.0, 0.0, 0.0);
    expect_xyz(XYZ6_typ(2, 0, 0).rotate_Y(centre, kHalfPi), 1.0 + c, 0.0, 1.0);
    expect_xyz(XYZ6_typ(2, 0, 0).rotate_Z(centre, kHalfPi), 1.0, -1.0, 0.0, 1e-15);
    expect_xyz(XYZ6_typ(1, 1, 0).rotate_X(centre, kHalfPi), 1.0, 0.0, -1.0, 1e-15);
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
    // About a centre only rotate_Z skips the round trip: (0.1 - 0.7) + 0.7 is not 0.1.
    XYZ6_typ p(0.1), centre(0.7);
    const double round_trip = (0.1 - 0.7) + 0.7;
    ASSERT_NE(round_trip, 0.1);
    expect_xyz(p.rotate_Z(centre, 0.0), 0.1, 0.1, 0.1);
    expect_xyz(p.rotate_X(centre, 0.0), round_trip, round_trip, round_trip);
    expect_xyz(p.rotate_Y(centre, 0.0), round_trip, round_trip, round_trip);
}

TEST(VectorRotation, CompoundOrderAndLocalRoundTrip) {
    // Quarter turns about X then Z take +Y to -Z; the other order would give +X.
    expect_xyz(XYZ6_typ(0, 1, 0).rotate(XYZ6_typ(), XYZ6_typ(kHalfPi, 0, kHalfPi)), 0.0, 0.0, -1.0, 1e-15);
    XYZ6_typ origin(1.0, 2.0, 3.0), angles(0.3, -1.1, 2.2), p(-4.0, 0.5, 7.25);
    XYZ6_typ local = p.to_local(origin, angles);
    XYZ6_typ expected = (p - origin).rotate_Y(-1.1).rotate_Z(-2.2).rotate_X(-0.3);
    expect_xyz(local, expected.x, expected.y, expected.z);
    expect_xyz(local.to_global(origin, angles), p.x, p.y, p.z, 1e-14);
}

TEST(VectorRotation, FreeRotation) {
    EXPECT_EQ(XYZ6_typ(kInf, 1.0, 2.0).rotate_free(XYZ6_typ(), XYZ6_typ(1, 1, 1), 0.0).x, kInf);
    // About a vertical line it turns about Y.
    XYZ6_typ a(2.0, 0.0, 1.0), b(2.0, 5.0, 1.0), about_Y = XYZ6_typ(3.0, 4.0, 1.0).rotate_Y(a, 0.3);
    expect_xyz(XYZ6_typ(3.0, 4.0, 1.0).rotate_free(a, b, 0.3), about_Y.x, about_Y.y, about_Y.z, 1e-15);
    // The yaw brings a line along +X onto -Z but the turn is about X: (1, 0, 0) goes to (-1, 0, 0).
    expect_xyz(XYZ6_typ(1, 0, 0).rotate_free(XYZ6_typ(), XYZ6_typ(1, 0, 0), std::numbers::pi), -1.0, 0.0, 0.0, 1e-15);
}

TEST(VectorAngle, BetweenTwoVectors) {
    EXPECT_EQ(XYZ6_typ().calc_angle(XYZ6_typ(1, 0, 0)), 0.0);
    EXPECT_EQ(XYZ6_typ(1, 0, 0).calc_angle(XYZ6_typ()), 0.0);
    EXPECT_EQ(XYZ6_typ(1, 0, 0).calc_angle(XYZ6_typ(0, 3, 0)), std::acos(0.0));
    EXPECT_EQ(XYZ6_typ(1, 0, 0).calc_angle(XYZ6_typ(-2, 0, 0)), std::acos(-1.0));
    // Parallel vectors whose cosine rounds above 1 give exactly 0, not NaN.
    XYZ6_typ u(-0.94, -0.07, 0.89), v = u * 2.0;
    ASSERT_GT((u.x * v.x + u.y * v.y + u.z * v.z) / (u.len() * v.len()), 1.0);
    EXPECT_EQ(u.calc_angle(v), 0.0);
    // In the planes (y, z), (x, z), (x, y); a zero 2-D part gives 0. The vector itself is unread.
    expect_xyz(XYZ6_typ(kNaN).calc_angle(XYZ6_typ(1, 0, 0), XYZ6_typ(0, 1, 0)), 0.0, 0.0, std::acos(0.0));
    const double k = std::acos(1.0 / std::sqrt(2.0));
    expect_xyz(XYZ6_typ(kNaN).calc_angle(XYZ6_typ(1, 1, 0), XYZ6_typ(0, 1, 1)), k, std::acos(0.0), k);
}

TEST(VectorAngle, HeadingAboutYUsesItsOwnConstants) {
    const double r = std::sqrt(2.0);
    const struct {
        XYZ6_typ v;
        double heading;
    } cases[] = {
        {{0, 0, 1}, 0.0}, {{0, 5, 0}, 0.0}, {{kNaN, 0, 1}, 0.0},
        {{1, 0, 0}, 1.5707963267949}, {{0, 0, -1}, 3.1415926535898}, {{-1, 0, 0}, 4.7123889803847},
        {{1, 0, 1}, std::asin(1.0 / r)}, {{1, 0, -1}, 1.5707963267949 + std::acos(1.0 / r)},
        {{-1, 0, -1}, 4.7123889803847 - std::acos(1.0 / r)}, {{-1, 0, 1}, 4.7123889803847 + std::asin(1.0 / r)},
    };
    for (const auto& c : cases) EXPECT_EQ(c.v.calc_angle_Y(), c.heading) << c.v.x << ", " << c.v.z;
    EXPECT_NEAR(XYZ6_typ(-1, 0, 1).calc_angle_Y(), 7 * std::numbers::pi / 4, 1e-12);  // from +Z towards +X
}

TEST(VectorAngle, SignedHeadingMixesTwoConventions) {
    EXPECT_EQ(XYZ6_typ(0, 0, -5).calc_angle_Y2(), 0.0);
    EXPECT_EQ(XYZ6_typ(2, 0, 0).calc_angle_Y2(), 1.5707963267949);
    EXPECT_EQ(XYZ6_typ(-2, 0, 0).calc_angle_Y2(), -1.5707963267949);
    EXPECT_EQ(XYZ6_typ(-1, 0, -3).calc_angle_Y2(), std::atan2(-3.0, -1.0));
}

}  // namespace

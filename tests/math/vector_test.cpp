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

#define EXPECT_XYZ_EQ(v, ex, ey, ez) \
    do {                             \
        XYZ6_typ v_ = (v);           \
        EXPECT_EQ(v_.x, ex);         \
        EXPECT_EQ(v_.y, ey);         \
        EXPECT_EQ(v_.z, ez);         \
    } while (0)

// Rounding of sin and cos near quarter turns leaves residues of about 1e-16.
#define EXPECT_XYZ_NEAR(v, ex, ey, ez)    \
    do {                                  \
        XYZ6_typ v_ = (v);                \
        EXPECT_NEAR(v_.x, ex, 1e-15);     \
        EXPECT_NEAR(v_.y, ey, 1e-15);     \
        EXPECT_NEAR(v_.z, ez, 1e-15);     \
    } while (0)

// --- construction, views, assignment ---------------------------------------------------------

TEST(Vector, Construction) {
    EXPECT_XYZ_EQ(XYZ6_typ(), 0.0, 0.0, 0.0);
    EXPECT_XYZ_EQ(XYZ6_typ(2.5), 2.5, 2.5, 2.5);
    EXPECT_XYZ_EQ(XYZ6_typ(1.0, 2.0, 3.0), 1.0, 2.0, 3.0);
    double a[3] = {4.0, -5.0, 6.0};
    EXPECT_XYZ_EQ(XYZ6_typ(a), 4.0, -5.0, 6.0);
}

TEST(Vector, IsAnArrayOfThreeDoubles) {
    XYZ6_typ v(1.0, 2.0, 3.0);
    double* p = v;
    EXPECT_EQ(p, &v.x);
    EXPECT_EQ(p[2], 3.0);
    p[0] = 7.0;
    p[1] = 8.0;
    p[2] = 9.0;
    EXPECT_XYZ_EQ(v, 7.0, 8.0, 9.0);
    XYZ6_typ arr[2] = {XYZ6_typ(1.0, 2.0, 3.0), XYZ6_typ(4.0, 5.0, 6.0)};
    EXPECT_EQ(static_cast<double*>(arr[0]) + 3, static_cast<double*>(arr[1]));
}

TEST(Vector, Assignment) {
    XYZ6_typ v(1.0, 2.0, 3.0);
    XYZ6_typ r = (v = 4.0);
    EXPECT_XYZ_EQ(v, 4.0, 4.0, 4.0);
    EXPECT_XYZ_EQ(r, 4.0, 4.0, 4.0);
    const double a[3] = {-1.0, 0.5, 2.0};
    r = (v = a);
    EXPECT_XYZ_EQ(v, -1.0, 0.5, 2.0);
    EXPECT_XYZ_EQ(r, -1.0, 0.5, 2.0);
}

TEST(Vector, Conv2FloatRoundsToNearest) {
    // 1 + 2^-24 is halfway between two floats (ties to even: 1), 1 + 3 * 2^-25 is above it.
    XYZ6_typ v(1.0 + std::ldexp(1.0, -24), 1.0 + 3 * std::ldexp(1.0, -25), 0.1);
    float* f = v.conv2float();
    EXPECT_EQ(f[0], 1.0f);
    EXPECT_EQ(f[1], 1.0f + std::ldexp(1.0f, -23));
    EXPECT_EQ(f[2], 0.1f);
    delete[] f;
}

// --- arithmetic -------------------------------------------------------------------------------

TEST(Vector, ComponentArithmetic) {
    XYZ6_typ a(1.0, 2.0, 3.0), b(0.5, -1.0, 4.0);
    EXPECT_XYZ_EQ(a - b, 0.5, 3.0, -1.0);
    EXPECT_XYZ_EQ(a * 2.0, 2.0, 4.0, 6.0);
    EXPECT_XYZ_EQ(!a, -1.0, -2.0, -3.0);
}

TEST(Vector, MoveLeavesVectorButPlusAssignChangesIt) {
    XYZ6_typ a(1.0, 2.0, 3.0), d(10.0, 20.0, 30.0);
    EXPECT_XYZ_EQ(a.move(d), 11.0, 22.0, 33.0);
    EXPECT_XYZ_EQ(a, 1.0, 2.0, 3.0);
    XYZ6_typ r = (a += d);
    EXPECT_XYZ_EQ(a, 11.0, 22.0, 33.0);
    EXPECT_XYZ_EQ(r, 11.0, 22.0, 33.0);
}

TEST(Vector, CrossProductIsRightHanded) {
    EXPECT_XYZ_EQ(XYZ6_typ(1, 0, 0) * XYZ6_typ(0, 1, 0), 0.0, 0.0, 1.0);
    EXPECT_XYZ_EQ(XYZ6_typ(0, 1, 0) * XYZ6_typ(1, 0, 0), 0.0, 0.0, -1.0);
    EXPECT_XYZ_EQ(XYZ6_typ(1, 2, 3) * XYZ6_typ(4, 5, 6), -3.0, 6.0, -3.0);
}

TEST(Vector, UnitVector) {
    EXPECT_XYZ_EQ(~XYZ6_typ(3.0, 0.0, 4.0), 0.6, 0.0, 0.8);
    EXPECT_XYZ_EQ(~XYZ6_typ(), 0.0, 0.0, 0.0);
    EXPECT_XYZ_EQ(~XYZ6_typ(0.0, -2.0, 0.0), 0.0, -1.0, 0.0);
}

TEST(Vector, NotEqualToScalar) {
    EXPECT_FALSE(XYZ6_typ() != 0.0);
    EXPECT_TRUE(XYZ6_typ(0.0, 0.0, 1e-300) != 0.0);
    EXPECT_FALSE(XYZ6_typ(2.0) != 2.0);
    EXPECT_TRUE(XYZ6_typ(2.0, 2.0, 3.0) != 2.0);
    EXPECT_TRUE(XYZ6_typ(0.0, kNaN, 0.0) != 0.0);
    EXPECT_FALSE(XYZ6_typ(-0.0, 0.0, -0.0) != 0.0);
}

// --- metrics ----------------------------------------------------------------------------------

TEST(Vector, LengthAddsSquaresInOrder) {
    EXPECT_EQ(XYZ6_typ(1.0, 2.0, 2.0).len(), 3.0);
    // Chosen so that adding the squares in another order rounds differently.
    double x = 1.2671506181716783, y = 2.6186435207967573, z = -0.467358000231509;
    ASSERT_NE(std::sqrt(x * x + (y * y + z * z)), std::sqrt((x * x + y * y) + z * z));
    EXPECT_EQ(XYZ6_typ(x, y, z).len(), 2.9464195353893676);
    EXPECT_EQ(XYZ6_typ(x, y, z).len(), std::sqrt((x * x + y * y) + z * z));
}

TEST(Vector, Distance) {
    EXPECT_EQ(XYZ6_typ().calc_distance(XYZ6_typ(1.0, 2.0, 2.0)), 3.0);
    EXPECT_EQ(XYZ6_typ(1.0, 2.0, 2.0).calc_distance(XYZ6_typ()), 3.0);
    EXPECT_EQ(XYZ6_typ(5.0, 5.0, 5.0).calc_distance(XYZ6_typ(5.0, 8.0, 1.0)), 5.0);
}

// --- rotations --------------------------------------------------------------------------------

TEST(VectorRotation, SignConventionsAtQuarterTurn) {
    const double c = std::cos(-kHalfPi);  // the tiny residue the formulas leave
    // rotate_X: +Y goes to -Z
    EXPECT_XYZ_EQ(XYZ6_typ(0, 1, 0).rotate_X(kHalfPi), 0.0, c, -1.0);
    // rotate_Y: +X goes to +Z
    EXPECT_XYZ_EQ(XYZ6_typ(1, 0, 0).rotate_Y(kHalfPi), c, 0.0, 1.0);
    // rotate_Z: +X goes to -Y
    EXPECT_XYZ_EQ(XYZ6_typ(1, 0, 0).rotate_Z(kHalfPi), c, -1.0, 0.0);
    // And the other axes of each plane.
    EXPECT_XYZ_NEAR(XYZ6_typ(0, 0, 1).rotate_X(kHalfPi), 0.0, 1.0, 0.0);
    EXPECT_XYZ_NEAR(XYZ6_typ(0, 0, 1).rotate_Y(kHalfPi), -1.0, 0.0, 0.0);
    EXPECT_XYZ_NEAR(XYZ6_typ(0, 1, 0).rotate_Z(kHalfPi), 1.0, 0.0, 0.0);
}

TEST(VectorRotation, ExactFormulas) {
    const double a = 0.7, s = std::sin(-a), c = std::cos(-a);
    XYZ6_typ v(1.25, -2.5, 3.75);
    EXPECT_XYZ_EQ(v.rotate_X(a), v.x, v.y * c - v.z * s, v.y * s + v.z * c);
    EXPECT_XYZ_EQ(v.rotate_Y(a), v.x * c + v.z * s, v.y, v.z * c - v.x * s);
    EXPECT_XYZ_EQ(v.rotate_Z(a), v.x * c - v.y * s, v.y * c + v.x * s, v.z);
}

TEST(VectorRotation, ZeroAngleShortcutsOnlyForXAndZ) {
    // Infinite components expose the formulas: inf * sin(0) is NaN.
    XYZ6_typ v(kInf, kInf, kInf);
    EXPECT_XYZ_EQ(v.rotate_X(0.0), kInf, kInf, kInf);
    EXPECT_XYZ_EQ(v.rotate_Z(0.0), kInf, kInf, kInf);
    EXPECT_XYZ_EQ(v.rotate_X(-0.0), kInf, kInf, kInf);
    XYZ6_typ turned = v.rotate_Y(0.0);
    EXPECT_TRUE(std::isnan(turned.x));
    EXPECT_TRUE(std::isnan(turned.z));
    EXPECT_EQ(turned.y, kInf);
    // For finite values rotate_Y(0) still returns the same numbers.
    EXPECT_XYZ_EQ(XYZ6_typ(1.5, -2.0, 3.0).rotate_Y(0.0), 1.5, -2.0, 3.0);
}

TEST(VectorRotation, AboutACentre) {
    const double c = std::cos(-kHalfPi);
    XYZ6_typ centre(1.0, 0.0, 0.0);
    EXPECT_XYZ_EQ(XYZ6_typ(2, 0, 0).rotate_Y(centre, kHalfPi), 1.0 + c, 0.0, 1.0);
    EXPECT_XYZ_NEAR(XYZ6_typ(2, 0, 0).rotate_Z(centre, kHalfPi), 1.0, -1.0, 0.0);
    EXPECT_XYZ_NEAR(XYZ6_typ(1, 1, 0).rotate_X(centre, kHalfPi), 1.0, 0.0, -1.0);
}

TEST(VectorRotation, AboutACentreByZero) {
    // (0.1 - 0.7) + 0.7 is not 0.1: only rotate_Z skips the round trip through the centre.
    XYZ6_typ v(0.1, 0.1, 0.1), centre(0.7, 0.7, 0.7);
    const double round_trip = (0.1 - 0.7) + 0.7;
    ASSERT_NE(round_trip, 0.1);
    EXPECT_XYZ_EQ(v.rotate_Z(centre, 0.0), 0.1, 0.1, 0.1);
    EXPECT_XYZ_EQ(v.rotate_X(centre, 0.0), round_trip, round_trip, round_trip);
    EXPECT_XYZ_EQ(v.rotate_Y(centre, 0.0), round_trip, round_trip, round_trip);
}

TEST(VectorRotation, CompoundOrderIsXThenZThenY) {
    XYZ6_typ v(0.3, -1.2, 2.0), centre(1.0, 2.0, -3.0), angles(0.4, -0.9, 1.3);
    XYZ6_typ expected = (v - centre).rotate_X(0.4).rotate_Z(1.3).rotate_Y(-0.9).move(centre);
    EXPECT_XYZ_EQ(v.rotate(centre, angles), expected.x, expected.y, expected.z);
    // Quarter turns about X then Z take +Y to -Z; the other order would give +X.
    EXPECT_XYZ_NEAR(XYZ6_typ(0, 1, 0).rotate(XYZ6_typ(), XYZ6_typ(kHalfPi, 0, kHalfPi)), 0.0, 0.0,
                    -1.0);
}

TEST(VectorRotation, LocalAndGlobalRoundTrip) {
    XYZ6_typ origin(1.0, 2.0, 3.0), angles(0.3, -1.1, 2.2);
    XYZ6_typ p(-4.0, 0.5, 7.25);
    XYZ6_typ local = p.to_local(origin, angles);
    XYZ6_typ expected = (p - origin).rotate_Y(-1.1).rotate_Z(-2.2).rotate_X(-0.3);
    EXPECT_XYZ_EQ(local, expected.x, expected.y, expected.z);
    XYZ6_typ back = local.to_global(origin, angles);
    EXPECT_NEAR(back.x, p.x, 1e-14);
    EXPECT_NEAR(back.y, p.y, 1e-14);
    EXPECT_NEAR(back.z, p.z, 1e-14);
}

TEST(VectorRotation, FreeRotationByZeroIsIdentity) {
    XYZ6_typ v(kInf, 1.0, kNaN);
    XYZ6_typ r = v.rotate_free(XYZ6_typ(0, 0, 0), XYZ6_typ(1, 1, 1), 0.0);
    EXPECT_EQ(r.x, kInf);
    EXPECT_EQ(r.y, 1.0);
    EXPECT_TRUE(std::isnan(r.z));
}

TEST(VectorRotation, FreeRotationAboutVerticalLineTurnsAboutY) {
    XYZ6_typ a(2.0, 0.0, 1.0), b(2.0, 5.0, 1.0);
    XYZ6_typ r = XYZ6_typ(3.0, 4.0, 1.0).rotate_free(a, b, 0.3);
    XYZ6_typ expected = XYZ6_typ(3.0, 4.0, 1.0).rotate_Y(a, 0.3);
    EXPECT_XYZ_NEAR(r, expected.x, expected.y, expected.z);
    // Points on the line stay where they are.
    EXPECT_XYZ_NEAR(XYZ6_typ(2.0, 3.0, 1.0).rotate_free(a, b, 1.0), 2.0, 3.0, 1.0);
}

TEST(VectorRotation, FreeRotationAboutHorizontalLineFollowsItsConstruction) {
    // The yaw brings a line along +X onto -Z, but the turn is about X: a half turn then sends
    // the point (1, 0, 0), which lies on the line, to (-1, 0, 0).
    XYZ6_typ r = XYZ6_typ(1, 0, 0).rotate_free(XYZ6_typ(0, 0, 0), XYZ6_typ(1, 0, 0), std::numbers::pi);
    EXPECT_XYZ_NEAR(r, -1.0, 0.0, 0.0);
}

// --- angles -----------------------------------------------------------------------------------

TEST(VectorAngle, BetweenTwoVectors) {
    EXPECT_EQ(XYZ6_typ().calc_angle(XYZ6_typ(1, 0, 0)), 0.0);
    EXPECT_EQ(XYZ6_typ(1, 0, 0).calc_angle(XYZ6_typ()), 0.0);
    EXPECT_EQ(XYZ6_typ(1, 0, 0).calc_angle(XYZ6_typ(2, 0, 0)), 0.0);
    EXPECT_EQ(XYZ6_typ(1, 0, 0).calc_angle(XYZ6_typ(0, 3, 0)), std::acos(0.0));
    EXPECT_EQ(XYZ6_typ(1, 0, 0).calc_angle(XYZ6_typ(-2, 0, 0)), std::acos(-1.0));
    // Parallel vectors whose k rounds above 1 give exactly 0, not NaN.
    XYZ6_typ u(-0.94, -0.07, 0.89), v = u * 2.0;
    ASSERT_GT((u.x * v.x + u.y * v.y + u.z * v.z) / (u.len() * v.len()), 1.0);
    EXPECT_EQ(u.calc_angle(v), 0.0);
}

TEST(VectorAngle, InTheCoordinatePlanes) {
    XYZ6_typ unused(kNaN);
    XYZ6_typ r = unused.calc_angle(XYZ6_typ(1, 0, 0), XYZ6_typ(0, 1, 0));
    EXPECT_EQ(r.x, 0.0);  // (y, z) part of (1, 0, 0) is zero
    EXPECT_EQ(r.y, 0.0);  // (x, z) part of (0, 1, 0) is zero
    EXPECT_EQ(r.z, std::acos(0.0));
    XYZ6_typ q = unused.calc_angle(XYZ6_typ(1, 1, 0), XYZ6_typ(0, 1, 1));
    EXPECT_EQ(q.x, std::acos(1.0 / (1.0 * std::sqrt(2.0))));
    EXPECT_EQ(q.y, std::acos(0.0));
    EXPECT_EQ(q.z, std::acos(1.0 / (std::sqrt(2.0) * 1.0)));
}

TEST(VectorAngle, HeadingAboutYByQuadrant) {
    EXPECT_EQ(XYZ6_typ(0, 0, 1).calc_angle_Y(), 0.0);
    EXPECT_EQ(XYZ6_typ(0, 5, 0).calc_angle_Y(), 0.0);
    EXPECT_EQ(XYZ6_typ(1, 0, 0).calc_angle_Y(), 1.5707963267949);
    EXPECT_EQ(XYZ6_typ(0, 0, -1).calc_angle_Y(), 3.1415926535898);
    EXPECT_EQ(XYZ6_typ(-1, 0, 0).calc_angle_Y(), 4.7123889803847);
    const double r = std::sqrt(2.0);
    EXPECT_EQ(XYZ6_typ(1, 0, 1).calc_angle_Y(), std::asin(1.0 / r));
    EXPECT_EQ(XYZ6_typ(1, 0, -1).calc_angle_Y(), 1.5707963267949 + std::acos(1.0 / r));
    EXPECT_EQ(XYZ6_typ(-1, 0, -1).calc_angle_Y(), 4.7123889803847 - std::acos(1.0 / r));
    EXPECT_EQ(XYZ6_typ(-1, 0, 1).calc_angle_Y(), 4.7123889803847 + std::asin(1.0 / r));
    // The headings run from +Z towards +X round the full turn.
    const double pi = std::numbers::pi;
    EXPECT_NEAR(XYZ6_typ(1, 0, 1).calc_angle_Y(), pi / 4, 1e-12);
    EXPECT_NEAR(XYZ6_typ(1, 0, -1).calc_angle_Y(), 3 * pi / 4, 1e-12);
    EXPECT_NEAR(XYZ6_typ(-1, 0, -1).calc_angle_Y(), 5 * pi / 4, 1e-12);
    EXPECT_NEAR(XYZ6_typ(-1, 0, 1).calc_angle_Y(), 7 * pi / 4, 1e-12);
    EXPECT_EQ(XYZ6_typ(kNaN, 0, 1).calc_angle_Y(), 0.0);
}

TEST(VectorAngle, SignedHeadingMixesTwoConventions) {
    EXPECT_EQ(XYZ6_typ(0, 0, 5).calc_angle_Y2(), 0.0);
    EXPECT_EQ(XYZ6_typ(0, 0, -5).calc_angle_Y2(), 0.0);
    EXPECT_EQ(XYZ6_typ(2, 0, 0).calc_angle_Y2(), 1.5707963267949);
    EXPECT_EQ(XYZ6_typ(-2, 0, 0).calc_angle_Y2(), -1.5707963267949);
    EXPECT_EQ(XYZ6_typ(1, 0, 2).calc_angle_Y2(), std::atan2(2.0, 1.0));
    EXPECT_EQ(XYZ6_typ(-1, 0, -3).calc_angle_Y2(), std::atan2(-3.0, -1.0));
}

static_assert(sizeof(XYZ6_typ) == 24);
static_assert(std::is_standard_layout_v<XYZ6_typ>);

}  // namespace

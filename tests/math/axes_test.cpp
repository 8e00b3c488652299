#include "math/axes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using zelkor::axes_typ;
using zelkor::XYZ6_typ;

namespace {

axes_typ frame(XYZ6_typ axis_X, XYZ6_typ axis_Y) {
    axes_typ f;
    f.axis_X = axis_X;
    f.axis_Y = axis_Y;
    f.calc_transf_angles();
    return f;
}

XYZ6_typ local(const axes_typ& f, XYZ6_typ p, XYZ6_typ origin = XYZ6_typ()) {
    f.to_local(&p, origin, 1);
    return p;
}

// Results pass through sin and cos of non-trivial angles: compared to 1e-15 or the stated digits.
void expect_near(XYZ6_typ v, double x, double y, double z, double tolerance) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

TEST(Axes, StartsAtZero) {
    axes_typ f;
    for (XYZ6_typ axis : {f.axis_X, f.axis_Y, f.axis_Z}) EXPECT_FALSE(axis != 0.0);
    EXPECT_EQ(f.angle_X, 0.0);
    EXPECT_EQ(f.angle_Y, 0.0);
    EXPECT_EQ(f.angle_Z, 0.0);
}

TEST(Axes, IdentityFrameIsATranslation) {
    axes_typ f = frame(XYZ6_typ(1, 0, 0), XYZ6_typ(0, 1, 0));
    EXPECT_EQ(f.angle_Y, 0.0);
    EXPECT_EQ(f.angle_Z, 0.0);
    EXPECT_EQ(f.angle_X, 0.0);
    EXPECT_TRUE(std::signbit(f.angle_Z));
    EXPECT_TRUE(std::signbit(f.angle_X));
    XYZ6_typ origin(1.0, 2.0, 3.0);
    XYZ6_typ pts[2] = {XYZ6_typ(4.5, -1.25, 0.5), XYZ6_typ(1.0, 2.0, 3.0)};
    f.to_local(pts, origin, 2);
    EXPECT_EQ(pts[0].x, 3.5);
    EXPECT_EQ(pts[0].y, -3.25);
    EXPECT_EQ(pts[0].z, -2.5);
    EXPECT_FALSE(pts[1] != 0.0);
    f.to_global(pts, origin, 2);
    EXPECT_EQ(pts[0].x, 4.5);
    EXPECT_EQ(pts[0].y, -1.25);
    EXPECT_EQ(pts[0].z, 0.5);
}

TEST(Axes, QuarterTurnAboutY) {
    axes_typ f = frame(XYZ6_typ(0, 0, 2), XYZ6_typ(0, 1, 0));
    EXPECT_EQ(f.angle_Y, std::atan2(2.0, 0.0));
    EXPECT_EQ(f.angle_Z, 0.0);
    EXPECT_EQ(f.angle_X, 0.0);
    expect_near(local(f, XYZ6_typ(0, 0, 2)), 2.0, 0.0, 0.0, 1e-15);
    expect_near(local(f, XYZ6_typ(0, 1, 0)), 0.0, 1.0, 0.0, 1e-15);
}

TEST(Axes, TiltAboutZ) {
    axes_typ f = frame(XYZ6_typ(1, 1, 0), XYZ6_typ(-1, 1, 0));
    EXPECT_EQ(f.angle_Y, 0.0);
    EXPECT_EQ(f.angle_Z, -std::numbers::pi / 4);
    EXPECT_EQ(f.angle_X, 0.0);
    expect_near(local(f, f.axis_X), std::sqrt(2.0), 0.0, 0.0, 1e-15);
    expect_near(local(f, f.axis_Y), 0.0, std::sqrt(2.0), 0.0, 1e-15);
}

TEST(Axes, SkewAxesLandInLocalXYPlane) {
    XYZ6_typ u(0.3, 0.4, 0.5), v(0.1, -0.2, 0.3);
    axes_typ f = frame(u, v);
    expect_near(local(f, u), 0.7071068, 0.0, 0.0, 5e-8);
    expect_near(local(f, v), 0.1414214, 0.3464102, 0.0, 5e-8);
    expect_near(local(f, u * v), 0.0, 0.0, 0.2449490, 5e-8);
}

TEST(Axes, RoundTripWithOrigin) {
    axes_typ f = frame(XYZ6_typ(0.3, -0.8, 0.5), XYZ6_typ(-0.2, 0.1, 0.9));
    XYZ6_typ origin(1.0, 2.0, 3.0);
    XYZ6_typ pts[3] = {XYZ6_typ(0, 0, 0), XYZ6_typ(-7.5, 3.25, 1.0), XYZ6_typ(1.0, 2.0, 3.0)};
    XYZ6_typ copy[3] = {pts[0], pts[1], pts[2]};
    f.to_local(pts, origin, 3);
    EXPECT_FALSE(pts[2] != 0.0);  // the origin maps to local zero
    f.to_global(pts, origin, 3);
    for (int i = 0; i < 3; ++i) expect_near(pts[i], copy[i].x, copy[i].y, copy[i].z, 1e-14);
}

TEST(Axes, EmptyCountsDoNothing) {
    axes_typ f = frame(XYZ6_typ(0.3, -0.8, 0.5), XYZ6_typ(-0.2, 0.1, 0.9));
    XYZ6_typ p(1.0, 2.0, 3.0);
    f.to_local(&p, XYZ6_typ(5.0), 0);
    f.to_global(&p, XYZ6_typ(5.0), -1);
    EXPECT_EQ(p.x, 1.0);
    EXPECT_EQ(p.y, 2.0);
    EXPECT_EQ(p.z, 3.0);
}

TEST(Axes, ZeroOriginIsNotSubtracted) {
    // Subtracting an origin of negative zeros would turn the -0 in x into +0; skipping the
    // subtraction for any zero origin keeps it.
    axes_typ f = frame(XYZ6_typ(1, 0, 0), XYZ6_typ(0, 1, 0));
    XYZ6_typ p = local(f, XYZ6_typ(-0.0, 1.0, -0.0), XYZ6_typ(-0.0, -0.0, -0.0));
    EXPECT_TRUE(std::signbit(p.x));
}

TEST(Axes, DegenerateAxesGiveZeroAngles) {
    axes_typ f = frame(XYZ6_typ(), XYZ6_typ());
    EXPECT_EQ(f.angle_Y, 0.0);
    EXPECT_EQ(f.angle_Z, 0.0);
    EXPECT_EQ(f.angle_X, 0.0);
    // v parallel to u: no turn about X.
    axes_typ g = frame(XYZ6_typ(2, 0, 0), XYZ6_typ(5, 0, 0));
    EXPECT_EQ(g.angle_X, 0.0);
}

TEST(Axes, ChangingAnAxisNeedsRecalculation) {
    axes_typ f = frame(XYZ6_typ(1, 0, 0), XYZ6_typ(0, 1, 0));
    f.axis_X = XYZ6_typ(0, 0, 1);
    EXPECT_EQ(f.angle_Y, 0.0);
    f.calc_transf_angles();
    EXPECT_EQ(f.angle_Y, std::atan2(1.0, 0.0));
}

}  // namespace

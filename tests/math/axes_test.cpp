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

void expect_angles(const axes_typ& f, double y, double z, double x) {
    EXPECT_EQ(f.angle_Y, y);
    EXPECT_EQ(f.angle_Z, z);
    EXPECT_EQ(f.angle_X, x);
}

void expect_near(XYZ6_typ v, double x, double y, double z, double tolerance) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

TEST(Axes, IdentityFrameIsATranslation) {
    axes_typ f = frame(XYZ6_typ(1, 0, 0), XYZ6_typ(0, 1, 0));
    expect_angles(f, 0.0, 0.0, 0.0);
    EXPECT_TRUE(std::signbit(f.angle_Z));
    EXPECT_TRUE(std::signbit(f.angle_X));
    XYZ6_typ origin(1.0, 2.0, 3.0);
    XYZ6_typ pts[2] = {XYZ6_typ(4.5, -1.25, 0.5), origin};
    f.to_local(pts, origin, 2);
    expect_near(pts[0], 3.5, -3.25, -2.5, 0.0);
    EXPECT_FALSE(pts[1] != 0.0);
    f.to_global(pts, origin, 2);
    expect_near(pts[0], 4.5, -1.25, 0.5, 0.0);
    f.to_global(pts, XYZ6_typ(5.0), 0);  // an empty count does nothing
    f.to_local(pts, XYZ6_typ(5.0), -1);
    expect_near(pts[0], 4.5, -1.25, 0.5, 0.0);
}

TEST(Axes, StatedExamples) {
    axes_typ about_Y = frame(XYZ6_typ(0, 0, 2), XYZ6_typ(0, 1, 0));
    expect_angles(about_Y, std::atan2(2.0, 0.0), 0.0, 0.0);
    expect_near(local(about_Y, XYZ6_typ(0, 0, 2)), 2.0, 0.0, 0.0, 1e-15);
    expect_near(local(about_Y, XYZ6_typ(0, 1, 0)), 0.0, 1.0, 0.0, 1e-15);

    axes_typ tilt = frame(XYZ6_typ(1, 1, 0), XYZ6_typ(-1, 1, 0));
    expect_angles(tilt, 0.0, -std::numbers::pi / 4, 0.0);
    expect_near(local(tilt, tilt.axis_X), std::sqrt(2.0), 0.0, 0.0, 1e-15);
    expect_near(local(tilt, tilt.axis_Y), 0.0, std::sqrt(2.0), 0.0, 1e-15);

    // Skew axes: axis_X onto +X, axis_Y into the XY plane, their cross product onto +Z.
    XYZ6_typ u(0.3, 0.4, 0.5), v(0.1, -0.2, 0.3);
    axes_typ skew = frame(u, v);
    expect_near(local(skew, u), 0.7071068, 0.0, 0.0, 5e-8);
    expect_near(local(skew, v), 0.1414214, 0.3464102, 0.0, 5e-8);
    expect_near(local(skew, u * v), 0.0, 0.0, 0.2449490, 5e-8);
}

TEST(Axes, RoundTripWithOrigin) {
    axes_typ f = frame(XYZ6_typ(0.3, -0.8, 0.5), XYZ6_typ(-0.2, 0.1, 0.9));
    XYZ6_typ origin(1.0, 2.0, 3.0);
    XYZ6_typ pts[3] = {XYZ6_typ(0, 0, 0), XYZ6_typ(-7.5, 3.25, 1.0), origin};
    XYZ6_typ copy[3] = {pts[0], pts[1], pts[2]};
    f.to_local(pts, origin, 3);
    EXPECT_FALSE(pts[2] != 0.0);  // the origin maps to local zero
    f.to_global(pts, origin, 3);
    for (int i = 0; i < 3; ++i) expect_near(pts[i], copy[i].x, copy[i].y, copy[i].z, 1e-14);
}

TEST(Axes, ZeroOriginIsNotSubtracted) {
    // Subtracting an origin of negative zeros would turn the -0 in x into +0.
    axes_typ f = frame(XYZ6_typ(1, 0, 0), XYZ6_typ(0, 1, 0));
    EXPECT_TRUE(std::signbit(local(f, XYZ6_typ(-0.0, 1.0, -0.0), XYZ6_typ(-0.0)).x));
}

TEST(Axes, DegenerateAxesGiveZeroAngles) {
    expect_angles(frame(XYZ6_typ(), XYZ6_typ()), 0.0, 0.0, 0.0);
    EXPECT_EQ(frame(XYZ6_typ(2, 0, 0), XYZ6_typ(5, 0, 0)).angle_X, 0.0);  // v parallel to u
}

}  // namespace

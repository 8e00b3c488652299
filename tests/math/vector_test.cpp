// Vectors, and the frames built from two of them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

#include "math/axes.h"
#include "math/vector.h"

namespace zelkor {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kHalfPi = std::numbers::pi / 2;

// Exact unless a tolerance is given (sin and cos of quarter turns leave residues of about 1e-16).
void expect_xyz(XYZ6_typ v, XYZ6_typ want, double tolerance = 0.0) {
    EXPECT_NEAR(v.x, want.x, tolerance);
    EXPECT_NEAR(v.y, want.y, tolerance);
    EXPECT_NEAR(v.z, want.z, tolerance);
}

TEST(Vector, ArithmeticLengthAndComparison) {
    XYZ6_typ a(1.0, 2.0, 3.0), b(0.5, -1.0, 4.0);
    expect_xyz(!a, {-1.0, -2.0, -3.0});
    expect_xyz(XYZ6_typ(1, 2, 3) * XYZ6_typ(4, 5, 6), {-3.0, 6.0, -3.0});  // cross product
    expect_xyz(~XYZ6_typ(3.0, 0.0, 4.0), {0.6, 0.0, 0.8});
    expect_xyz(~XYZ6_typ(), {0.0, 0.0, 0.0});
    expect_xyz(a.move(b), {1.5, 1.0, 7.0});
    expect_xyz(a, {1.0, 2.0, 3.0});  // move leaves the vector, += changes it
    expect_xyz(a += b, {1.5, 1.0, 7.0});
    expect_xyz(a, {1.5, 1.0, 7.0});
    EXPECT_EQ(XYZ6_typ(5.0, 5.0, 5.0).calc_distance(XYZ6_typ(5.0, 8.0, 1.0)), 5.0);
    EXPECT_EQ(XYZ6_typ(1.0, 2.0, 2.0).len(), 3.0);
    // Chosen so that adding the squares in another order rounds differently.
    double x = 1.2671506181716783, y = 2.6186435207967573, z = -0.467358000231509;
    ASSERT_NE(std::sqrt(x * x + (y * y + z * z)), std::sqrt((x * x + y * y) + z * z));
    EXPECT_EQ(XYZ6_typ(x, y, z).len(), 2.9464195353893676);
    // != a scalar is false only when every component equals it.
    EXPECT_FALSE(XYZ6_typ(-0.0, 0.0, -0.0) != 0.0 || XYZ6_typ(2.0) != 2.0);
    EXPECT_TRUE(XYZ6_typ(0.0, 0.0, 1e-300) != 0.0 && XYZ6_typ(2.0, 2.0, 3.0) != 2.0);
    EXPECT_TRUE(XYZ6_typ(0.0, std::numeric_limits<double>::quiet_NaN(), 0.0) != 0.0);
}

TEST(VectorRotation, SignConventionsAndZeroAngleShortcuts) {
    const double c = std::cos(-kHalfPi);  // the tiny residue the formulas leave
    expect_xyz(XYZ6_typ(0, 1, 0).rotate_X(kHalfPi), {0.0, c, -1.0});  // +Y to -Z
    expect_xyz(XYZ6_typ(1, 0, 0).rotate_Y(kHalfPi), {c, 0.0, 1.0});   // +X to +Z
    expect_xyz(XYZ6_typ(1, 0, 0).rotate_Z(kHalfPi), {c, -1.0, 0.0});  // +X to -Y
    expect_xyz(XYZ6_typ(0, 0, 1).rotate_X(kHalfPi), {0.0, 1.0, 0.0}, 1e-15);
    expect_xyz(XYZ6_typ(0, 0, 1).rotate_Y(kHalfPi), {-1.0, 0.0, 0.0}, 1e-15);
    expect_xyz(XYZ6_typ(0, 1, 0).rotate_Z(kHalfPi), {1.0, 0.0, 0.0}, 1e-15);
    // Infinite components expose the formulas: inf * sin(0) is NaN, so only X and Z skip them.
    const XYZ6_typ v(kInf);
    EXPECT_FALSE(v.rotate_X(0.0) != kInf || v.rotate_Z(0.0) != kInf || v.rotate_X(-0.0) != kInf);
    EXPECT_TRUE(std::isnan(v.rotate_Y(0.0).x) && std::isnan(v.rotate_Y(0.0).z));
}

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

std::array<double, 3> angles_YZX(const axes_typ& f) { return {f.angle_Y, f.angle_Z, f.angle_X}; }

TEST(Axes, StatedExamples) {
    axes_typ about_Y = frame(XYZ6_typ(0, 0, 2), XYZ6_typ(0, 1, 0));
    EXPECT_EQ(angles_YZX(about_Y), (std::array{std::atan2(2.0, 0.0), 0.0, 0.0}));
    expect_xyz(local(about_Y, XYZ6_typ(0, 0, 2)), {2.0, 0.0, 0.0}, 1e-15);
    expect_xyz(local(about_Y, XYZ6_typ(0, 1, 0)), {0.0, 1.0, 0.0}, 1e-15);
    axes_typ tilt = frame(XYZ6_typ(1, 1, 0), XYZ6_typ(-1, 1, 0));
    EXPECT_EQ(angles_YZX(tilt), (std::array{0.0, -std::numbers::pi / 4, 0.0}));
    expect_xyz(local(tilt, tilt.axis_X), {std::sqrt(2.0), 0.0, 0.0}, 1e-15);
    expect_xyz(local(tilt, tilt.axis_Y), {0.0, std::sqrt(2.0), 0.0}, 1e-15);
    // Skew axes: axis_X onto +X, axis_Y into the XY plane, their cross product onto +Z.
    XYZ6_typ u(0.3, 0.4, 0.5), v(0.1, -0.2, 0.3);
    axes_typ skew = frame(u, v);
    expect_xyz(local(skew, u), {0.7071068, 0.0, 0.0}, 5e-8);
    expect_xyz(local(skew, v), {0.1414214, 0.3464102, 0.0}, 5e-8);
    expect_xyz(local(skew, u * v), {0.0, 0.0, 0.2449490}, 5e-8);
    // Degenerate axes give zero angles.
    EXPECT_EQ(angles_YZX(frame(XYZ6_typ(), XYZ6_typ())), (std::array{0.0, 0.0, 0.0}));
    EXPECT_EQ(frame(XYZ6_typ(2, 0, 0), XYZ6_typ(5, 0, 0)).angle_X, 0.0);  // v parallel to u
}

// The identity frame is an exact translation (its angles are -0, which must not disturb that);
// any frame takes the origin to local zero and back.
TEST(Axes, RoundTripWithOrigin) {
    const axes_typ identity = frame(XYZ6_typ(1, 0, 0), XYZ6_typ(0, 1, 0));
    EXPECT_EQ(angles_YZX(identity), (std::array{0.0, 0.0, 0.0}));
    EXPECT_TRUE(std::signbit(identity.angle_Z) && std::signbit(identity.angle_X));
    expect_xyz(local(identity, XYZ6_typ(4.5, -1.25, 0.5), XYZ6_typ(1.0, 2.0, 3.0)), {3.5, -3.25, -2.5});
    // Subtracting an origin of negative zeros would turn the -0 in x into +0.
    EXPECT_TRUE(std::signbit(local(identity, XYZ6_typ(-0.0, 1.0, -0.0), XYZ6_typ(-0.0)).x));
    const std::pair<axes_typ, double> frames[] = {{identity, 0.0}, {frame({0.3, -0.8, 0.5}, {-0.2, 0.1, 0.9}), 1e-14}};
    for (const auto& [f, tolerance] : frames) {
        const XYZ6_typ origin(1.0, 2.0, 3.0), copy[3] = {XYZ6_typ(0, 0, 0), XYZ6_typ(-7.5, 3.25, 1.0), origin};
        XYZ6_typ pts[3] = {copy[0], copy[1], copy[2]};
        f.to_local(pts, origin, 3);
        EXPECT_FALSE(pts[2] != 0.0);  // the origin maps to local zero
        f.to_global(pts, origin, 3);
        f.to_global(pts, XYZ6_typ(5.0), 0);  // an empty count does nothing
        f.to_local(pts, XYZ6_typ(5.0), -1);
        for (int i = 0; i < 3; ++i) expect_xyz(pts[i], copy[i], tolerance);
    }
}

}  // namespace
}  // namespace zelkor

#include "math/vector.h"

#include <cmath>

namespace zelkor {

namespace {

// pi/2, pi and 3 pi/2 to 13 decimals: the headings of calc_angle_Y are pinned to these values.
constexpr double kHalfPi = 1.5707963267949;
constexpr double kPi = 3.1415926535898;
constexpr double kThreeHalvesPi = 4.7123889803847;

// Angle between two 2-D vectors (a1, a2) and (b1, b2); 0 when either has length exactly 0.
double planar_angle(double a1, double a2, double b1, double b2) {
    double la = std::sqrt(std::pow(a1, 2.0) + std::pow(a2, 2.0));
    double lb = std::sqrt(std::pow(b1, 2.0) + std::pow(b2, 2.0));
    if (la == 0.0 || lb == 0.0) return 0.0;
    return std::acos((a1 * b1 + a2 * b2) / (la * lb));
}

}  // namespace

float* XYZ6_typ::conv2float() const {
    return new float[3]{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

XYZ6_typ& XYZ6_typ::operator=(double v) {
    x = v;
    y = v;
    z = v;
    return *this;
}

XYZ6_typ& XYZ6_typ::operator=(const double* a) {
    x = a[0];
    y = a[1];
    z = a[2];
    return *this;
}

XYZ6_typ XYZ6_typ::operator*(XYZ6_typ b) const {
    return XYZ6_typ(y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x);
}

XYZ6_typ XYZ6_typ::operator~() const {
    double l = len();
    if (l == 0.0) return XYZ6_typ();
    return XYZ6_typ(x / l, y / l, z / l);
}

XYZ6_typ XYZ6_typ::rotate_X(double a) const {
    if (a == 0.0) return *this;
    double s = std::sin(-a), c = std::cos(-a);
    return XYZ6_typ(x, y * c - z * s, y * s + z * c);
}

XYZ6_typ XYZ6_typ::rotate_Y(double a) const {
    double s = std::sin(-a), c = std::cos(-a);
    return XYZ6_typ(x * c + z * s, y, z * c - x * s);
}

XYZ6_typ XYZ6_typ::rotate_Z(double a) const {
    if (a == 0.0) return *this;
    double s = std::sin(-a), c = std::cos(-a);
    return XYZ6_typ(x * c - y * s, y * c + x * s, z);
}

XYZ6_typ XYZ6_typ::rotate_X(XYZ6_typ centre, double a) const {
    return (*this - centre).rotate_X(a).move(centre);
}

XYZ6_typ XYZ6_typ::rotate_Y(XYZ6_typ centre, double a) const {
    return (*this - centre).rotate_Y(a).move(centre);
}

XYZ6_typ XYZ6_typ::rotate_Z(XYZ6_typ centre, double a) const {
    if (a == 0.0) return *this;
    return (*this - centre).rotate_Z(a).move(centre);
}

XYZ6_typ XYZ6_typ::rotate(XYZ6_typ centre, XYZ6_typ angles) const {
    XYZ6_typ q = *this - centre;
    q = q.rotate_X(angles.x);
    q = q.rotate_Z(angles.z);
    q = q.rotate_Y(angles.y);
    return q.move(centre);
}

// Built as: turn the line a->b by its yaw and pitch, turn about X by angle, turn back. The yaw
// is measured so that a horizontal a->b lands on the Z axis while the turn itself is about X;
// nothing in the module relies on this, it is kept for geometry experiments.
XYZ6_typ XYZ6_typ::rotate_free(XYZ6_typ a, XYZ6_typ b, double angle) const {
    if (angle == 0.0) return *this;
    double dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
    double yaw = std::atan2(dx, a.z - b.z);
    double pitch = std::atan2(dy, std::sqrt(dx * dx + dz * dz));
    XYZ6_typ q = *this - a;
    q = q.rotate_Y(-yaw);
    q = q.rotate_Z(pitch);
    q = q.rotate_X(angle);
    q = q.rotate_Z(-pitch);
    q = q.rotate_Y(yaw);
    return q.move(a);
}

XYZ6_typ XYZ6_typ::to_local(XYZ6_typ origin, XYZ6_typ angles) const {
    XYZ6_typ q = *this - origin;
    q = q.rotate_Y(angles.y);
    q = q.rotate_Z(-angles.z);
    q = q.rotate_X(-angles.x);
    return q;
}

XYZ6_typ XYZ6_typ::to_global(XYZ6_typ origin, XYZ6_typ angles) const {
    XYZ6_typ q = rotate_X(angles.x);
    q = q.rotate_Z(angles.z);
    q = q.rotate_Y(-angles.y);
    return q.move(origin);
}

double XYZ6_typ::calc_angle(XYZ6_typ b) const {
    double la = len(), lb = b.len();
    if (la == 0.0 || lb == 0.0) return 0.0;
    double k = (x * b.x + y * b.y + z * b.z) / (la * lb);
    // Rounding can push k of parallel vectors just above 1, where acos is undefined.
    if (k >= 1.0) return 0.0;
    return std::acos(k);
}

XYZ6_typ XYZ6_typ::calc_angle(XYZ6_typ a, XYZ6_typ b) const {
    return XYZ6_typ(planar_angle(a.y, a.z, b.y, b.z), planar_angle(a.x, a.z, b.x, b.z),
                    planar_angle(a.x, a.y, b.x, b.y));
}

double XYZ6_typ::calc_angle_Y() const {
    double r = std::sqrt(x * x + z * z);
    if (x == 0.0 && z == 0.0) return 0.0;
    if (x >= 0.0 && z >= 0.0) {
        if (x == 0.0) return 0.0;
        if (z == 0.0) return kHalfPi;
        return std::asin(x / r);
    }
    if (x >= 0.0 && z < 0.0) {
        if (x == 0.0) return kPi;
        return kHalfPi + std::acos(x / r);
    }
    if (x < 0.0 && z <= 0.0) {
        if (z == 0.0) return kThreeHalvesPi;
        return kThreeHalvesPi - std::acos(-x / r);
    }
    if (x < 0.0 && z > 0.0) return kThreeHalvesPi + std::asin(z / r);
    return 0.0;  // a NaN component
}

// Two conventions meet here on purpose: the axis cases read the heading from +Z towards +X
// (as calc_angle_Y does), the general case is atan2(z, x), from +X towards +Z. Nothing in the
// module calls it; it is kept with exactly this behaviour so results stay comparable.
double XYZ6_typ::calc_angle_Y2() const {
    if (x == 0.0) return 0.0;
    if (z == 0.0) return x > 0.0 ? kHalfPi : -kHalfPi;
    return std::atan2(z, x);
}

}  // namespace zelkor

// The one 3-D vector and point type of the module.
//
// Three doubles and nothing else, so that an XYZ6_typ can stand in for the host's double[3]
// point positions (operator double*) and arrays of them can be handed around as plain memory.
// Every angle is in radians. Operations return new values and leave the vector unchanged unless
// they are assignments.
#pragma once

#include <cmath>
#include <type_traits>

namespace zelkor {

class XYZ6_typ {
public:
    double x;
    double y;
    double z;

    XYZ6_typ() : x(0.0), y(0.0), z(0.0) {}
    XYZ6_typ(double v) : x(v), y(v), z(v) {}
    XYZ6_typ(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    // a must point at three doubles.
    XYZ6_typ(const double* a) : x(a[0]), y(a[1]), z(a[2]) {}

    // The vector's own components, x first; writes through the pointer change the vector.
    operator double*() { return &x; }
    operator const double*() const { return &x; }
    // A new float[3] (round to nearest); the caller releases it with delete[].
    float* conv2float() const;

    XYZ6_typ& operator=(double v);
    XYZ6_typ& operator=(const double* a);

    XYZ6_typ operator-(XYZ6_typ b) const { return XYZ6_typ(x - b.x, y - b.y, z - b.z); }
    XYZ6_typ& operator+=(XYZ6_typ b) {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    XYZ6_typ operator*(double k) const { return XYZ6_typ(x * k, y * k, z * k); }
    // Cross product.
    XYZ6_typ operator*(XYZ6_typ b) const;
    // Negation.
    XYZ6_typ operator!() const { return XYZ6_typ(-x, -y, -z); }
    // Unit vector; a vector of length exactly 0 stays (0, 0, 0).
    XYZ6_typ operator~() const;
    // Translated copy; the vector itself is unchanged.
    XYZ6_typ move(XYZ6_typ d) const { return XYZ6_typ(x + d.x, y + d.y, z + d.z); }
    // False only when all three components equal v (a NaN component makes it true).
    bool operator!=(double v) const { return !(x == v && y == v && z == v); }

    double len() const { return std::sqrt(x * x + y * y + z * z); }
    double calc_distance(XYZ6_typ b) const {
        const XYZ6_typ d = *this - b;
        return std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    }

    // Rotations about the coordinate axes through the origin, with s = sin(-a), c = cos(-a):
    // for a = pi/2, rotate_X takes +Y to -Z, rotate_Y takes +X to +Z, rotate_Z takes +X to -Y.
    // rotate_X and rotate_Z return the vector untouched for a == 0; rotate_Y always computes.
    XYZ6_typ rotate_X(double a) const;
    XYZ6_typ rotate_Y(double a) const;
    XYZ6_typ rotate_Z(double a) const;

    // The same rotations about a centre: ((v - centre) rotated) + centre. Only rotate_Z
    // returns the vector untouched for a == 0.
    XYZ6_typ rotate_X(XYZ6_typ centre, double a) const;
    XYZ6_typ rotate_Y(XYZ6_typ centre, double a) const;
    XYZ6_typ rotate_Z(XYZ6_typ centre, double a) const;
    // About centre by angles.x, then angles.z, then angles.y.
    XYZ6_typ rotate(XYZ6_typ centre, XYZ6_typ angles) const;
    // Rotation by angle about the line through a and b; angle == 0 returns the vector untouched.
    XYZ6_typ rotate_free(XYZ6_typ a, XYZ6_typ b, double angle) const;

    // Into a frame at origin turned by angles (Y, then -Z, then -X) and back; to_global undoes
    // to_local with the same arguments, up to rounding.
    XYZ6_typ to_local(XYZ6_typ origin, XYZ6_typ angles) const;
    XYZ6_typ to_global(XYZ6_typ origin, XYZ6_typ angles) const;

    // Unsigned angle to b in [0, pi]; 0 when either length is exactly 0.
    double calc_angle(XYZ6_typ b) const;
    // Angles between a and b seen in the planes (y, z), (x, z) and (x, y), as x, y and z of the
    // result; a component stays 0 when either 2-D length is 0. The vector itself is not read.
    XYZ6_typ calc_angle(XYZ6_typ a, XYZ6_typ b) const;
    // Heading about Y, from +Z towards +X, in [0, 2 pi).
    double calc_angle_Y() const;
    // Signed heading about Y; see the note in vector.cpp about its two conventions.
    double calc_angle_Y2() const;
};

static_assert(sizeof(XYZ6_typ) == 3 * sizeof(double), "XYZ6_typ must be a bare double[3]");
static_assert(std::is_standard_layout_v<XYZ6_typ>, "XYZ6_typ must be a bare double[3]");
static_assert(std::is_trivially_copyable_v<XYZ6_typ>, "XYZ6_typ is copied as plain memory");

}  // namespace zelkor

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
    XYZ6_typ& operator=(const double* a) {
        x = a[0];
        y = a[1];
        z = a[2];
        return *this;
    }

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
    // Negation. (Kept although nothing negates a vector: without it !v would quietly mean
    // "the component pointer is null", through operator double*.)
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

};

static_assert(sizeof(XYZ6_typ) == 3 * sizeof(double), "XYZ6_typ must be a bare double[3]");
static_assert(std::is_standard_layout_v<XYZ6_typ>, "XYZ6_typ must be a bare double[3]");
static_assert(std::is_trivially_copyable_v<XYZ6_typ>, "XYZ6_typ is copied as plain memory");

}  // namespace zelkor

// A rotation about one coordinate axis with its sine and cosine worked out once, for loops that
// turn many vectors by the same angle. The arithmetic per vector is exactly that of XYZ6_typ's
// rotate_X, rotate_Y and rotate_Z, so the results agree to the bit.
#pragma once

#include <cmath>

#include "math/vector.h"

namespace zelkor {

struct axis_turn {
    double s = 0.0;  // sin(-a)
    double c = 1.0;  // cos(-a)
    // rotate_X and rotate_Z by exactly 0 return the vector untouched, which keeps the sign of
    // zero components; rotate_Y always computes.
    bool identity = false;

    static axis_turn about_x_or_z(double a) {
        axis_turn t;
        if (a == 0.0) {
            t.identity = true;
            return t;
        }
        t.s = std::sin(-a);
        t.c = std::cos(-a);
        return t;
    }
    static axis_turn about_y(double a) {
        axis_turn t;
        t.s = std::sin(-a);
        t.c = std::cos(-a);
        return t;
    }

    // v.rotate_X(a), v.rotate_Y(a), v.rotate_Z(a) for the angle this turn was made from.
    XYZ6_typ x(const XYZ6_typ& v) const {
        if (identity) return v;
        return XYZ6_typ(v.x, v.y * c - v.z * s, v.y * s + v.z * c);
    }
    XYZ6_typ y(const XYZ6_typ& v) const { return XYZ6_typ(v.x * c + v.z * s, v.y, v.z * c - v.x * s); }
    XYZ6_typ z(const XYZ6_typ& v) const {
        if (identity) return v;
        return XYZ6_typ(v.x * c - v.y * s, v.y * c + v.x * s, v.z);
    }
};

}  // namespace zelkor

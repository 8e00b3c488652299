// A local coordinate frame given by two directions.
//
// Fill axis_X (becomes local +X, any length) and axis_Y (ends up in the local XY plane on the
// y >= 0 side), call calc_transf_angles, then carry points between global and local
// coordinates. The random point on a polygon uses it to flatten the polygon into local XZ.
#pragma once

#include "math/vector.h"

namespace zelkor {

class axes_typ {
public:
    XYZ6_typ axis_X;
    XYZ6_typ axis_Y;
    XYZ6_typ axis_Z;  // not read by any operation of the frame
    double angle_Y = 0.0;
    double angle_Z = 0.0;
    double angle_X = 0.0;

    // Derives the three angles from axis_X and axis_Y. Degenerate axes give atan2(0, 0) = 0
    // for the affected angle, so the frame turns about fewer axes.
    void calc_transf_angles();
    // Transforms points[0..n-1] in place; origin is the global point that becomes local zero.
    // n <= 0 does nothing.
    void to_local(XYZ6_typ* points, XYZ6_typ origin, int n) const;
    // Undoes to_local with the same origin, up to rounding.
    void to_global(XYZ6_typ* points, XYZ6_typ origin, int n) const;
};

}  // namespace zelkor

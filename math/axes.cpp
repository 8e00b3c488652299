#include "math/axes.h"

#include <cmath>

namespace zelkor {

void axes_typ::calc_transf_angles() {
    const XYZ6_typ& u = axis_X;
    const XYZ6_typ& v = axis_Y;
    angle_Y = std::atan2(u.z, u.x);
    angle_Z = -std::atan2(u.y, std::sqrt(u.x * u.x + u.z * u.z));
    double ca = std::cos(angle_Y), sa = std::sin(angle_Y);
    double cb = std::cos(angle_Z), sb = std::sin(angle_Z);
    // The two arguments are v's local z and y after the Y and Z steps of to_local.
    angle_X = -std::atan2(v.z * ca - v.x * sa, v.y * cb + v.x * ca * sb + v.z * sa * sb);
}

void axes_typ::to_local(XYZ6_typ* points, XYZ6_typ origin, int n) const {
    // A zero origin (of either sign) needs no shift; skipping it keeps the points bit for bit.
    bool shift = origin != 0.0;
    for (int i = 0; i < n; ++i) {
        XYZ6_typ p = points[i];
        if (shift) p = p - origin;
        p = p.rotate_Y(-angle_Y);
        p = p.rotate_Z(-angle_Z);
        p = p.rotate_X(-angle_X);
        points[i] = p;
    }
}

void axes_typ::to_global(XYZ6_typ* points, XYZ6_typ origin, int n) const {
    for (int i = 0; i < n; ++i) {
        XYZ6_typ p = points[i];
        p = p.rotate_X(angle_X);
        p = p.rotate_Z(angle_Z);
        p = p.rotate_Y(angle_Y);
        points[i] = p.move(origin);
    }
}

}  // namespace zelkor

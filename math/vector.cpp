#include "math/vector.h"

#include <cmath>

namespace zelkor {

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

}  // namespace zelkor

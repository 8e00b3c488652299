#include "cli/clone_instance.h"

#include <cmath>

namespace zelkor::cli {

namespace {

using Quaternion = std::array<double, 4>;

Quaternion product(const Quaternion& a, const Quaternion& b) {
    return {a[0] * b[0] - a[1] * b[1] - a[2] * b[2] - a[3] * b[3],
            a[0] * b[1] + a[1] * b[0] + a[2] * b[3] - a[3] * b[2],
            a[0] * b[2] - a[1] * b[3] + a[2] * b[0] + a[3] * b[1],
            a[0] * b[3] + a[1] * b[2] - a[2] * b[1] + a[3] * b[0]};
}

// The module's turn by `angle` about axis 0, 1 or 2 is the right-handed turn by -angle.
Quaternion turn(int axis, double angle) {
    Quaternion q{std::cos(angle / 2), 0, 0, 0};
    q[std::size_t(axis) + 1] = -std::sin(angle / 2);
    return q;
}

}  // namespace

io::Instance instance_of(const zelkor_clone_record& record) {
    io::Instance instance;
    instance.polygon = record.polygon;
    for (int k = 0; k < 3; ++k) {
        instance.position[std::size_t(k)] = record.pos[k];
        instance.scale[std::size_t(k)] = record.scale[k];
    }
    // Bank first, then pitch, heading, the pitch onto the polygon, its heading: the last turn
    // applied is the leftmost factor.
    Quaternion q = turn(1, record.align_H);
    q = product(q, turn(2, record.align_P));
    q = product(q, turn(1, record.HPB[0]));
    q = product(q, turn(0, record.HPB[1]));
    q = product(q, turn(2, record.HPB[2]));
    const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    for (double& c : q) c /= length;
    instance.rotation = q;
    return instance;
}

}  // namespace zelkor::cli

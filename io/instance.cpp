#include "io/instance.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zelkor::io {

namespace {

using Matrix = std::array<std::array<double, 3>, 3>;

Matrix matrix_of(const std::array<double, 4>& q) {
    const auto [w, x, y, z] = q;
    return {{{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
             {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
             {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}}};
}

}  // namespace

std::array<double, 3> place(const Instance& instance, const std::array<double, 3>& p) {
    const Matrix m = matrix_of(instance.rotation);
    std::array<double, 3> out = instance.position;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) out[r] += m[r][c] * instance.scale[c] * p[c];
    return out;
}

// Each of the module's turns by a is the right-handed turn by -a, so the matrix is
// Ry(-h) Rx(-p) Rz(-b); its (1,2) entry is sin(p), the rest follows.
std::array<double, 3> heading_pitch_bank(const std::array<double, 4>& rotation) {
    const Matrix m = matrix_of(rotation);
    const double degrees = 180 / std::numbers::pi;
    const double pitch = std::asin(std::clamp(m[1][2], -1.0, 1.0));
    double heading, bank;
    if (std::abs(m[1][2]) < 1 - 1e-12) {
        heading = std::atan2(-m[0][2], m[2][2]);
        bank = std::atan2(-m[1][0], m[1][1]);
    } else {  // pitch of a quarter turn: only heading and bank together are known; bank is 0
        heading = std::atan2(m[2][0], m[0][0]);
        bank = 0;
    }
    return {heading * degrees, pitch * degrees, bank * degrees};
}

}  // namespace zelkor::io

// A clone as a rigid copy of the template, for instanced outputs.
#pragma once

#include <array>
#include <vector>

namespace zelkor::io {

// Template point p lands at position + rotation(scale * p), in the modeller's coordinates (left-handed,
// y up); rotation is a unit quaternion w, x, y, z.
struct Instance {
    int polygon = 0;  // in the table of target polygons
    std::array<double, 3> position{};
    std::array<double, 4> rotation{1, 0, 0, 0};
    std::array<double, 3> scale{1, 1, 1};
};

std::array<double, 3> place(const Instance& instance, const std::array<double, 3>& p);

// The rotation as heading, pitch and bank in degrees: turned by bank about z, then pitch about x,
// then heading about y, each turn as the module makes it (a quarter turn of heading takes +x to
// +z, of pitch +y to -z, of bank +x to -y).
std::array<double, 3> heading_pitch_bank(const std::array<double, 4>& rotation);

}  // namespace zelkor::io

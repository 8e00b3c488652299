#include "io/instance_table.h"

#include <charconv>
#include <string>

#include "io/atomic_file.h"

namespace zelkor::io {

namespace {

constexpr const char* kHeader =
    "# Zelkor clones: template point p lands at (x, y, z) + rotation(scale * p), scale per axis first.\n"
    "# Coordinates as in the object: left-handed, y up. The rotation is the unit quaternion (qw, qx, qy, qz)\n"
    "# and, the same turn, heading, pitch and bank in degrees applied as bank about z, then pitch about x,\n"
    "# then heading about y; a quarter turn of heading takes +x to +z, of pitch +y to -z, of bank +x to -y.\n"
    "clone,polygon,x,y,z,qw,qx,qy,qz,heading,pitch,bank,scale_x,scale_y,scale_z\n";

// The shortest text that reads back to the same double.
void append(std::string& line, double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    line.push_back(',');
    line.append(text, end);
}

}  // namespace

void write_instance_table(std::span<const Instance> instances, AtomicOutput& output) {
    std::string text = kHeader;
    for (std::size_t i = 0; i < instances.size(); ++i) {
        const Instance& c = instances[i];
        text += std::to_string(i) + "," + std::to_string(c.polygon);
        for (double v : c.position) append(text, v);
        for (double v : c.rotation) append(text, v);
        for (double v : heading_pitch_bank(c.rotation)) append(text, v);
        for (double v : c.scale) append(text, v);
        text.push_back('\n');
    }
    output.write_now(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    output.finish();
}

}  // namespace zelkor::io

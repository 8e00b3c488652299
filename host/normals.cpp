#include "host/normals.h"

#include <cmath>

namespace zelkor::host {

int newell_normal(const double* positions, std::span<const std::uint32_t> points, double r_normal[3]) {
    r_normal[0] = r_normal[1] = r_normal[2] = 0.0;
    const std::size_t count = points.size();
    if (count < 3) return 0;

    double nx = 0.0, ny = 0.0, nz = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double* a = positions + 3 * std::size_t(points[i]);
        const double* b = positions + 3 * std::size_t(points[i + 1 == count ? 0 : i + 1]);
        nx += (a[1] - b[1]) * (a[2] + b[2]);
        ny += (a[2] - b[2]) * (a[0] + b[0]);
        nz += (a[0] - b[0]) * (a[1] + b[1]);
    }
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(length > 0.0)) return 0;
    r_normal[0] = nx / length;
    r_normal[1] = ny / length;
    r_normal[2] = nz / length;
    return 1;
}

}  // namespace zelkor::host

// Polygon normals by Newell's method (M. E. Newell, as given in Sutherland, Sproull and Schumacker,
// "A Characterization of Ten Hidden-Surface Algorithms", 1974): exact for planar polygons and a
// sensible average for warped ones, whatever the winding's convexity.
#pragma once

#include <cstdint>
#include <span>

namespace zelkor::host {

// Writes the unit normal of the polygon whose corners are `positions[3 * points[i] ..]` into
// r_normal and answers 1. The sum runs over corners i = 0, 1, ... with j = i + 1 wrapping to 0:
//   n.x += (y_i - y_j)(z_i + z_j),  n.y += (z_i - z_j)(x_i + x_j),  n.z += (x_i - x_j)(y_i + y_j).
// With fewer than three corners or a zero-length sum it answers 0 and writes the zero vector.
int newell_normal(const double* positions, std::span<const std::uint32_t> points, double r_normal[3]);

}  // namespace zelkor::host

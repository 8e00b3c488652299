#include "random/random.h"

#include <ctime>
#include <memory>

#include "math/axes.h"
#include "random/local_outline.h"

namespace zelkor {


random::random() {
    randomize(static_cast<std::uint32_t>(std::time(nullptr)));
}

random::~random() = default;

void random::fixed(int seed) {
    // Negated in unsigned arithmetic so that INT_MIN wraps to itself instead of overflowing.
    if (seed < 0) seed = static_cast<int>(0u - static_cast<unsigned>(seed));
    randomize(static_cast<std::uint64_t>(static_cast<std::int64_t>(seed)));
}

bool random::TorF() { return get() > 0.5; }

double random::percent() { return get(); }

XYZ6_typ random::z_polygonu(face6_typ* face) {
    if (face->points == nullptr || face->num_points < 3) return XYZ6_typ();
    const int n = face->num_points;
    const XYZ6_typ origin = face->points[0];

    axes_typ frame;
    frame.axis_Y = ~face->normal;
    frame.axis_X = face->points[1] - face->points[0];
    frame.calc_transf_angles();

    std::unique_ptr<XYZ6_typ[]> q(new XYZ6_typ[n]);
    for (int i = 0; i < n; ++i) q[i] = face->points[i];
    frame.to_local(q.get(), origin, n);

    XYZ6_typ point = point_in_local_outline(q.get(), n);
    frame.to_global(&point, origin, 1);
    return point;
}

XYZ6_typ random::point_in_local_outline(const XYZ6_typ* q, int n) {
    return local_outline_point(q, n, [this](double a, double b) { return z_zakresu(a, b); });
}

}  // namespace zelkor

#include "random/random.h"

#include <ctime>
#include <memory>

#include "math/axes.h"

namespace zelkor {

random losoj;

namespace {

// Height at local x = X of the line through the edge p -> c in the local XZ plane.
double crossing_height(XYZ6_typ p, XYZ6_typ c, double X) {
    // An edge straight across x = X has no single height; its first end stands for it.
    if (p.x == X && c.x == X) return p.z;
    return (p.z - c.z) * ((X - p.x) / (p.x - c.x)) + p.z;
}

bool spans(XYZ6_typ p, XYZ6_typ c, double X) {
    return (p.x <= X && X <= c.x) || (c.x <= X && X <= p.x);
}

}  // namespace

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

int random::z_zakresu(int a, int b) {
    if (a == b) return a;
    int lo = a < b ? a : b;
    int hi = a < b ? b : a;
    double r = get();
    // The difference wraps like 32-bit int arithmetic for ranges wider than INT_MAX.
    int span = static_cast<int>(static_cast<unsigned>(hi) - static_cast<unsigned>(lo));
    return static_cast<int>(lo + static_cast<double>(span) * r + 0.5);
}

double random::z_zakresu(double a, double b) {
    if (a == b) return a;
    double lo = a, hi = b;
    if (a > b) {
        lo = b;
        hi = a;
    }
    double r = get();
    return (hi - lo) * r + lo;
}

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
    double min = q[0].x, max = q[0].x;
    for (int i = 1; i < n; ++i) {
        if (q[i].x < min) min = q[i].x;
        if (q[i].x > max) max = q[i].x;
    }
    double X = z_zakresu(min, max);
    // A draw of 1 can overshoot max by one rounding step, where no edge would span X.
    if (X > max) X = max;
    if (X < min) X = min;

    double h[2];
    int found = 0;
    for (int i = 1; i < n && found < 2; ++i)
        if (spans(q[i - 1], q[i], X)) h[found++] = crossing_height(q[i - 1], q[i], X);
    // The walk missed the closing edge; whatever is still missing comes from it.
    while (found < 2) h[found++] = crossing_height(q[n - 1], q[0], X);

    double h0 = h[0], h1 = h[1];
    if (h0 > h1) {
        double t = h0;
        h0 = h1;
        h1 = t;
    }
    double Z = z_zakresu(h0, h1);
    return XYZ6_typ(X, 0.0, Z);
}

}  // namespace zelkor

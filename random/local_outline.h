// The random point inside a polygon that lies flat in its local frame (first point at the origin,
// first edge along +X, the polygon in the local XZ plane): X drawn across the outline, then Z
// drawn between the first two crossings of the line x = X with the outline.
//
// `draw(lo, hi)` makes the real range draw (random::z_zakresu); passing it in lets the placement
// also work out, without drawing, the point that upcoming values of the generator would give.
#pragma once

#include "math/vector.h"

namespace zelkor {

namespace outline {

// Height at local x = X of the line through the edge p -> c in the local XZ plane.
inline double crossing_height(const XYZ6_typ& p, const XYZ6_typ& c, double X) {
    // An edge straight across x = X has no single height; its first end stands for it.
    if (p.x == X && c.x == X) return p.z;
    return (p.z - c.z) * ((X - p.x) / (p.x - c.x)) + p.z;
}

inline bool spans(const XYZ6_typ& p, const XYZ6_typ& c, double X) {
    return (p.x <= X && X <= c.x) || (c.x <= X && X <= p.x);
}

}  // namespace outline

template <class Draw>
XYZ6_typ local_outline_point(const XYZ6_typ* q, int n, Draw&& draw) {
    double min = q[0].x, max = q[0].x;
    for (int i = 1; i < n; ++i) {
        if (q[i].x < min) min = q[i].x;
        if (q[i].x > max) max = q[i].x;
    }
    double X = draw(min, max);
    // A draw of 1 can overshoot max by one rounding step, where no edge would span X.
    if (X > max) X = max;
    if (X < min) X = min;

    double h[2];
    int found = 0;
    for (int i = 1; i < n && found < 2; ++i)
        if (outline::spans(q[i - 1], q[i], X)) h[found++] = outline::crossing_height(q[i - 1], q[i], X);
    // The walk missed the closing edge; whatever is still missing comes from it.
    while (found < 2) h[found++] = outline::crossing_height(q[n - 1], q[0], X);

    double h0 = h[0], h1 = h[1];
    if (h0 > h1) {
        double t = h0;
        h0 = h1;
        h1 = t;
    }
    double Z = draw(h0, h1);
    return XYZ6_typ(X, 0.0, Z);
}

}  // namespace zelkor

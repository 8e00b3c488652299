// The draws a clone run makes: ranges, booleans, fractions and points on polygons.
//
// Every draw takes exactly one value from the generator, except where a range is empty (the
// draw is then skipped, which shifts all later draws of the same instance). The module-wide
// instance losoj is seeded from the clock when the module loads; the placement seeds its own
// instance with the user's seed so that positions repeat.
#pragma once

#include "math/face.h"
#include "math/vector.h"
#include "random/mersenne.h"

namespace zelkor {

class random : public CRandom {
public:
    // Seeded with the current time in seconds, low 32 bits.
    random();
    virtual ~random();

    // Reseeds with seed; seeds s and -s give the same sequence, 0 gives that of 4357.
    void fixed(int seed);
    // True when one draw is above 0.5.
    bool TorF();
    // One draw, in [0, 1].
    double percent();
    // An integer between a and b inclusive, in either order; lo + (hi - lo) r + 0.5 truncated,
    // so the two ends come out half as often as inner values. a == b returns a without a draw.
    int z_zakresu(int a, int b) { return a == b ? a : int_in_range(a, b, get()); }
    // A real between a and b, in either order: (hi - lo) r + lo. a == b returns a without a
    // draw. At r = 1 the result may exceed hi by one rounding step.
    double z_zakresu(double a, double b) { return a == b ? a : real_in_range(a, b, get()); }
    // The two range draws' arithmetic for a value r of the generator (once a == b is ruled out).
    static int int_in_range(int a, int b, double r) {
        int lo = a < b ? a : b;
        int hi = a < b ? b : a;
        // The difference wraps like 32-bit int arithmetic for ranges wider than INT_MAX.
        int span = static_cast<int>(static_cast<unsigned>(hi) - static_cast<unsigned>(lo));
        return static_cast<int>(lo + static_cast<double>(span) * r + 0.5);
    }
    static double real_in_range(double a, double b, double r) {
        double lo = a, hi = b;
        if (a > b) {
            lo = b;
            hi = a;
        }
        return (hi - lo) * r + lo;
    }
    // A point on the polygon in global coordinates: x uniform along the first edge's direction,
    // then uniform across the polygon at that x (so not uniform over the area). Two draws, each
    // skipped when its range is empty. No positions or fewer than 3 points give (0, 0, 0) and
    // no draw.
    XYZ6_typ z_polygonu(face6_typ* face);
    // The draws of z_polygonu once the polygon's n points are in its local frame (see
    // random/local_outline.h).
    XYZ6_typ point_in_local_outline(const XYZ6_typ* q, int n);
};

// The module-wide generator, seeded from the clock when the module is loaded.
extern random losoj;

}  // namespace zelkor

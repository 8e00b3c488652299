// One target polygon and the areas of polygon tables.
//
// The scan of the foreground layer fills one face6_typ per accepted polygon: the host's handle,
// its normal and an owned copy of its point positions. Areas are measured by fanning the polygon
// from its first point and adding the unsigned triangle areas, so a polygon that its first point
// does not see whole is over-counted (a U shape of area 5 measures 7).
#pragma once

#include "api/host_api.h"
#include "math/vector.h"

namespace zelkor {

class face6_typ {
public:
    int num_points = 0;
    XYZ6_typ* points = nullptr;  // owned, allocated with new[]; num_points entries
    XYZ6_typ normal;             // as the host computed it
    LWPolID polID = nullptr;     // handle only, never freed here

    face6_typ() = default;
    virtual ~face6_typ();
    // Owns points, so a copy would free them twice.
    face6_typ(const face6_typ&) = delete;
    face6_typ& operator=(const face6_typ&) = delete;
};

// Total area of table[0..count-1], added in index order; count <= 0 gives 0.
double calc_area(face6_typ* table, int count);
// Area of table[index] by a fan from its first point; fewer than 3 points give 0.
double calc_poly_area(int index, face6_typ* table);
// Heron's formula on the three side lengths; never negative, never NaN for finite points.
double calc_triangle_area(XYZ6_typ a, XYZ6_typ b, XYZ6_typ c);

}  // namespace zelkor

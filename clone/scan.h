// The table of target polygons: every selected face polygon of the foreground with its normal and
// a copy of its points, optionally limited to a window of slope angles. Also the release of
// everything a run allocates.
#pragma once

#include "api/host_api.h"

namespace zelkor {

// polyScan callback: counts out of num_polys the selected polygons that are not faces.
EDError check_for_nurbs(void* data, const EDPolygonInfo* polygon);

// polyScan callback: stores a selected face polygon in the next record at data + poly_num, unless
// the slope window (data is the parameter record) rejects it.
EDError polscan(void* data, const EDPolygonInfo* polygon);

// Replaces poly_data by a table of n empty records.
void reserve_memory(int n);

// Releases everything a run allocated; safe to call when nothing was.
void free_memory();

}  // namespace zelkor

// What --quality, --plot and the report's "quality" take from a run: the clones and the table of
// target polygons as the run observer hands them over, and the settings the run used.
#pragma once

#include <vector>

#include "cli/record_values.h"
#include "cli/scatter_quality.h"

struct zelkor_run_summary;

namespace zelkor::cli {

// Adds one block of the run's report to `sample` (the polygons come with the first block).
void collect_scatter(const zelkor_run_summary& summary, ScatterSample& sample);

// The confirmed record's "Distribution", which sets the run's base spacing.
ScatterQualitySettings quality_settings(const std::vector<ControlValue>& record);

}  // namespace zelkor::cli

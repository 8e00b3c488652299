// What a run will make, worked out before it starts from the template and the planned record:
// points, polygons, map values, output bytes and memory. A run that would exceed the memory
// limit, a limit of the output format, or any reasonable time is refused up front, instead of
// dying of memory or writing for an hour and then failing.
#pragma once

#include <cstdint>
#include <string>

#include "cli/options.h"
#include "cli/run_setup.h"
#include "host/page_warmer.h"

namespace zelkor::cli {

struct RunEstimate {
    std::uint64_t clones = 0;
    std::uint64_t iterations = 0;         // tested tries per clone, at most
    std::uint64_t points = 0;             // made by the run
    std::uint64_t polygons = 0;
    std::uint64_t map_values = 0;
    std::uint64_t layer_points = 0;       // in the layer the clones go to, after the run
    std::uint64_t layer_polygons = 0;
    std::uint64_t largest_polygon = 0;    // corners
    std::uint64_t output_bytes = 0;
    std::uint64_t memory_bytes = 0;       // peak, roughly
    host::LayerGrowth per_clone;          // what one clone adds to the layer
};

// `instances` is the --instances form ("" for merged clones), which sets the output's size.
RunEstimate estimate_run(const RunSetup& setup, const Controls& controls, const std::string& output,
                         const std::string& instances = "");

// Throws UsageError when the estimate exceeds `max_memory`, a limit of the output's format, or,
// unless `force`, the tries that finish in reasonable time.
void refuse_unbounded_run(const RunEstimate& estimate, const std::string& output, std::uint64_t max_memory, bool force);

// The record's value of a control as the panel will hold it: the module's default, then the
// saved record, then the --sets in order (0 for a field the module lacks).
double planned_value(const Controls& controls, const RunSetup& setup, const char* field);

// Half of the machine's memory.
std::uint64_t default_memory_limit();

}  // namespace zelkor::cli

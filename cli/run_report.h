// --report FILE.json: what a run that reached the module did.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "cli/record_values.h"
#include "cli/scatter_quality.h"

namespace zelkor::cli {

struct ReportMessage {
    std::string kind;  // "info", "error", "warning", "yesNo", or "panel" for a refused --set
    std::string line1;
    std::optional<std::string> line2;
};

struct ReportClone {
    int polygon = 0;  // index in the module's table of target polygons
    std::array<double, 3> pos{};
    double H_angle = 0;
    std::optional<double> P_angle;
    std::optional<double> area;
};

struct RunReport {
    std::vector<ReportMessage> messages;
    std::vector<ControlValue> params;
    std::optional<int> target_polygons;       // absent when no clones were built
    std::optional<double> poly_avg_area;
    std::size_t clone_count = 0;
    std::vector<ReportClone> clones;          // listed only when a report was asked for
    std::optional<ScatterQuality> quality;    // measured for --quality, --plot and the report
    std::size_t points_added = 0;
    std::size_t polygons_added = 0;
    std::optional<std::string> output;       // the file written, absent when none
};

std::string report_json(const RunReport& report);

}  // namespace zelkor::cli

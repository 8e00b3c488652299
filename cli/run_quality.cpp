#include "cli/run_quality.h"

#include <algorithm>
#include <limits>
#include <variant>

#include "api/run_observer.h"

namespace zelkor::cli {

void collect_scatter(const zelkor_run_summary& summary, ScatterSample& sample) {
    if (summary.first_clone == 0) {
        const std::size_t polygons = std::size_t(std::max(summary.target_polygons, 0));
        sample.clones_per_polygon.assign(polygons, 0);
        sample.positions.reserve(3 * std::size_t(std::max(summary.clone_count, 0)));
        if (summary.polygons)
            for (std::size_t k = 0; k < polygons; ++k) {
                const zelkor_target_polygon& p = summary.polygons[k];
                sample.add_polygon({p.points, 3 * std::size_t(std::max(p.point_count, 0))});
            }
    }
    for (int k = 0; k < summary.block_count; ++k) {
        const zelkor_clone_record& r = summary.clones[k];
        sample.positions.insert(sample.positions.end(), r.pos, r.pos + 3);
        if (r.polygon >= 0 && std::size_t(r.polygon) < sample.clones_per_polygon.size())
            ++sample.clones_per_polygon[std::size_t(r.polygon)];
    }
}

ScatterQualitySettings quality_settings(const std::vector<ControlValue>& record) {
    ScatterQualitySettings settings;
    settings.distribution = std::numeric_limits<double>::quiet_NaN();  // a module without one: no base spacing
    for (const ControlValue& v : record)
        if (v.control->field == "distribution")
            if (const double* d = std::get_if<double>(&v.value)) settings.distribution = *d;
    return settings;
}

}  // namespace zelkor::cli

// How evenly a run spread its clones over the eligible target polygons, in figures that compare
// across runs, settings and targets. With N clones on an eligible area A:
//   d_max = sqrt(2 A / (sqrt(3) N)), the spacing of N points packed hexagonally over A: the largest
//           smallest distance N points can keep;
//   rho = the smallest distance between two clones / d_max (dart throwing reaches about 0.75);
//   mean NN ratio = the mean distance from a clone to its nearest other clone / d_max (about 0.46
//           for points dropped at random, about 0.81 for dart throwing);
//   coverage = the widest gap, the largest distance from a point of the eligible surface to its
//           nearest clone, / the run's base spacing (distribution x sqrt(A / N)); estimated as
//           the largest over probe points spread evenly by area, 20 per clone;
//   p-value = the chi-square test of clones per polygon against polygon area: small when the
//           clones do not follow the area (polygons in table order are pooled until each pool
//           expects 5 clones, as the test needs).
// Distances are straight lines in space. Nothing here touches the module or its generators.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zelkor::cli {

// What a run placed, copied from its report: the clones and the table of polygons they stand on.
struct ScatterSample {
    std::vector<double> positions;              // x, y, z per clone, in build (clone index) order
    std::vector<std::size_t> polygon_starts{0};  // polygon k: points polygon_starts[k] to [k + 1] - 1
    std::vector<double> polygon_points;         // x, y, z per point
    std::vector<std::uint32_t> clones_per_polygon;

    std::size_t clone_count() const { return positions.size() / 3; }
    std::size_t polygon_count() const { return polygon_starts.size() - 1; }
    void add_polygon(std::span<const double> xyz);  // x, y, z per point
};

// A figure that cannot be had (no clones, one clone, no area, a distribution of 0) is not a number.
struct ScatterQuality {
    std::size_t clones = 0;
    std::size_t polygons = 0;
    double area = 0;  // A: the sum of the polygons' areas (fan triangles, as placement adds them)
    double d_max = 0;
    double base_spacing = 0;
    double rho = 0;
    double mean_nn_ratio = 0;
    double coverage = 0;
    double p_value = 0;
    double min_distance = 0;      // between two clones
    double mean_nn_distance = 0;
    double widest_gap = 0;        // coverage x base spacing
    double chi_square = 0;
    std::size_t degrees_of_freedom = 0;
    std::size_t probes = 0;
    std::array<double, 3> gap_point{};  // the probe farthest from every clone
    std::size_t gap_clone = 0;          // its nearest clone
};

struct ScatterQualitySettings {
    double distribution = 0.8;   // the run's "Distribution": the base spacing's factor
    std::size_t probes_per_clone = 20;
    std::uint64_t probe_seed = 0x5a656c6b6f72ull;  // fixed, so that a run's figures repeat
};

ScatterQuality measure_scatter(const ScatterSample& sample, const ScatterQualitySettings& settings);

// Every probe point measure_scatter judges the gaps by (it skips the ones that cannot widen the
// widest gap found so far), x, y, z each: for checking it against a direct search.
std::vector<double> coverage_probes(const ScatterSample& sample, const ScatterQualitySettings& settings);

// "rho 0.41, mean NN ratio 0.78, coverage 1.05, p-value 0.34": the one line --quality prints.
std::string quality_summary(const ScatterQuality& quality);
// The figures as the members of the report's "quality" object.
void write_quality_members(class JsonWriter& writer, const ScatterQuality& quality);

}  // namespace zelkor::cli

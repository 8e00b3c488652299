#include "cli/scatter_quality.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <limits>

#include "cli/chi_square.h"
#include "cli/counter_random.h"
#include "cli/json_text.h"
#include "cli/nearest_clone.h"

namespace zelkor::cli {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Polygons are pooled until a pool expects this many clones, the usual floor of the chi-square
// approximation.
constexpr double kPoolExpected = 5.0;
// Probe triangles are split until a piece expects about this many probes.
constexpr double kLeafProbes = 4.0;
constexpr int kMaxDepth = 16;

struct Triangle {
    std::array<double, 3> a, b, c;
};

double triangle_area(const Triangle& t) {
    const double u[3] = {t.b[0] - t.a[0], t.b[1] - t.a[1], t.b[2] - t.a[2]};
    const double v[3] = {t.c[0] - t.a[0], t.c[1] - t.a[1], t.c[2] - t.a[2]};
    const double x = u[1] * v[2] - u[2] * v[1], y = u[2] * v[0] - u[0] * v[2], z = u[0] * v[1] - u[1] * v[0];
    return 0.5 * std::sqrt(x * x + y * y + z * z);
}

std::array<double, 3> midpoint(const std::array<double, 3>& p, const std::array<double, 3>& q) {
    return {(p[0] + q[0]) * 0.5, (p[1] + q[1]) * 0.5, (p[2] + q[2]) * 0.5};
}

// Polygon k's fan triangles (point 0, j - 1, j), as placement measures a polygon.
template <class Visit>
void for_each_fan_triangle(const ScatterSample& s, std::size_t k, Visit&& visit) {
    const std::size_t first = s.polygon_starts[k], count = s.polygon_starts[k + 1] - first;
    const auto point = [&](std::size_t j) {
        const double* p = &s.polygon_points[3 * (first + j)];
        return std::array<double, 3>{p[0], p[1], p[2]};
    };
    for (std::size_t j = 2; j < count; ++j) visit(Triangle{point(0), point(j - 1), point(j)});
}

double polygon_area(const ScatterSample& s, std::size_t k) {
    double area = 0;
    for_each_fan_triangle(s, k, [&](const Triangle& t) { area += triangle_area(t); });
    return area;
}

// The probes are a systematic sample of the area: the surface laid out along one line, triangle
// after triangle, each taking the length of its expected probe count, and probe g standing at
// g + offset on that line. Every triangle is split into four like ones, again and again, each
// piece taking a quarter of its parent's stretch; probe g stands uniformly at random in the
// smallest piece holding its place on the line. So which piece holds a probe and where it lies
// depend only on g: a piece can be skipped without changing the others.
template <class Skip, class Visit>
void walk_probes(const Triangle& t, double from, double to, int depth, double offset, std::uint64_t seed,
                 Skip& skip, Visit& visit) {
    const double first = std::ceil(from - offset), end = std::ceil(to - offset);
    if (!(end > first) || skip(t)) return;
    if (depth == 0) {
        for (double g = first; g < end; ++g) {
            const std::uint64_t n = std::uint64_t(g);
            double u = counter_uniform(seed, 2 * n), v = counter_uniform(seed, 2 * n + 1);
            if (u + v > 1) u = 1 - u, v = 1 - v;
            std::array<double, 3> p;
            for (int a = 0; a < 3; ++a) p[a] = t.a[a] + u * (t.b[a] - t.a[a]) + v * (t.c[a] - t.a[a]);
            visit(p);
        }
        return;
    }
    const auto ab = midpoint(t.a, t.b), bc = midpoint(t.b, t.c), ca = midpoint(t.c, t.a);
    const Triangle pieces[4] = {{t.a, ab, ca}, {ab, t.b, bc}, {ca, bc, t.c}, {bc, ca, ab}};
    const double quarter = (to - from) / 4;
    for (int k = 0; k < 4; ++k)
        walk_probes(pieces[k], from + k * quarter, k == 3 ? to : from + (k + 1) * quarter, depth - 1, offset, seed,
                    skip, visit);
}

template <class Skip, class Visit>
std::size_t for_each_probe(const ScatterSample& s, const ScatterQualitySettings& settings, double area, Skip&& skip,
                           Visit&& visit) {
    const double total = double(settings.probes_per_clone) * double(s.clone_count());
    if (!(area > 0) || !(total > 0)) return 0;
    const double per_area = total / area;
    const double offset = counter_uniform(settings.probe_seed ^ 0x6f66667365740000ull, 0);
    // Where the last triangle ends is set to the total, so that rounding in the running sum
    // neither loses nor adds a probe: there are exactly `total`.
    std::size_t last_polygon = 0, last_triangle = 0;
    for (std::size_t k = 0; k < s.polygon_count(); ++k) {
        std::size_t j = 0;
        for_each_fan_triangle(s, k, [&](const Triangle& t) {
            if (triangle_area(t) > 0) last_polygon = k, last_triangle = j;
            ++j;
        });
    }
    double along = 0;
    for (std::size_t k = 0; k < s.polygon_count(); ++k) {
        std::size_t j = 0;
        for_each_fan_triangle(s, k, [&](const Triangle& t) {
            const double expected = triangle_area(t) * per_area;
            const std::size_t index = j++;
            const bool last = k == last_polygon && index == last_triangle;
            if (!(expected > 0)) return;
            const double to = last ? total : std::min(along + expected, total);
            const int depth = std::clamp(int(std::ceil(std::log(expected / kLeafProbes) / std::log(4.0))), 0, kMaxDepth);
            walk_probes(t, along, to, depth, offset, settings.probe_seed, skip, visit);
            along = to;
        });
    }
    return std::size_t(total);
}

double distance(const std::array<double, 3>& p, const std::array<double, 3>& q) {
    const double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The widest gap: the probe farthest from its nearest clone. A piece of a triangle whose every
// point lies within the widest gap found so far of some clone cannot hold a wider one and is
// skipped, and so is a probe with a clone that near: an even scatter then costs a few queries
// per clone instead of twenty. The result is that of judging every probe.
void measure_gaps(const ScatterSample& s, const ScatterQualitySettings& settings, const NearestClone& clones,
                  ScatterQuality& q) {
    double widest = -1;
    auto skip = [&](const Triangle& t) {
        const std::array<double, 3> centre = {(t.a[0] + t.b[0] + t.c[0]) / 3, (t.a[1] + t.b[1] + t.c[1]) / 3,
                                              (t.a[2] + t.b[2] + t.c[2]) / 3};
        const double radius = std::max({distance(centre, t.a), distance(centre, t.b), distance(centre, t.c)});
        return widest > radius && clones.any_within(centre.data(), widest - radius);
    };
    auto judge = [&](const std::array<double, 3>& p) {
        if (widest >= 0 && clones.any_within(p.data(), widest)) return;
        const NearestClone::Hit hit = clones.nearest(p.data());
        if (hit.clone == NearestClone::kNone || !(hit.distance > widest)) return;
        widest = hit.distance;
        q.gap_point = p;
        q.gap_clone = hit.clone;
    };
    q.probes = for_each_probe(s, settings, q.area, skip, judge);
    q.widest_gap = widest >= 0 ? widest : kNaN;
}

// Clones per polygon against area, polygons pooled in table order until a pool expects
// kPoolExpected clones; a short last pool joins the one before.
void measure_spread_over_polygons(const ScatterSample& s, const std::vector<double>& areas, ScatterQuality& q) {
    q.p_value = q.chi_square = kNaN;
    if (!(q.area > 0) || s.clones_per_polygon.size() != areas.size()) return;
    double placed = 0;
    for (std::uint32_t n : s.clones_per_polygon) placed += n;
    std::vector<std::pair<double, double>> pools;  // observed, expected
    double observed = 0, expected = 0;
    for (std::size_t k = 0; k < areas.size(); ++k) {
        observed += s.clones_per_polygon[k];
        expected += placed * areas[k] / q.area;
        if (expected >= kPoolExpected) {
            pools.emplace_back(observed, expected);
            observed = expected = 0;
        }
    }
    if (pools.empty()) pools.emplace_back(0, 0);
    pools.back().first += observed;
    pools.back().second += expected;
    if (pools.size() < 2) return;
    double statistic = 0;
    for (const auto& [o, e] : pools) statistic += (o - e) * (o - e) / e;
    q.chi_square = statistic;
    q.degrees_of_freedom = pools.size() - 1;
    q.p_value = chi_square_p_value(statistic, double(q.degrees_of_freedom));
}

void measure_neighbours(const ScatterSample& s, const NearestClone& clones, ScatterQuality& q) {
    q.min_distance = q.mean_nn_distance = kNaN;
    if (s.clone_count() < 2) return;
    double sum = 0, smallest = std::numeric_limits<double>::infinity();
    for (std::uint32_t i : clones.cell_order()) {
        const double d = clones.nearest(&s.positions[3 * std::size_t(i)], i).distance;
        sum += d;
        smallest = std::min(smallest, d);
    }
    q.min_distance = smallest;
    q.mean_nn_distance = sum / double(s.clone_count());
}

std::string figure(double value, const char* format) {
    if (!std::isfinite(value)) return "n/a";
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

void ScatterSample::add_polygon(std::span<const double> xyz) {
    polygon_points.insert(polygon_points.end(), xyz.begin(), xyz.end());
    polygon_starts.push_back(polygon_points.size() / 3);
}

ScatterQuality measure_scatter(const ScatterSample& s, const ScatterQualitySettings& settings) {
    ScatterQuality q;
    q.clones = s.clone_count();
    q.polygons = s.polygon_count();
    std::vector<double> areas(q.polygons);
    for (std::size_t k = 0; k < q.polygons; ++k) q.area += areas[k] = polygon_area(s, k);
    const double n = double(q.clones);
    q.d_max = q.clones > 0 && q.area > 0 ? std::sqrt(2 * q.area / (std::sqrt(3.0) * n)) : kNaN;
    q.base_spacing = q.clones > 0 ? settings.distribution * std::sqrt(q.area / n) : kNaN;

    const NearestClone clones(s.positions, q.d_max);
    measure_neighbours(s, clones, q);
    measure_gaps(s, settings, clones, q);
    measure_spread_over_polygons(s, areas, q);
    const auto ratio = [](double value, double unit) { return unit > 0 ? value / unit : kNaN; };
    q.rho = ratio(q.min_distance, q.d_max);
    q.mean_nn_ratio = ratio(q.mean_nn_distance, q.d_max);
    q.coverage = ratio(q.widest_gap, q.base_spacing);
    return q;
}

std::vector<double> coverage_probes(const ScatterSample& s, const ScatterQualitySettings& settings) {
    double area = 0;
    for (std::size_t k = 0; k < s.polygon_count(); ++k) area += polygon_area(s, k);
    std::vector<double> probes;
    for_each_probe(s, settings, area, [](const Triangle&) { return false; },
                   [&](const std::array<double, 3>& p) { probes.insert(probes.end(), p.begin(), p.end()); });
    return probes;
}

std::string quality_summary(const ScatterQuality& q) {
    return "rho " + figure(q.rho, "%.3f") + ", mean NN ratio " + figure(q.mean_nn_ratio, "%.3f") + ", coverage " +
           figure(q.coverage, "%.3f") + ", p-value " + figure(q.p_value, "%.3g");
}

void write_quality_members(JsonWriter& w, const ScatterQuality& q) {
    const auto number = [&](const char* name, double value) {
        w.key(name);
        w.value(value);  // null when not a number
    };
    const auto count = [&](const char* name, std::size_t value) {
        w.key(name);
        w.value(static_cast<long long>(value));
    };
    number("rho", q.rho);
    number("mean_nn_ratio", q.mean_nn_ratio);
    number("coverage", q.coverage);
    number("p_value", q.p_value);
    count("clones", q.clones);
    count("polygons", q.polygons);
    number("area", q.area);
    number("d_max", q.d_max);
    number("base_spacing", q.base_spacing);
    number("min_distance", q.min_distance);
    number("mean_nn_distance", q.mean_nn_distance);
    number("widest_gap", q.widest_gap);
    w.key("widest_gap_at");
    if (std::isfinite(q.widest_gap)) {
        w.begin_array();
        for (double v : q.gap_point) w.value(v);
        w.end_array();
    } else {
        w.null();
    }
    count("probes", q.probes);
    number("chi_square", q.chi_square);
    count("degrees_of_freedom", q.degrees_of_freedom);
}

}  // namespace zelkor::cli

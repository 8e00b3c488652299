#include "cli/scatter_quality.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <limits>
#include <thread>

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

double distance(const std::array<double, 3>& p, const std::array<double, 3>& q) {
    const double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

std::array<double, 3> centroid(const Triangle& t) {
    return {(t.a[0] + t.b[0] + t.c[0]) / 3, (t.a[1] + t.b[1] + t.c[1]) / 3, (t.a[2] + t.b[2] + t.c[2]) / 3};
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
//
// `radius` bounds the distance from the piece's centroid to any of its points. A piece is half
// its parent's size, so half the parent's bound does, plus `slack` for the rounding of the
// midpoints and centroids.
template <class Skip, class Visit>
void walk_probes(const Triangle& t, double radius, double slack, double from, double to, int depth, double offset,
                 std::uint64_t seed, Skip& skip, Visit& visit) {
    const double first = std::ceil(from - offset), end = std::ceil(to - offset);
    if (!(end > first) || skip(t, radius)) return;
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
        walk_probes(pieces[k], radius / 2 + slack, slack, from + k * quarter, k == 3 ? to : from + (k + 1) * quarter,
                    depth - 1, offset, seed, skip, visit);
}

// The line the probes stand on: where each polygon's stretch begins, and what placing a probe
// needs. Walking a run of polygons from its start gives the probes the whole walk gives there,
// so runs can be walked apart.
struct ProbeLine {
    double total = 0;     // probes: the line's length
    double per_area = 0;  // probes per unit of area
    double offset = 0;    // probe g stands at g + offset
    std::size_t last_polygon = 0, last_triangle = 0;  // the last triangle with area ends at `total`
    std::vector<double> start;                        // polygon k's stretch begins at start[k]
};

// The stretch a triangle of `area` takes from `along`, its end; NaN for a triangle without area.
double stretch_end(const ProbeLine& line, double area, double along, bool last) {
    const double expected = area * line.per_area;
    if (!(expected > 0)) return kNaN;
    // The last triangle ends at the total, so that rounding in the running sum neither loses nor
    // adds a probe: there are exactly `total`.
    return last ? line.total : std::min(along + expected, line.total);
}

ProbeLine probe_line(const ScatterSample& s, const ScatterQualitySettings& settings, double area) {
    ProbeLine line;
    line.total = double(settings.probes_per_clone) * double(s.clone_count());
    if (!(area > 0) || !(line.total > 0)) return line;
    line.per_area = line.total / area;
    line.offset = counter_uniform(settings.probe_seed ^ 0x6f66667365740000ull, 0);
    for (std::size_t k = 0; k < s.polygon_count(); ++k) {
        std::size_t j = 0;
        for_each_fan_triangle(s, k, [&](const Triangle& t) {
            if (triangle_area(t) > 0) line.last_polygon = k, line.last_triangle = j;
            ++j;
        });
    }
    line.start.resize(s.polygon_count() + 1);
    double along = 0;
    for (std::size_t k = 0; k < s.polygon_count(); ++k) {
        line.start[k] = along;
        std::size_t j = 0;
        for_each_fan_triangle(s, k, [&](const Triangle& t) {
            const double to = stretch_end(line, triangle_area(t), along, k == line.last_polygon && j == line.last_triangle);
            ++j;
            if (!std::isnan(to)) along = to;
        });
    }
    line.start.back() = along;
    return line;
}

// The probes on polygons [first, last), in order, with `skip` asked about every piece first.
template <class Skip, class Visit>
void walk_polygons(const ScatterSample& s, const ScatterQualitySettings& settings, const ProbeLine& line,
                   std::size_t first, std::size_t last, Skip&& skip, Visit&& visit) {
    if (line.start.empty()) return;
    double along = line.start[first];
    for (std::size_t k = first; k < last; ++k) {
        std::size_t j = 0;
        for_each_fan_triangle(s, k, [&](const Triangle& t) {
            const double area = triangle_area(t);
            const double to = stretch_end(line, area, along, k == line.last_polygon && j == line.last_triangle);
            ++j;
            if (std::isnan(to)) return;
            const int depth = std::clamp(int(std::ceil(std::log(area * line.per_area / kLeafProbes) / std::log(4.0))), 0, kMaxDepth);
            const auto centre = centroid(t);
            double magnitude = 0;
            for (const auto* corner : {&t.a, &t.b, &t.c})
                for (double v : *corner) magnitude = std::max(magnitude, std::fabs(v));
            const double slack = 1e-14 * magnitude;  // some 45 units in the last place of the coordinates
            const double radius = std::max({distance(centre, t.a), distance(centre, t.b), distance(centre, t.c)}) + slack;
            walk_probes(t, radius, slack, along, to, depth, line.offset, settings.probe_seed, skip, visit);
            along = to;
        });
    }
}

// Runs work(chunk) for every chunk below `count` on the machine's cores.
template <class Work>
void for_each_chunk(std::size_t count, Work&& work) {
    const std::size_t threads = std::min<std::size_t>(count, std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    std::atomic<std::size_t> next{0};
    const auto worker = [&] {
        for (std::size_t chunk; (chunk = next.fetch_add(1, std::memory_order_relaxed)) < count;) work(chunk);
    };
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(worker);
    worker();
    for (std::thread& helper : helpers) helper.join();
}

struct Gap {
    double widest = -1;
    std::array<double, 3> point{};
    std::size_t clone = NearestClone::kNone;
};

// The widest gap: the probe farthest from its nearest clone, the first such probe on the line.
// A piece of a triangle whose every point lies within the widest gap found so far of some clone
// cannot hold a wider one and is skipped, and so is a probe with a clone that near: an even
// scatter then costs a few queries per clone instead of twenty. The clone that last proved a skip
// is tried first, since the next piece or probe lies beside the last.
//
// The line is cut into runs of polygons measured in parallel. A run skips by its own widest gap
// and by a hair less than the widest any run has found, so that a probe as far as the widest is
// still judged by its run; of equal gaps the earliest run's wins. The result is that of judging
// every probe in order, whatever the threads' timing.
void measure_gaps(const ScatterSample& s, const ScatterQualitySettings& settings, const NearestClone& clones,
                  ScatterQuality& q) {
    const ProbeLine line = probe_line(s, settings, q.area);
    q.probes = std::size_t(line.total);
    q.widest_gap = kNaN;
    if (line.start.empty()) return;
    // Runs of about equal probe counts, fixed by the line alone.
    constexpr std::size_t kRuns = 64;
    std::vector<std::size_t> run_start{0};
    for (std::size_t k = 1; k < s.polygon_count(); ++k)
        if (line.start[k] >= line.total * double(run_start.size()) / double(kRuns)) run_start.push_back(k);
    run_start.push_back(s.polygon_count());

    std::vector<Gap> gaps(run_start.size() - 1);
    std::atomic<double> shared{-1};
    for_each_chunk(gaps.size(), [&](std::size_t run) {
        Gap& gap = gaps[run];
        std::size_t witness = NearestClone::kNone;
        const auto reach = [&] { return std::max(gap.widest, shared.load(std::memory_order_relaxed) * (1 - 1e-12)); };
        const auto near_some_clone = [&](const std::array<double, 3>& p, double within) {
            if (witness != NearestClone::kNone) {
                const double* c = &s.positions[3 * witness];
                const double dx = p[0] - c[0], dy = p[1] - c[1], dz = p[2] - c[2];
                if (dx * dx + dy * dy + dz * dz <= within * within) return true;
            }
            const std::size_t found = clones.clone_within(p.data(), within);
            if (found == NearestClone::kNone) return false;
            witness = found;
            return true;
        };
        auto skip = [&](const Triangle& t, double radius) {
            const double r = reach();
            return r > radius && near_some_clone(centroid(t), r - radius);
        };
        auto judge = [&](const std::array<double, 3>& p) {
            if (const double r = reach(); r >= 0 && near_some_clone(p, r)) return;
            const NearestClone::Hit hit = clones.nearest(p.data());
            if (hit.clone == NearestClone::kNone || !(hit.distance > gap.widest)) return;
            gap = {hit.distance, p, hit.clone};
            for (double seen = shared.load(std::memory_order_relaxed);
                 seen < hit.distance && !shared.compare_exchange_weak(seen, hit.distance, std::memory_order_relaxed);) {
            }
        };
        walk_polygons(s, settings, line, run_start[run], run_start[run + 1], skip, judge);
    });
    Gap widest;
    for (const Gap& gap : gaps)
        if (gap.widest > widest.widest) widest = gap;
    if (widest.widest >= 0) {
        q.widest_gap = widest.widest;
        q.gap_point = widest.point;
        q.gap_clone = widest.clone;
    }
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
    // Chunks of the column order, summed in order: the same sum on any number of cores.
    constexpr std::size_t kChunk = 16384;
    const std::size_t count = clones.size(), chunks = (count + kChunk - 1) / kChunk;
    std::vector<double> sums(chunks, 0), smallest(chunks, std::numeric_limits<double>::infinity());
    for_each_chunk(chunks, [&](std::size_t c) {
        for (std::size_t rank = c * kChunk; rank < std::min(count, (c + 1) * kChunk); ++rank) {
            const double d = clones.nearest_neighbour(rank).distance;
            sums[c] += d;
            smallest[c] = std::min(smallest[c], d);
        }
    });
    double sum = 0;
    for (double part : sums) sum += part;
    q.min_distance = *std::min_element(smallest.begin(), smallest.end());
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
    walk_polygons(s, settings, probe_line(s, settings, area), 0, s.polygon_count(), [](const Triangle&, double) { return false; },
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

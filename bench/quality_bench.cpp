// The scatter-quality figures on a W1-like scatter: a gently rolling 200 x 200 quad grid over
// 100 x 100 units holding N clones on a jittered lattice (about as even as the module's default
// placement). Whole measurement, and the nearest-clone pass alone.
//
//   build-bench/bench/quality_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "cli/counter_random.h"
#include "cli/nearest_clone.h"
#include "cli/scatter_quality.h"

namespace {

using namespace zelkor::cli;

double height(double x, double z) { return 0.6 * std::sin(x * 0.13) * std::cos(z * 0.11) + 0.4 * std::sin(0.07 * x + 0.05 * z + 1.0); }

ScatterSample rolling_scatter(std::size_t clones) {
    ScatterSample s;
    constexpr int kCells = 200;
    constexpr double kSize = 100.0, kStep = kSize / kCells;
    const auto corner = [&](int row, int col, double* p) {
        p[0] = -kSize / 2 + col * kStep, p[2] = -kSize / 2 + row * kStep;
        p[1] = height(p[0], p[2]);
    };
    for (int row = 0; row < kCells; ++row)
        for (int col = 0; col < kCells; ++col) {
            double quad[12];
            corner(row, col, quad), corner(row + 1, col, quad + 3), corner(row + 1, col + 1, quad + 6), corner(row, col + 1, quad + 9);
            s.add_polygon(quad);
        }
    s.clones_per_polygon.assign(std::size_t(kCells) * kCells, 0);
    const std::size_t side = std::size_t(std::ceil(std::sqrt(double(clones))));
    const double spacing = kSize / double(side);
    for (std::size_t k = 0; k < clones; ++k) {
        const double x = std::clamp(-kSize / 2 + (double(k % side) + 0.5 + 0.7 * (counter_uniform(1, 2 * k) - 0.5)) * spacing, -kSize / 2, kSize / 2 - 1e-9);
        const double z = std::clamp(-kSize / 2 + (double(k / side) + 0.5 + 0.7 * (counter_uniform(1, 2 * k + 1) - 0.5)) * spacing, -kSize / 2, kSize / 2 - 1e-9);
        s.positions.insert(s.positions.end(), {x, height(x, z), z});
        ++s.clones_per_polygon[std::size_t((z + kSize / 2) / kStep) * kCells + std::size_t((x + kSize / 2) / kStep)];
    }
    return s;
}

void measure(benchmark::State& state) {
    const ScatterSample sample = rolling_scatter(std::size_t(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(measure_scatter(sample, ScatterQualitySettings{}));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void nearest_neighbours(benchmark::State& state) {
    const ScatterSample sample = rolling_scatter(std::size_t(state.range(0)));
    const NearestClone clones(sample.positions, 100.0 / std::sqrt(double(state.range(0))));
    for (auto _ : state) {
        double sum = 0;
        for (std::size_t rank = 0; rank < clones.size(); ++rank) sum += clones.nearest_neighbour(rank).distance;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(measure)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(nearest_neighbours)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

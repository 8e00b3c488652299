// Clone placement alone, on a W1-like target (a gently rolling 200 x 200 quad grid over 100 x 100
// units) with the default parameters: the fast structures, and the direct list walk they replace
// (quadratic, so only at 10,000 clones).
//
//   build-bench/bench/placement_bench
#include <benchmark/benchmark.h>

#include <cmath>

#include "bench_memory.h"
#include "clone/globals.h"
#include "clone/placement.h"
#include "clone/scan.h"
#include "math/face.h"

namespace {

using namespace zelkor;

// Fills poly_data with the grid's quads, as the scan would.
void rolling_grid(int cells, double size) {
    reserve_memory(cells * cells);
    num_polys = cells * cells;
    const double step = size / cells;
    auto at = [&](int row, int col) {
        const double x = -size / 2 + col * step, z = -size / 2 + row * step;
        return XYZ6_typ(x, 0.6 * std::sin(x * 0.13) * std::cos(z * 0.11) + 0.4 * std::sin(0.07 * x + 0.05 * z + 1.0), z);
    };
    for (int row = 0; row < cells; ++row)
        for (int col = 0; col < cells; ++col) {
            face6_typ& face = poly_data[row * cells + col];
            face.num_points = 4;
            face.points = new XYZ6_typ[4]{at(row, col), at(row + 1, col), at(row + 1, col + 1), at(row, col + 1)};
            face.normal = ~((face.points[2] - face.points[0]) * (face.points[3] - face.points[1]));
            face.polID = reinterpret_cast<LWPolID>(std::uintptr_t(row * cells + col + 1));
        }
}

void place(benchmark::State& state, bool reference) {
    rolling_grid(200, 100.0);
    params_typ p;
    p.num_clones = int(state.range(0));
    use_reference_structures = reference;
    for (auto _ : state) {
        set_positions(nullptr, &p);
        benchmark::DoNotOptimize(pos_list);
        state.PauseTiming();
        delete_positions(p.num_clones);
        state.ResumeTiming();
    }
    use_reference_structures = false;
    free_memory();
    state.counters["ns/clone"] = benchmark::Counter(double(p.num_clones) * double(state.iterations()),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["peak_MB"] = peak_resident_megabytes();
}

void BM_Placement(benchmark::State& state) { place(state, false); }
void BM_PlacementDirect(benchmark::State& state) { place(state, true); }

BENCHMARK(BM_Placement)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PlacementDirect)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

// Whole clone runs inside the stand-in modeller on large targets: the spacing grid and the point
// map keep a run linear in the number of clones, where the x-sorted list walk grows with its square.
//
//   build/bench/clone_run_bench --benchmark_filter=Run
#include <benchmark/benchmark.h>

#include "bench_memory.h"
#include "clone/globals.h"
#include "api/host_api.h"
#include "api/run_observer.h"
#include "host/modeler.h"
#include "params/panel.h"

namespace {

using namespace zelkor;

host::Layer terrain(int cells) {
    host::Layer layer;
    layer.positions.reserve(std::size_t(cells + 1) * (cells + 1) * 3);
    for (int i = 0; i <= cells; ++i)
        for (int k = 0; k <= cells; ++k) layer.add_point(i, 0.25 * ((i * 7 + k * 3) % 5), k);
    for (int i = 0; i < cells; ++i)
        for (int k = 0; k < cells; ++k) {
            std::uint32_t a = std::uint32_t(i * (cells + 1) + k);
            std::uint32_t quad[4] = {a, a + 1, a + std::uint32_t(cells) + 2, a + std::uint32_t(cells) + 1};
            layer.add_polygon(LWPOLTYPE_FACE, quad);
        }
    return layer;
}

host::Layer rock() {
    host::Layer layer;
    const double p[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    for (const auto& q : p) layer.add_point(q[0] * 0.3, q[1] * 0.3, q[2] * 0.3);
    const std::uint32_t f[6][4] = {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 3, 7, 4}, {1, 5, 6, 2}, {0, 4, 5, 1}, {3, 2, 6, 7}};
    for (const auto& q : f) layer.add_polygon(LWPOLTYPE_FACE, q);
    host::VertexMap& uv = layer.vmap(LWVMAP_TXUV, "UV", 2);
    for (std::uint32_t i = 0; i < 8; ++i) {
        float t[2] = {float(i) / 8, 1 - float(i) / 8};
        uv.set(i, t);
    }
    return layer;
}

void run_clones(benchmark::State& state, bool reference) {
    const int cells = int(state.range(0));
    const int clones = int(state.range(1));
    host::Document base;
    base.layers.push_back(terrain(cells));
    base.layers.push_back(rock());
    for (auto _ : state) {
        state.PauseTiming();
        host::Document document = base;
        host::Modeler modeler(document);
        modeler.set_layers({0}, {1});
        modeler.panels().set_front([clones](host::Panel& panel) {
            panel.set(find_panel_row("num_clones")->id, clones);
            return 1;
        });
        par = params_typ();
        zelkor_seed_session(1);
        use_reference_structures = reference;
        host::Module module = host::Module::linked(_mod_descrip);
        state.ResumeTiming();
        host::ActivationResult r = modeler.run(module, "Zelkor");
        benchmark::DoNotOptimize(r.session.points_added);
    }
    use_reference_structures = false;
    state.counters["clones/s"] = benchmark::Counter(double(clones) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = peak_resident_megabytes();
}

void BM_Run(benchmark::State& state) { run_clones(state, false); }
void BM_RunReference(benchmark::State& state) { run_clones(state, true); }

// {terrain cells per side, clones}: 1000 x 1000 cells is a million target polygons.
BENCHMARK(BM_Run)->Args({100, 10000})->Args({1000, 100000})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RunReference)->Args({100, 10000})->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

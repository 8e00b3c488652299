// The transform of one template point for a clone: the direct calc_cloned_point, which takes the
// sines and cosines of five rotations for every point, against the transform prepared once per
// clone. Reports the cost per point.
//
//   build-bench/bench/transform_bench
#include <benchmark/benchmark.h>

#include "clone/globals.h"
#include "clone/placement.h"
#include "clone/transform.h"
#include "random/random.h"

namespace {

using namespace zelkor;

struct clone_setup {
    params_typ p;
    pos_typ node;
    clone_setup() {
        node.polygon = 0;
        node.H_angle = 0.7;
        node.P_angle = 0.3;
        HPB_rand = XYZ6_typ(0.2, -0.1, 0.15);
        size_change_x = 1.1;
        akt_item = &node;
    }
    ~clone_setup() { akt_item = nullptr; }
};

void BM_DirectTransform(benchmark::State& state) {
    clone_setup s;
    XYZ6_typ v(0.1, 0.2, 0.3);
    for (auto _ : state) {
        v = calc_cloned_point(v, &s.p);
        benchmark::DoNotOptimize(v);
    }
}

// Eight points per clone, as a cube has: one preparation per eight applications.
void BM_PreparedTransform(benchmark::State& state) {
    clone_setup s;
    XYZ6_typ v(0.1, 0.2, 0.3);
    for (auto _ : state) {
        const clone_transform t(&s.p);
        for (int i = 0; i < 8; ++i) v = t.apply(v);
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(8 * state.iterations());
}

BENCHMARK(BM_DirectTransform);
BENCHMARK(BM_PreparedTransform);

}  // namespace

BENCHMARK_MAIN();

// The mesh-edit session's calls as a clone run makes them, one clone of a cube at a time: eight
// addPoint, each followed by its "ZK_index" value, and six addPoly with the template's tags.
// Reports the cost per call.
//
//   build-bench/bench/host_edits_bench
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_memory.h"
#include "host/session.h"

namespace {

using namespace zelkor;

host::Document scene() {
    host::Document document;
    host::Layer& target = document.layers.emplace_back();
    std::uint32_t quad[4] = {target.add_point(0, 0, 0), target.add_point(0, 0, 1), target.add_point(1, 0, 1),
                             target.add_point(1, 0, 0)};
    target.add_polygon(LWPOLTYPE_FACE, quad);
    host::Layer& cube = document.layers.emplace_back();
    cube.number = 1;
    const double p[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    for (const auto& q : p) cube.add_point(q[0], q[1], q[2]);
    const std::uint32_t f[6][4] = {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 3, 7, 4}, {1, 5, 6, 2}, {0, 4, 5, 1}, {3, 2, 6, 7}};
    const int surface = document.tag_index("Cube");
    for (const auto& q : f) cube.set_tag(LWPTAG_SURF, cube.add_polygon(LWPOLTYPE_FACE, q), surface);
    return document;
}

void BM_CloneEdits(benchmark::State& state) {
    const int clones = int(state.range(0));
    const host::Document base = scene();
    const int foreground[] = {0}, background[] = {1};
    for (auto _ : state) {
        state.PauseTiming();
        host::Document document = base;
        host::Session session(document, foreground, background);
        MeshEditOp* op = session.op();
        std::vector<LWPolID> templates;
        op->polyScan(op->state, [](void* data, const EDPolygonInfo* info) {
            static_cast<std::vector<LWPolID>*>(data)->push_back(info->pol);
            return EDError(EDERR_NONE);
        }, &templates, OPLYR_BG);
        const std::uint32_t corners[6][4] = {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 3, 7, 4}, {1, 5, 6, 2}, {0, 4, 5, 1}, {3, 2, 6, 7}};
        state.ResumeTiming();
        for (int c = 0; c < clones; ++c) {
            LWPntID made[8];
            float index = float(c) / float(clones);
            for (int i = 0; i < 8; ++i) {
                double at[3] = {double(c), double(i), 0.5};
                made[i] = op->addPoint(op->state, at);
                op->pntVMap(op->state, made[i], LWVMAP_WGHT, "ZK_index", 1, &index);
            }
            for (int k = 0; k < 6; ++k) {
                LWPntID ids[4] = {made[corners[k][0]], made[corners[k][1]], made[corners[k][2]], made[corners[k][3]]};
                op->addPoly(op->state, LWPOLTYPE_FACE, templates[std::size_t(k)], nullptr, 4, ids);
            }
        }
        op->done(op->state, EDERR_NONE, 0);
        benchmark::DoNotOptimize(document.layers[0].positions.data());
    }
    state.counters["ns/call"] = benchmark::Counter(double(clones) * 22 * double(state.iterations()),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["peak_MB"] = peak_resident_megabytes();
}

BENCHMARK(BM_CloneEdits)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();

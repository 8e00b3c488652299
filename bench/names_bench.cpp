// Objects with thousands of names: every lookup of a map, surface or attribute by name goes
// through a hash, so these stay well under a second.
//
//   build-bench/bench/names_bench
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "host/session.h"
#include "io/lwo.h"
#include "io/mesh_file.h"
#include "io/obj.h"

namespace {

using namespace zelkor;

// One quad carrying `maps` weight maps named by `name(k)`.
template <class Name>
host::Document quad_with_maps(int maps, Name name) {
    host::Document document;
    host::Layer& layer = document.layers.emplace_back();
    const std::uint32_t quad[4] = {layer.add_point(0, 0, 0), layer.add_point(0, 0, 1), layer.add_point(1, 0, 1),
                                   layer.add_point(1, 0, 0)};
    layer.add_polygon(LWPOLTYPE_FACE, quad);
    const float w = 0.5f;
    for (int k = 0; k < maps; ++k)
        for (std::uint32_t p = 0; p < 4; ++p) layer.vmap(LWVMAP_WGHT, name(k), 1).set(p, &w);
    return document;
}

void BM_ReadLwoWith20000Maps(benchmark::State& state) {
    const auto bytes = io::encode_lwo2(quad_with_maps(20000, [](int k) { return "w" + std::to_string(k); }));
    for (auto _ : state) benchmark::DoNotOptimize(io::parse_lwo(bytes, "maps.lwo").layers[0].vmaps.size());
}

void BM_ReadObjWith100000Materials(benchmark::State& state) {
    std::string text = "v 0 0 0\nv 1 0 0\nv 1 0 1\n";
    for (int k = 0; k < 100000; ++k) text += "usemtl m" + std::to_string(k) + "\nf 1 2 3\n";
    for (auto _ : state) benchmark::DoNotOptimize(io::parse_obj_text(text, "m.obj").surfaces.size());
}

// 3,000 maps whose glTF attribute names collide three by three ("a-1", "a_1", "a.1").
void BM_WriteGltfWithCollidingNames(benchmark::State& state) {
    const char marks[] = "-_.";
    const host::Document document =
        quad_with_maps(3000, [&](int k) { return "a" + std::string(1, marks[k % 3]) + std::to_string(k / 3); });
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "zelkor_names_bench.glb";
    for (auto _ : state) io::write_mesh(document, path);
    std::filesystem::remove(path);
}

// The copy's calls for 100 clones of a quad whose points hold 5,000 weight maps.
void BM_SessionWrites5000Maps(benchmark::State& state) {
    const host::Document base = quad_with_maps(5000, [](int k) { return "t" + std::to_string(k); });
    std::vector<std::string> names;
    for (int k = 0; k < 5000; ++k) names.push_back("t" + std::to_string(k));
    for (auto _ : state) {
        host::Document document = base;
        document.layers.emplace_back();
        const int foreground[] = {1}, background[] = {0};
        host::Session session(document, foreground, background);
        MeshEditOp* op = session.op();
        float value = 0.5f;
        for (int clone = 0; clone < 100; ++clone)
            for (int p = 0; p < 4; ++p) {
                double at[3] = {double(clone), 0, double(p)};
                LWPntID made = op->addPoint(op->state, at);
                for (const std::string& name : names) op->pntVMap(op->state, made, LWVMAP_WGHT, name.c_str(), 1, &value);
            }
        op->done(op->state, EDERR_NONE, 0);
    }
}

BENCHMARK(BM_ReadLwoWith20000Maps)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadObjWith100000Materials)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteGltfWithCollidingNames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SessionWrites5000Maps)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

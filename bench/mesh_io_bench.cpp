// Reading and writing large objects: a terrain of a million quads with a UV map, in LWO2 and OBJ.
//
//   build-bench/bench/mesh_io_bench
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench_memory.h"
#include "io/lwo.h"
#include "io/obj.h"

namespace {

using namespace zelkor;

host::Document terrain(int cells) {
    host::Document document;
    host::Layer& layer = document.layers.emplace_back();
    layer.positions.reserve(std::size_t(cells + 1) * (cells + 1) * 3);
    host::VertexMap& uv = layer.vmap(LWVMAP_TXUV, "UV", 2);
    for (int i = 0; i <= cells; ++i)
        for (int k = 0; k <= cells; ++k) {
            std::uint32_t p = layer.add_point(i * 0.5, 0.1 * ((i * 7 + k * 3) % 5), k * 0.5);
            float t[2] = {float(i) / float(cells), float(k) / float(cells)};
            uv.set(p, t);
        }
    for (int i = 0; i < cells; ++i)
        for (int k = 0; k < cells; ++k) {
            std::uint32_t a = std::uint32_t(i * (cells + 1) + k);
            std::uint32_t quad[4] = {a, a + 1, a + std::uint32_t(cells) + 2, a + std::uint32_t(cells) + 1};
            layer.add_polygon(LWPOLTYPE_FACE, quad);
        }
    layer.set_tag(LWPTAG_SURF, 0, document.tag_index("Ground"));
    return document;
}

void BM_LwoWrite(benchmark::State& state) {
    host::Document document = terrain(int(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state) bytes = io::encode_lwo2(document).size();
    state.SetBytesProcessed(std::int64_t(bytes) * state.iterations());
    state.counters["peak_MB"] = peak_resident_megabytes();
}

// The whole save: encoded in blocks that a second thread writes to a temporary file, flushed to
// the disk and renamed, with the file's memory bounded by a few blocks.
void BM_LwoSave(benchmark::State& state) {
    host::Document document = terrain(int(state.range(0)));
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "zelkor_bench_save.lwo";
    for (auto _ : state) io::write_lwo(document, path);
    state.SetBytesProcessed(std::int64_t(std::filesystem::file_size(path)) * state.iterations());
    std::filesystem::remove(path);
    state.counters["peak_MB"] = peak_resident_megabytes();
}

void BM_LwoRead(benchmark::State& state) {
    std::vector<std::uint8_t> bytes = io::encode_lwo2(terrain(int(state.range(0))));
    for (auto _ : state) benchmark::DoNotOptimize(io::parse_lwo(bytes, "terrain.lwo").layers.size());
    state.SetBytesProcessed(std::int64_t(bytes.size()) * state.iterations());
    state.counters["peak_MB"] = peak_resident_megabytes();
}

void BM_ObjRoundTrip(benchmark::State& state) {
    host::Document document = terrain(int(state.range(0)));
    for (auto _ : state) {
        std::string text = io::encode_obj(document, nullptr);
        benchmark::DoNotOptimize(io::parse_obj_text(text, "terrain.obj").layers.size());
    }
    state.counters["peak_MB"] = peak_resident_megabytes();
}

// 1000 x 1000 cells: a million polygons.
BENCHMARK(BM_LwoWrite)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LwoSave)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LwoRead)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjRoundTrip)->Arg(300)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Every shared LightWave object read, written and read again; and a real client (assimp's
// command-line tool) opening what we write.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "io/lwo.h"
#include "tests/io/io_test_support.h"

namespace zelkor::io {
namespace {

using test::file_bytes;
namespace fs = std::filesystem;

std::vector<fs::path> shared_lwo_files() {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(test::shared_lwo("")))
        if (entry.path().extension() == ".lwo") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

bool is_lwob(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin() + 8, bytes.begin() + 12) == "LWOB"; }

// An LWOB surface is known only by name: it must come back as a minimal SURF.
void expect_minimal_surfaces(const host::Document& first, host::Document& second) {
    ASSERT_EQ(second.surfaces.size(), first.surfaces.size());
    for (std::size_t s = 0; s < first.surfaces.size(); ++s) {
        EXPECT_TRUE(first.surfaces[s].lwo2_data.empty());
        EXPECT_EQ(second.surfaces[s].lwo2_data, test::Bytes().s0(first.surfaces[s].name).s0("").data);
        second.surfaces[s].lwo2_data.clear();
    }
}

TEST(LwoRoundTrip, EveryFileReadsBackTheSame) {
    std::vector<fs::path> files = shared_lwo_files();
    ASSERT_EQ(files.size(), 12u);
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        host::Document first = read_lwo(path);
        std::vector<std::uint8_t> written = encode_lwo2(first);
        host::Document second = parse_lwo(written, path);
        if (is_lwob(file_bytes(path))) expect_minimal_surfaces(first, second);
        test::expect_same_document(first, second);
        EXPECT_EQ(encode_lwo2(second), written);  // a second pass must not drift
    }
}

// LightWave's own chunk order is ours, so its files come back byte for byte, through write_lwo
// too. The modo file puts its VMAD before the PTAG, which we write after it.
TEST(LwoRoundTrip, LightWaveFilesComeBackByteForByte) {
    test::ScratchDir dir("lwo_bytes");
    for (const fs::path& path : shared_lwo_files()) {
        std::vector<std::uint8_t> original = file_bytes(path);
        if (is_lwob(original)) continue;
        SCOPED_TRACE(path.filename().string());
        std::vector<std::uint8_t> written = encode_lwo2(parse_lwo(original, path));
        if (path.filename() == "ModoExport_vertNormals.lwo") {
            ASSERT_EQ(written.size(), original.size());
            std::sort(original.begin(), original.end());
            std::sort(written.begin(), written.end());
            EXPECT_EQ(written, original);
            continue;
        }
        EXPECT_EQ(written, original);
        write_lwo(read_lwo(path), dir / "out.lwo");
        EXPECT_EQ(file_bytes(dir / "out.lwo"), original);
    }
}

TEST(LwoRoundTrip, AssimpReadsOurOutputWithTheSameCounts) {
    if (!test::have_assimp()) GTEST_SKIP() << "/usr/bin/assimp is not installed";
    test::ScratchDir dir("lwo_assimp");
    for (std::string name :
         {"hierarchy.lwo", "box4-uv-layers.lwo", "box_2vc_1unused.lwo", "concave_polygon.lwo", "box1.5.lwo"}) {
        SCOPED_TRACE(name);
        host::Document doc = read_lwo(test::shared_lwo(name));
        long polygons = 0, corners = 0;
        for (const host::Layer& layer : doc.layers) {
            polygons += long(layer.polygon_count());
            corners += long(layer.poly_points.size());
        }
        write_lwo(doc, dir / name);
        test::AssimpCounts counts = test::assimp_counts(dir / name, true);
        EXPECT_EQ(counts.faces, polygons);
        EXPECT_EQ(counts.vertices, corners);
    }
}

}  // namespace
}  // namespace zelkor::io

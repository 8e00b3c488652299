// Every shared LightWave object read, written and read again; and a real client (assimp's
// command-line tool) opening what we write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "io/lwo.h"
#include "tests/io/lwo_test_support.h"

namespace zelkor::io {
namespace {

using test::file_bytes;
using test::shared_lwo;

const std::vector<std::string> kLwo2Files = {
    "hierarchy.lwo",       "hierarchy_smoothed.lwo", "box4-uv-layers.lwo",         "Subdivision.lwo",
    "box_2uv_1unused.lwo", "box_2vc_1unused.lwo",    "UglyVertexColors.lwo",       "uvtest.lwo",
    "concave_polygon.lwo", "ModoExport_vertNormals.lwo"};
const std::vector<std::string> kLwobFiles = {"box1.5.lwo", "sphere_with_mat_gloss_10pc.lwo"};

TEST(LwoRoundTrip, EveryLwo2FileReadsBackTheSame) {
    for (const std::string& name : kLwo2Files) {
        SCOPED_TRACE(name);
        host::Document first = read_lwo(shared_lwo(name));
        std::vector<std::uint8_t> written = encode_lwo2(first);
        host::Document second = parse_lwo(written, name);
        test::expect_same_document(first, second);
        // A second pass must not drift.
        EXPECT_EQ(encode_lwo2(second), written);
    }
}

// LightWave's own chunk order is ours, so those files come back byte for byte. The modo file
// puts its VMAD before the PTAG, which we write after it.
TEST(LwoRoundTrip, FilesInOurChunkOrderComeBackByteForByte) {
    for (const std::string& name : kLwo2Files) {
        if (name == "ModoExport_vertNormals.lwo") continue;
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> original = file_bytes(shared_lwo(name));
        EXPECT_EQ(encode_lwo2(parse_lwo(original, name)), original);
    }
}

TEST(LwoRoundTrip, ModoFileDiffersOnlyInChunkOrder) {
    std::vector<std::uint8_t> original = file_bytes(shared_lwo("ModoExport_vertNormals.lwo"));
    std::vector<std::uint8_t> written = encode_lwo2(parse_lwo(original, "modo.lwo"));
    ASSERT_EQ(written.size(), original.size());
    std::sort(original.begin(), original.end());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, original);
}

TEST(LwoRoundTrip, LwobFilesBecomeLwo2WithMinimalSurfaces) {
    for (const std::string& name : kLwobFiles) {
        SCOPED_TRACE(name);
        host::Document first = read_lwo(shared_lwo(name));
        host::Document second = parse_lwo(encode_lwo2(first), name);
        // The names survive; the LWOB surface settings never reach an LWO2 file.
        ASSERT_EQ(second.surfaces.size(), first.surfaces.size());
        for (std::size_t s = 0; s < first.surfaces.size(); ++s) {
            EXPECT_TRUE(first.surfaces[s].lwo2_data.empty());
            EXPECT_EQ(second.surfaces[s].name, first.surfaces[s].name);
            test::Bytes minimal;
            minimal.s0(first.surfaces[s].name).s0("");
            EXPECT_EQ(second.surfaces[s].lwo2_data, minimal.data);
            second.surfaces[s].lwo2_data.clear();
        }
        test::expect_same_document(first, second);
    }
}

TEST(LwoRoundTrip, WriteLwoWritesTheEncodedBytes) {
    host::Document doc = read_lwo(shared_lwo("uvtest.lwo"));
    std::filesystem::path out = std::filesystem::path(testing::TempDir()) / "zelkor_lwo_write.lwo";
    write_lwo(doc, out);
    EXPECT_EQ(file_bytes(out), file_bytes(shared_lwo("uvtest.lwo")));
    std::filesystem::remove(out);
}

// ----- assimp reads what we write -----------------------------------------------------------

struct AssimpCounts {
    long vertices = -1;
    long faces = -1;
};

// Runs `assimp info FILE -r` (no post-processing) and reads its "Vertices:" and "Faces:" lines.
// Raw, assimp keeps every polygon as one face and gives every corner its own vertex.
AssimpCounts assimp_counts(const std::filesystem::path& file) {
    AssimpCounts counts;
    std::string command = "/usr/bin/assimp info '" + file.string() + "' -r 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return counts;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get())) {
        std::sscanf(line, "Vertices: %ld", &counts.vertices);
        std::sscanf(line, "Faces: %ld", &counts.faces);
    }
    return counts;
}

TEST(LwoRoundTrip, AssimpReadsOurOutputWithTheSameCounts) {
    if (!std::filesystem::exists("/usr/bin/assimp")) GTEST_SKIP() << "/usr/bin/assimp is not installed";
    for (std::string name :
         {"hierarchy.lwo", "box4-uv-layers.lwo", "box_2vc_1unused.lwo", "concave_polygon.lwo", "box1.5.lwo"}) {
        SCOPED_TRACE(name);
        host::Document doc = read_lwo(shared_lwo(name));
        long polygons = 0, corners = 0;
        for (const host::Layer& layer : doc.layers) {
            polygons += long(layer.polygon_count());
            corners += long(layer.poly_points.size());
        }
        std::filesystem::path out = std::filesystem::path(testing::TempDir()) / ("zelkor_assimp_" + name);
        write_lwo(doc, out);
        AssimpCounts counts = assimp_counts(out);
        std::filesystem::remove(out);
        EXPECT_EQ(counts.faces, polygons);
        EXPECT_EQ(counts.vertices, corners);
    }
}

}  // namespace
}  // namespace zelkor::io

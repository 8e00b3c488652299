// Whole files: every shared LightWave object read, written and read again; files chosen by
// extension, whatever its case; and a real client (assimp's command-line tool) reading ours.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "host/normals.h"
#include "io/lwo.h"
#include "io/mesh_file.h"
#include "tests/io/io_test_support.h"

namespace zelkor::io {
namespace {

using test::Data;
namespace fs = std::filesystem;

std::vector<fs::path> shared_lwo_files() {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(test::shared_lwo("")))
        if (entry.path().extension() == ".lwo") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

bool is_lwob(const Data& bytes) { return std::string(bytes.begin() + 8, bytes.begin() + 12) == "LWOB"; }

TEST(LwoRoundTrip, EveryFileReadsBackTheSame) {
    std::vector<fs::path> files = shared_lwo_files();
    ASSERT_EQ(files.size(), 12u);
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        host::Document first = read_lwo(path);
        Data written = encode_lwo2(first);
        host::Document second = parse_lwo(written, path);
        EXPECT_EQ(encode_lwo2(second), written);  // a second pass must not drift
        if (is_lwob(test::file_bytes(path)))
            for (host::Surface& surface : first.surfaces) {  // known by name only: written as a minimal SURF
                EXPECT_TRUE(surface.lwo2_data.empty());
                surface.lwo2_data = test::Bytes().s0(surface.name).s0("").data;
            }
        EXPECT_EQ(test::describe(second), test::describe(first));
    }
}

// Where the first chunk `id` of a FORM starts.
Data::iterator chunk_at(Data& bytes, std::string_view id) {
    for (std::size_t pos = 12; pos + 8 <= bytes.size(); pos += (9 + test::u4_at(bytes, pos + 4)) & ~std::size_t(1))
        if (std::string_view(reinterpret_cast<const char*>(&bytes[pos]), 4) == id) return bytes.begin() + std::ptrdiff_t(pos);
    return bytes.end();
}

// LightWave's own chunk order is ours, so its files come back byte for byte, through write_lwo
// too. The modo file differs in two places: its VMAD comes before the PTAG, which we write after
// it, and its BBOX has the z bounds of its points negated (min -2.5, max 2.6 for z in -2.6..2.5),
// where we write the bounds of the points.
TEST(LwoRoundTrip, LightWaveFilesComeBackByteForByte) {
    test::ScratchDir dir("lwo_bytes");
    int compared = 0;
    for (const fs::path& path : shared_lwo_files()) {
        Data expected = test::file_bytes(path);
        if (is_lwob(expected)) continue;
        SCOPED_TRACE(path.filename().string());
        if (path.filename() == "ModoExport_vertNormals.lwo") {
            auto vmad = chunk_at(expected, "VMAD"), ptag = chunk_at(expected, "PTAG"), surf = chunk_at(expected, "SURF");
            ASSERT_TRUE(vmad < ptag && ptag < surf);
            std::rotate(vmad, ptag, surf);
            auto z_min = chunk_at(expected, "BBOX") + 16, z_max = z_min + 12;
            std::swap_ranges(z_min, z_min + 4, z_max);
            *z_min ^= 0x80;  // the sign bits
            *z_max ^= 0x80;
        }
        EXPECT_EQ(encode_lwo2(parse_lwo(test::file_bytes(path), path)), expected);
        write_lwo(read_lwo(path), dir / "out.lwo");
        EXPECT_EQ(test::file_bytes(dir / "out.lwo"), expected);
        ++compared;
    }
    EXPECT_EQ(compared, 10);
}

TEST(MeshFile, ChoosesTheFormatByExtensionOrRefusesIt) {
    test::ScratchDir dir("mesh_files");
    std::filesystem::copy_file(test::shared_lwo("hierarchy.lwo"), dir / "IN.LWO");
    host::Document doc = read_lwo(test::shared_lwo("hierarchy.lwo"));
    EXPECT_EQ(test::describe(read_mesh(dir / "IN.LWO")), test::describe(doc));
    doc.layers[1].poly_selected[3] = 1;  // a selection is no part of the object: no warning
    EXPECT_TRUE(write_mesh(doc, dir / "out.lwo").empty());
    EXPECT_EQ(test::describe(read_mesh(dir / "out.lwo")), test::describe(doc));
    for (const char* name : {"out.Obj", "out.glb", "out.GLTF"}) write_mesh(doc, dir / name);
    EXPECT_EQ(read_mesh(dir / "out.Obj").layers.size(), 1u);  // layers flattened
    EXPECT_EQ(test::file_text(dir / "out.glb").substr(0, 4), "glTF");
    EXPECT_EQ(test::file_text(dir / "out.GLTF").substr(0, 1), "{");

    std::filesystem::create_directory(dir / "folder.lwo");
    const std::string reads = " is not a mesh format this tool reads (.lwo, .obj, .gltf, .glb)";
    const std::pair<std::string, std::string> cases[] = {
        {"scan.ply", "extension \".ply\"" + reads}, {"scan", "no extension" + reads}, {"box.stl", "extension \".stl\"" + reads}, {"missing.glb", "cannot open: no such file"},
        {"missing.lwo", "cannot open: no such file"}, {"missing.obj", "cannot open: no such file"},
        {"folder.lwo", "cannot read: it is a folder"}};
    for (const auto& [name, message] : cases)
        EXPECT_EQ(test::error_of([&] { read_mesh(dir / name); }), (dir / name).string() + ": " + message);
    EXPECT_EQ(test::error_of([&] { read_lwo(dir / "folder.lwo"); }), (dir / "folder.lwo").string() + ": cannot read: it is a folder");
    EXPECT_EQ(test::error_of([&] { write_mesh(doc, dir / "scan.stl"); }),
              (dir / "scan.stl").string() + ": extension \".stl\" is not a mesh format this tool writes (.lwo, .obj, .gltf, .glb)");
    EXPECT_FALSE(std::filesystem::exists(dir / "scan.stl"));
}

// No format gets a value that is not a number: positions that overflow a float (which every
// format stores) and map values that are infinite are refused before anything is written,
// naming the first one.
TEST(MeshFile, EveryWriterRefusesValuesThatAreNotFinite) {
    test::ScratchDir dir("finite");
    const struct {
        std::function<void(host::Document&)> spoil;
        std::string message;
    } cases[] = {
        {[](host::Document& d) { d.layers[0].positions[4] = 1e300; }, "layer 3: point 1 has a coordinate that is not finite as a float"},
        {[](host::Document& d) { d.layers[0].positions[5] = std::nan(""); },
         "layer 3: point 1 has a coordinate that is not finite as a float"},
        // Halfway between the largest float and 2^128 rounds to even: infinity.
        {[](host::Document& d) { d.layers[0].positions[3] = -0x1.ffffffp+127; },
         "layer 3: point 1 has a coordinate that is not finite as a float"},
        {[](host::Document& d) {
             const float inf = std::numeric_limits<float>::infinity();
             d.layers[0].vmap(LWVMAP_WGHT, "W", 1).set(2, &inf);
         },
         "layer 3 WGHT \"W\": point 2 has a value that is not finite"},
        {[](host::Document& d) {
             host::Layer& layer = d.layers[0];
             layer.vmads.push_back({LWVMAP_TXUV, "D", 2, {layer.polygon(1)[0]}, {1}, {0.5f, std::nanf("")}, {}});
         },
         "layer 3 TXUV \"D\": point 0 of polygon 1 has a value that is not finite"},
    };
    for (const auto& c : cases)
        for (const char* name : {"out.lwo", "out.glb", "out.gltf", "out.obj"}) {
            host::Document doc = read_lwo(test::shared_lwo("hierarchy.lwo"));
            c.spoil(doc);
            EXPECT_EQ(test::error_of([&] { write_mesh(doc, dir / name); }), (dir / name).string() + ": " + c.message);
            EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
        }
    // Just below that midpoint the coordinate rounds to the largest float and is written.
    host::Document doc = read_lwo(test::shared_lwo("hierarchy.lwo"));
    doc.layers[0].positions[3] = std::nextafter(-0x1.ffffffp+127, 0.0);
    write_mesh(doc, dir / "edge.lwo");
    EXPECT_EQ(read_lwo(dir / "edge.lwo").layers[0].positions[3], -double(std::numeric_limits<float>::max()));
    // A value taken off its point is no longer the map's, even where the page still holds it.
    const float nan = std::nanf("");
    doc.layers[0].vmap(LWVMAP_WGHT, "W", 1).set(2, &nan);
    doc.layers[0].find_vmap(LWVMAP_WGHT, "W")->clear(2);
    write_mesh(doc, dir / "cleared.lwo");
    EXPECT_TRUE(std::filesystem::exists(dir / "cleared.lwo"));
}

// A real client (assimp's command-line tool) reads what we write in every format. Without its
// post-processing (-r), LWO and OBJ polygons stay one face each with a vertex per corner; glTF
// holds triangles.
TEST(MeshFile, AssimpReadsWhatWeWriteInEveryFormat) {
    if (!fs::exists("/usr/bin/assimp")) GTEST_SKIP() << "/usr/bin/assimp is not installed";
    test::ScratchDir dir("mesh_assimp");
    for (std::string name : {"hierarchy.lwo", "box4-uv-layers.lwo", "box_2vc_1unused.lwo", "concave_polygon.lwo", "box1.5.lwo"}) {
        SCOPED_TRACE(name);
        host::Document doc = read_lwo(test::shared_lwo(name));
        long polygons = 0, corners = 0;
        for (const host::Layer& layer : doc.layers) {
            polygons += long(layer.polygon_count());
            corners += long(layer.poly_points.size());
        }
        const long triangles = corners - 2 * polygons;  // all polygons here are faces
        for (const char* extension : {".lwo", ".obj", ".glb"}) write_mesh(doc, dir / (name + extension));
        test::AssimpCounts lwo = test::assimp_counts(dir / (name + ".lwo")), obj = test::assimp_counts(dir / (name + ".obj")),
                           glb = test::assimp_counts(dir / (name + ".glb"));
        EXPECT_EQ(std::tie(lwo.vertices, lwo.faces, obj.vertices, obj.faces, glb.faces),
                  std::tie(corners, polygons, corners, polygons, triangles));
    }
}

// The bundled objects show their fronts: the template's faces point away from its middle, the
// targets' faces point up (the modeller's normal, as the module and every writer take it).
TEST(BundledExamples, FacesPointOutwardAndUp) {
    for (const char* name : {"rock.lwo", "terrain.lwo", "dunes.lwo"}) {
        SCOPED_TRACE(name);
        const host::Document doc = read_lwo(std::string(ZELKOR_EXAMPLES) + "/" + name);
        const host::Layer& layer = doc.layers.at(0);
        double middle[3] = {0, 0, 0};
        for (std::size_t i = 0; i < layer.positions.size(); ++i) middle[i % 3] += layer.positions[i] / double(layer.point_count());
        const bool is_template = std::string_view(name) == "rock.lwo";
        for (std::size_t p = 0; p < layer.polygon_count(); ++p) {
            double normal[3], outward[3] = {0, 0, 0};
            ASSERT_EQ(host::newell_normal(layer.positions.data(), layer.polygon(p), normal), 1);
            for (std::uint32_t point : layer.polygon(p))
                for (int k = 0; k < 3; ++k) outward[k] += layer.positions[3 * point + std::size_t(k)] - middle[k];
            const double facing = is_template ? normal[0] * outward[0] + normal[1] * outward[1] + normal[2] * outward[2] : normal[1];
            EXPECT_GT(facing, 0.0) << "polygon " << p;
        }
    }
}

}  // namespace
}  // namespace zelkor::io

#include "io/obj.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <bit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "io/file_error.h"

namespace zelkor::io {
namespace {

namespace fs = std::filesystem;
using host::Document;
using host::Layer;

// A folder of its own under the system's temporary folder, removed afterwards.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name)
        : path_(fs::temp_directory_path() / ("zelkor_obj_test_" + std::to_string(::getpid()) + "_" + name)) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string error_of(std::string_view text, const char* name) {
    try {
        parse_obj_text(text, name);
    } catch (const FileError& e) {
        return e.what();
    }
    return "no error";
}

std::string surface_of(const Document& d, const Layer& layer, std::size_t polygon) {
    std::int32_t tag = layer.tag(LWPTAG_SURF, polygon);
    return tag < 0 ? "(none)" : d.tags[std::size_t(tag)];
}

std::string part_of(const Document& d, const Layer& layer, std::size_t polygon) {
    std::int32_t tag = layer.tag(LWPTAG_PART, polygon);
    return tag < 0 ? "(none)" : d.tags[std::size_t(tag)];
}

std::vector<std::uint64_t> bits_of(const std::vector<double>& values) {
    std::vector<std::uint64_t> bits;
    for (double v : values) bits.push_back(std::bit_cast<std::uint64_t>(v));
    return bits;
}

std::vector<std::uint32_t> bits_of(const std::vector<float>& values) {
    std::vector<std::uint32_t> bits;
    for (float v : values) bits.push_back(std::bit_cast<std::uint32_t>(v));
    return bits;
}

// Same points (bit for bit), polygons, surfaces, parts and UVs.
void expect_same_mesh(const Document& a, const Document& b) {
    ASSERT_EQ(a.layers.size(), 1u);
    ASSERT_EQ(b.layers.size(), 1u);
    const Layer& la = a.layers[0];
    const Layer& lb = b.layers[0];
    EXPECT_EQ(bits_of(la.positions), bits_of(lb.positions));
    EXPECT_EQ(la.poly_type, lb.poly_type);
    EXPECT_EQ(la.poly_start, lb.poly_start);
    EXPECT_EQ(la.poly_points, lb.poly_points);
    ASSERT_EQ(la.polygon_count(), lb.polygon_count());
    for (std::size_t p = 0; p < la.polygon_count(); ++p) {
        ASSERT_EQ(surface_of(a, la, p), surface_of(b, lb, p)) << "polygon " << p;
        ASSERT_EQ(part_of(a, la, p), part_of(b, lb, p)) << "polygon " << p;
    }
    ASSERT_EQ(la.vmaps.size(), lb.vmaps.size());
    for (std::size_t m = 0; m < la.vmaps.size(); ++m) {
        EXPECT_EQ(la.vmaps[m].name, lb.vmaps[m].name);
        EXPECT_EQ(la.vmaps[m].type, lb.vmaps[m].type);
        EXPECT_EQ(la.vmaps[m].has, lb.vmaps[m].has);
        EXPECT_EQ(bits_of(la.vmaps[m].values), bits_of(lb.vmaps[m].values));
    }
    ASSERT_EQ(la.vmads.size(), lb.vmads.size());
    for (std::size_t m = 0; m < la.vmads.size(); ++m) {
        EXPECT_EQ(la.vmads[m].points, lb.vmads[m].points);
        EXPECT_EQ(la.vmads[m].polygons, lb.vmads[m].polygons);
        EXPECT_EQ(bits_of(la.vmads[m].values), bits_of(lb.vmads[m].values));
    }
}

// ------------------------------------------------------------------------------------------
// Reading

TEST(ObjReader, NegatesZAndReversesPolygonsKeepingTheFirstPoint) {
    Document d = parse_obj_text("v 1 2 3\nv 4 5 6\nv 7 8 9\nv 10 11 12\nv 13 14 15\nf 1 2 3 4\nf 5 3 2\n", "quad.obj");
    ASSERT_EQ(d.layers.size(), 1u);
    const Layer& layer = d.layers[0];
    EXPECT_EQ(layer.number, 0);
    EXPECT_EQ(layer.name, "");
    EXPECT_EQ(layer.positions, (std::vector<double>{1, 2, -3, 4, 5, -6, 7, 8, -9, 10, 11, -12, 13, 14, -15}));
    ASSERT_EQ(layer.polygon_count(), 2u);
    EXPECT_EQ(layer.poly_type, (std::vector<LWID>{LWPOLTYPE_FACE, LWPOLTYPE_FACE}));
    EXPECT_EQ(layer.poly_points, (std::vector<std::uint32_t>{0, 3, 2, 1, 4, 1, 2}));
    EXPECT_EQ(layer.poly_start, (std::vector<std::uint32_t>{0, 4, 7}));
}

TEST(ObjReader, UsemtlNamesBecomeSurfacesAndGroupsBecomeParts) {
    Document d = parse_obj_text(
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "f 1 2 3\n"
        "usemtl Metal\ng lid top\nf 1 2 3\n"
        "o Handle\nusemtl  Wood \nf 1 2 3\n"
        "g default\nusemtl Metal\nf 1 2 3\n",
        "parts.obj");
    const Layer& layer = d.layers[0];
    ASSERT_EQ(layer.polygon_count(), 4u);
    EXPECT_EQ(surface_of(d, layer, 0), "Default");
    EXPECT_EQ(surface_of(d, layer, 1), "Metal");
    EXPECT_EQ(surface_of(d, layer, 2), "Wood");
    EXPECT_EQ(surface_of(d, layer, 3), "Metal");
    EXPECT_EQ(part_of(d, layer, 0), "(none)");
    EXPECT_EQ(part_of(d, layer, 1), "lid top");
    EXPECT_EQ(part_of(d, layer, 2), "Handle");
    EXPECT_EQ(part_of(d, layer, 3), "(none)");
    ASSERT_EQ(d.surfaces.size(), 3u);
    EXPECT_EQ(d.surfaces[0].name, "Default");
    EXPECT_EQ(d.surfaces[1].name, "Metal");
    EXPECT_EQ(d.surfaces[2].name, "Wood");
}

TEST(ObjReader, NoDefaultSurfaceWhenEveryPolygonHasOne) {
    Document d = parse_obj_text("mtllib missing.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl A\nf 1 2 3\n", "a.obj");
    ASSERT_EQ(d.surfaces.size(), 1u);
    EXPECT_EQ(d.surfaces[0].name, "A");
    EXPECT_EQ(d.layers[0].find_tags(LWPTAG_PART), nullptr);
}

TEST(ObjReader, AgreeingCornerUvsGoToThePointMapAndOthersToTheCornerMap) {
    // Point 2 has vt 2 in the first face and vt 4 in the second; point 4 has no UV at all.
    Document d = parse_obj_text(
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
        "vt 0.25 0.5\nvt 0.75 0.5\nvt 0.5\nvt 1 1\n"
        "f 1/1 2/2 3/3\nf 1/1 3/3 2/4\nf 1/1 4 3/3\n",
        "uv.obj");
    const Layer& layer = d.layers[0];
    const host::VertexMap* uv = layer.find_vmap(LWVMAP_TXUV, "UV");
    ASSERT_NE(uv, nullptr);
    EXPECT_EQ(uv->dimension, 2);
    EXPECT_EQ(uv->has, (std::vector<std::uint8_t>{1, 1, 1}));
    EXPECT_EQ(uv->values, (std::vector<float>{0.25f, 0.5f, 0.75f, 0.5f, 0.5f, 0.0f}));
    ASSERT_EQ(layer.vmads.size(), 1u);
    const host::DiscontinuousMap& corners = layer.vmads[0];
    EXPECT_EQ(corners.type, LWVMAP_TXUV);
    EXPECT_EQ(corners.name, "UV");
    EXPECT_EQ(corners.dimension, 2);
    EXPECT_EQ(corners.points, (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(corners.polygons, (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(corners.values, (std::vector<float>{1.0f, 1.0f}));
}

TEST(ObjReader, NegativeIndicesCountBackAndNormalsAreNotKept) {
    Document d = parse_obj_text(
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nvn 0 0 1\nvt 0 0\nvt 1 1\nf -3/-2/1 -2//1 -1/-1/-1\n", "neg.obj");
    const Layer& layer = d.layers[0];
    EXPECT_EQ(layer.poly_points, (std::vector<std::uint32_t>{0, 2, 1}));
    const host::VertexMap* uv = layer.find_vmap(LWVMAP_TXUV, "UV");
    ASSERT_NE(uv, nullptr);
    EXPECT_EQ(uv->has, (std::vector<std::uint8_t>{1, 0, 1}));
    EXPECT_EQ(layer.vmaps.size(), 1u);
}

TEST(ObjReader, AcceptsCarriageReturnsCommentsAndExtraNumbers) {
    Document d = parse_obj_text("# made by hand\r\nv +1 2.5e1 -3 1\r\nv 4 5 6 0.5 0.5 0.5 # coloured\r\nv 7 8 9\rf 1 2 3", "crlf.obj");
    EXPECT_EQ(d.layers[0].positions, (std::vector<double>{1, 25, 3, 4, 5, -6, 7, 8, -9}));
    EXPECT_EQ(d.layers[0].polygon_count(), 1u);
}

TEST(ObjReader, ReportsFaultsWithFileLineAndColumn) {
    const std::string three = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    EXPECT_EQ(error_of(three + "f 1 2 4\n", "bad.obj"), "bad.obj:4:7: vertex index 4 is out of range (3 v lines)");
    EXPECT_EQ(error_of(three + "f 1 2 0\n", "bad.obj"), "bad.obj:4:7: vertex index 0 is out of range (3 v lines)");
    EXPECT_EQ(error_of("v 0 0 0\nf 1 -2 1\nv 1 0 0\n", "bad.obj"),
              "bad.obj:2:5: vertex index -2 is out of range (1 v lines before it)");
    EXPECT_EQ(error_of(three + "vt 0 0\nf 1/1 2/2 3/1\n", "bad.obj"),
              "bad.obj:5:7: UV index 2 is out of range (1 vt lines)");
    EXPECT_EQ(error_of("v 1 nan 0\n", "nan.obj"), "nan.obj:1:5: expected a finite number, found \"nan\"");
    EXPECT_EQ(error_of("v 0 0 0\nvt 0.5 -inf\n", "inf.obj"), "inf.obj:2:8: expected a finite number, found \"-inf\"");
    EXPECT_EQ(error_of("# scene\n\nv 1.0 2.0 1.0e\n", "scene.obj"), "scene.obj:3:11: expected a number, found \"1.0e\"");
    EXPECT_EQ(error_of("v 1 2,5 3\n", "comma.obj"), "comma.obj:1:5: expected a number, found \"2,5\"");
    EXPECT_EQ(error_of("v 1 1e999 3\n", "big.obj"), "big.obj:1:5: expected a number in range, found \"1e999\"");
    EXPECT_EQ(error_of("v 1 2\n", "short.obj"), "short.obj:1:6: expected a number, found the end of the line");
    EXPECT_EQ(error_of("vt # none\n", "short.obj"), "short.obj:1:4: expected a number, found \"#\"");
    EXPECT_EQ(error_of("v 0 0 0\r\nv 1 x 0\r\n", "crlf.obj"), "crlf.obj:2:5: expected a number, found \"x\"");
    EXPECT_EQ(error_of(three + "f 1 2.5 3\n", "idx.obj"),
              "idx.obj:4:5: expected a face corner such as 3, 3/1 or 3/1/2, found \"2.5\"");
    EXPECT_EQ(error_of(three + "f 1 2/1/1/1 3\n", "idx.obj"),
              "idx.obj:4:5: expected a face corner such as 3, 3/1 or 3/1/2, found \"2/1/1/1\"");
    EXPECT_EQ(error_of(three + "f 1 99999999999 3\n", "idx.obj"),
              "idx.obj:4:5: expected a face corner such as 3, 3/1 or 3/1/2, found \"99999999999\"");
}

TEST(ObjReader, ReportsAMissingFile) {
    ScratchDir dir("missing");
    fs::path path = dir.path() / "absent.obj";
    try {
        read_obj(path);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), path.string() + ": cannot open the file: No such file or directory");
        EXPECT_EQ(e.file(), path);
    }
}

// ------------------------------------------------------------------------------------------
// Writing

// In the writer's own form, so that reading and writing it again must give the same text. It
// covers exponents, -0, a double that needs 16 digits, parts ending, surface runs and a corner
// whose UV differs from its point's (vt 6).
constexpr const char* kCanonicalObj =
    "# Wavefront OBJ written by Zelkor\n"
    "v 0.1 -2.5e-07 1e+20\n"
    "v 1 0 -0\n"
    "v 1 1 0.3333333333333333\n"
    "v 0 1 -7\n"
    "v 2 0 0\n"
    "vt 0 0\n"
    "vt 1 0\n"
    "vt 1 1\n"
    "vt 0 1\n"
    "vt 0.5 0.5\n"
    "vt 0.1 0.7\n"
    "g lid\n"
    "usemtl Metal\n"
    "f 1/1 2/2 3/3 4/4\n"
    "g default\n"
    "usemtl Wood\n"
    "f 2/6 5/5 3/3\n"
    "usemtl Metal\n"
    "f 1/1 3/3 4/4\n";

TEST(ObjWriter, WritesBackWhatItReadExactly) {
    Document d = parse_obj_text(kCanonicalObj, "canonical.obj");
    EXPECT_EQ(d.layers[0].positions[2], -1e20);
    EXPECT_EQ(d.layers[0].positions[8], -1.0 / 3.0);
    std::vector<std::string> warnings{"stale"};
    EXPECT_EQ(encode_obj(d, &warnings), kCanonicalObj);
    EXPECT_TRUE(warnings.empty());
}

TEST(ObjWriter, ReadWriteReadOfTheSharedMeshesIsExact) {
    struct Expected {
        const char* file;
        std::size_t points, polygons;
        bool has_uv;
    };
    // Counts as the files are described next to them.
    const Expected files[] = {{"mountains.obj", 2439, 4860, false}, {"teapot.obj", 3644, 6320, false},
                              {"suzanne.obj", 507, 500, false},     {"spot.obj", 2930, 5856, true},
                              {"terrain.obj", 900, 1682, false}};
    ScratchDir dir("shared");
    for (const Expected& e : files) {
        SCOPED_TRACE(e.file);
        Document first = read_obj(fs::path(ZELKOR_SHARED_MESHES) / "obj" / e.file);
        ASSERT_EQ(first.layers.size(), 1u);
        EXPECT_EQ(first.layers[0].point_count(), e.points);
        EXPECT_EQ(first.layers[0].polygon_count(), e.polygons);
        EXPECT_EQ(first.layers[0].find_vmap(LWVMAP_TXUV, "UV") != nullptr, e.has_uv);
        fs::path out = dir.path() / e.file;
        EXPECT_TRUE(write_obj(first, out).empty());
        Document second = read_obj(out);
        expect_same_mesh(first, second);
        EXPECT_EQ(encode_obj(second, nullptr), encode_obj(first, nullptr));
    }
}

TEST(ObjWriter, SpotKeepsItsUvSeamsAsCornerValues) {
    Document d = read_obj(fs::path(ZELKOR_SHARED_MESHES) / "obj" / "spot.obj");
    const Layer& layer = d.layers[0];
    ASSERT_EQ(layer.vmads.size(), 1u);
    EXPECT_GT(layer.vmads[0].entry_count(), 0u);
    EXPECT_EQ(layer.find_vmap(LWVMAP_TXUV, "UV")->value_count(), 2930u);
}

Document two_layer_document() {
    Document d;
    Layer& a = d.layers.emplace_back();
    a.add_point(0, 0, 1);
    a.add_point(1, 0, 1);
    a.add_point(0, 1, 1);
    std::uint32_t tri[] = {0, 1, 2};
    a.add_polygon(LWPOLTYPE_FACE, tri);
    a.set_tag(LWPTAG_SURF, 0, d.tag_index("Skin"));
    Layer& b = d.layers.emplace_back();
    b.number = 1;
    b.add_point(5, 5, 5);
    b.add_point(6, 5, 5);
    b.add_point(5, 6, 5);
    b.add_point(6, 6, 5);
    std::uint32_t quad[] = {0, 1, 3, 2};
    b.add_polygon(LWPOLTYPE_FACE, quad);
    b.add_polygon(LWPOLTYPE_PTCH, quad);
    b.add_polygon(LWPOLTYPE_PTCH, quad);
    b.set_tag(LWPTAG_PART, 0, d.tag_index("Lid"));
    return d;
}

TEST(ObjWriter, FlattensLayersAndWritesFacesOnly) {
    Document d = two_layer_document();
    std::vector<std::string> warnings;
    EXPECT_EQ(encode_obj(d, &warnings),
              "# Wavefront OBJ written by Zelkor\n"
              "v 0 0 -1\nv 1 0 -1\nv 0 1 -1\n"
              "v 5 5 -5\nv 6 5 -5\nv 5 6 -5\nv 6 6 -5\n"
              "usemtl Skin\n"
              "f 1 3 2\n"
              "g Lid\n"
              "usemtl Default\n"
              "f 4 6 7 5\n");
    EXPECT_EQ(warnings, (std::vector<std::string>{"polygons other than faces: 2 PTCH"}));
}

TEST(ObjWriter, NamesEveryKindOfDroppedDataOnce) {
    Document d = two_layer_document();
    float uv[2] = {0.5f, 0.25f}, one[1] = {1.0f}, offset[3] = {0, 1, 0}, rgba[4] = {1, 0, 0, 1};
    for (Layer& layer : d.layers) {
        layer.vmap(LWVMAP_TXUV, "Main", 2).set(0, uv);
        layer.vmap(LWVMAP_WGHT, "ZK_index", 1).set(0, one);
    }
    Layer& b = d.layers[1];
    b.vmap(LWVMAP_TXUV, "Second", 2).set(1, uv);
    b.vmap(LWVMAP_WGHT, "Weight0", 1).set(1, one);
    b.vmap(LWVMAP_MORF, "Smile", 3).set(1, offset);
    b.vmap(LWVMAP_SPOT, "Frown", 3).set(1, offset);
    b.vmap(LWVMAP_MNVW, "Creases", 1).set(1, one);
    b.vmap(LWID_('R', 'G', 'B', 'A'), "Paint", 4).set(1, rgba);
    host::DiscontinuousMap& seam = b.vmads.emplace_back();
    seam.type = LWVMAP_TXUV;
    seam.name = "Third";
    seam.dimension = 2;
    seam.points = {0};
    seam.polygons = {0};
    seam.values = {0.0f, 1.0f};
    std::vector<std::string> warnings;
    std::string text = encode_obj(d, &warnings);
    EXPECT_EQ(warnings, (std::vector<std::string>{"weight maps ZK_index, Weight0", "UV maps other than Main: Second, Third",
                                                  "morph maps Smile, Frown", "subpatch weight maps Creases",
                                                  "RGBA maps Paint", "polygons other than faces: 2 PTCH"}));
    // The kept map gives each layer's first point a vt, numbered across layers.
    EXPECT_NE(text.find("vt 0.5 0.25\nvt 0.5 0.25\n"), std::string::npos) << text;
    EXPECT_NE(text.find("f 1/1 3 2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("f 4/2 6 7 5\n"), std::string::npos) << text;
}

TEST(ObjWriter, WritesAFileWholeOrReportsTheFolder) {
    ScratchDir dir("write");
    Document d = parse_obj_text(kCanonicalObj, "canonical.obj");
    fs::path out = dir.path() / "out.obj";
    EXPECT_TRUE(write_obj(d, out).empty());
    std::ifstream in(out, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), kCanonicalObj);

    fs::path unwritable = dir.path() / "no such folder" / "out.obj";
    try {
        write_obj(d, unwritable);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), unwritable.string() + ": cannot create the output: No such file or directory");
    }
    EXPECT_FALSE(fs::exists(dir.path() / "no such folder"));
}

// ------------------------------------------------------------------------------------------
// Another program reads what we write.

struct AssimpCounts {
    long vertices = -1, faces = -1;
};

// Runs `assimp info` and picks the totals from its summary ("Vertices:   507").
AssimpCounts assimp_counts(const fs::path& file) {
    std::string command = "assimp info '" + file.string() + "' 2>/dev/null";
    AssimpCounts counts;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return counts;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::sscanf(line, "Vertices: %ld", &counts.vertices);
        std::sscanf(line, "Faces: %ld", &counts.faces);
    }
    ::pclose(pipe);
    return counts;
}

std::size_t triangle_count(const Document& d) {
    std::size_t triangles = 0;
    for (std::size_t p = 0; p < d.layers[0].polygon_count(); ++p) triangles += d.layers[0].polygon(p).size() - 2;
    return triangles;
}

// The file without its normals, which we do not keep: assimp merges corners into one vertex
// only where their normals agree too, so normals change its vertex count.
std::string without_normals(const fs::path& file) {
    std::ifstream in(file);
    std::string line, out;
    while (std::getline(in, line)) {
        if (line.rfind("vn ", 0) == 0) continue;
        if (line.rfind("f ", 0) == 0) {
            std::istringstream corners(line.substr(2));
            std::string corner;
            line = "f";
            while (corners >> corner) {
                std::size_t slash = corner.find('/');
                std::string vertex = corner.substr(0, slash);
                std::string uv = slash == std::string::npos ? "" : corner.substr(slash + 1, corner.find('/', slash + 1) - slash - 1);
                line += " " + vertex + (uv.empty() ? "" : "/" + uv);
            }
        }
        out += line + "\n";
    }
    return out;
}

TEST(ObjWriter, AssimpReadsOurOutputLikeTheOriginal) {
    if (!fs::exists("/usr/bin/assimp")) GTEST_SKIP() << "assimp (assimp-utils) is not installed";
    ScratchDir dir("assimp");
    for (const char* name : {"mountains.obj", "teapot.obj", "suzanne.obj", "spot.obj", "terrain.obj"}) {
        SCOPED_TRACE(name);
        fs::path original = fs::path(ZELKOR_SHARED_MESHES) / "obj" / name;
        fs::path plain = dir.path() / (std::string("plain_") + name);
        std::ofstream(plain) << without_normals(original);
        Document d = read_obj(original);
        fs::path ours = dir.path() / name;
        write_obj(d, ours);
        AssimpCounts expected = assimp_counts(plain);
        AssimpCounts got = assimp_counts(ours);
        ASSERT_GT(expected.vertices, 0);
        EXPECT_EQ(got.vertices, expected.vertices);
        EXPECT_EQ(got.faces, expected.faces);
        EXPECT_EQ(std::size_t(got.faces), triangle_count(d));
    }
}

}  // namespace
}  // namespace zelkor::io

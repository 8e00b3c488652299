#include "io/obj.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "tests/io/io_test_support.h"

namespace zelkor::io {
namespace {

namespace fs = std::filesystem;
using host::Document;
using host::Layer;
using test::points_with_values;
using test::values_in_point_order;

// The tag name of `kind` (SURF or PART) on every polygon of the first layer, "-" for none.
std::vector<std::string> tag_names(const Document& d, LWID kind) {
    std::vector<std::string> names;
    for (std::size_t p = 0; p < d.layers[0].polygon_count(); ++p) {
        std::int32_t tag = d.layers[0].tag(kind, p);
        names.push_back(tag < 0 ? "-" : d.tags[std::size_t(tag)]);
    }
    return names;
}

using Names = std::vector<std::string>;

// ------------------------------------------------------------------------------------------
// Reading

TEST(ObjReader, NegatesZAndReversesPolygonsKeepingTheFirstPoint) {
    Document d = parse_obj_text("v 1 2 3\nv 4 5 6\nv 7 8 9\nv 10 11 12\nv 13 14 15\nf 1 2 3 4\nf 5 3 2\n", "quad.obj");
    ASSERT_EQ(d.layers.size(), 1u);
    const Layer& layer = d.layers[0];
    EXPECT_EQ(layer.positions, (std::vector<double>{1, 2, -3, 4, 5, -6, 7, 8, -9, 10, 11, -12, 13, 14, -15}));
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
    EXPECT_EQ(tag_names(d, LWPTAG_SURF), (Names{"Default", "Metal", "Wood", "Metal"}));
    EXPECT_EQ(tag_names(d, LWPTAG_PART), (Names{"-", "lid top", "Handle", "-"}));
    ASSERT_EQ(d.surfaces.size(), 3u);
    EXPECT_EQ(d.surfaces[0].name, "Default");
    EXPECT_EQ(d.surfaces[2].name, "Wood");
    // No "Default" surface when every polygon has one.
    d = parse_obj_text("mtllib missing.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl A\nf 1 2 3\n", "a.obj");
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
    EXPECT_EQ(points_with_values(*uv), (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_EQ(values_in_point_order(*uv), (std::vector<float>{0.25f, 0.5f, 0.75f, 0.5f, 0.5f, 0.0f}));
    ASSERT_EQ(layer.vmads.size(), 1u);
    const host::DiscontinuousMap& corners = layer.vmads[0];
    EXPECT_EQ(corners.type, LWVMAP_TXUV);
    EXPECT_EQ(corners.name, "UV");
    EXPECT_EQ(corners.points, (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(corners.polygons, (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(corners.values, (std::vector<float>{1.0f, 1.0f}));
}

TEST(ObjReader, AcceptsNegativeIndicesCarriageReturnsAndExtraNumbers) {
    Document d = parse_obj_text("v 0 0 0\nv 1 0 0\nv 1 1 0\nvn 0 0 1\nvt 0 0\nvt 1 1\nf -3/-2/1 -2//1 -1/-1/-1\n", "neg.obj");
    EXPECT_EQ(d.layers[0].poly_points, (std::vector<std::uint32_t>{0, 2, 1}));
    ASSERT_EQ(d.layers[0].vmaps.size(), 1u);  // normals are not kept
    EXPECT_EQ(points_with_values(d.layers[0].vmaps[0]), (std::vector<std::uint32_t>{0, 2}));
    d = parse_obj_text("# by hand\r\nv +1 2.5e1 -3 1\r\nv 4 5 6 0.5 0.5 0.5 # coloured\r\nv 7 8 9\rf 1 2 3", "crlf.obj");
    EXPECT_EQ(d.layers[0].positions, (std::vector<double>{1, 25, 3, 4, 5, -6, 7, 8, -9}));
    EXPECT_EQ(d.layers[0].polygon_count(), 1u);
}

TEST(ObjReader, ReportsFaultsWithFileLineAndColumn) {
    const std::string three = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const struct {
        std::string text, message;
    } cases[] = {
        {three + "f 1 2 4\n", "4:7: vertex index 4 is out of range (3 v lines)"},
        {three + "f 1 2 0\n", "4:7: vertex index 0 is out of range (3 v lines)"},
        {"v 0 0 0\nf 1 -2 1\nv 1 0 0\n", "2:5: vertex index -2 is out of range (1 v lines before it)"},
        {three + "vt 0 0\nf 1/1 2/2 3/1\n", "5:7: UV index 2 is out of range (1 vt lines)"},
        {"v 1 nan 0\n", "1:5: expected a finite number, found \"nan\""},
        {"v 0 0 0\nvt 0.5 -inf\n", "2:8: expected a finite number, found \"-inf\""},
        {"# scene\n\nv 1.0 2.0 1.0e\n", "3:11: expected a number, found \"1.0e\""},
        {"v 1 2,5 3\n", "1:5: expected a number, found \"2,5\""},
        {"v 1 1e999 3\n", "1:5: expected a number in range, found \"1e999\""},
        {"v 1 2\n", "1:6: expected a number, found the end of the line"},
        {"vt # none\n", "1:4: expected a number, found \"#\""},
        {"v 0 0 0\r\nv 1 x 0\r\n", "2:5: expected a number, found \"x\""},
        {three + "f 1 2.5 3\n", "4:5: expected a face corner such as 3, 3/1 or 3/1/2, found \"2.5\""},
        {three + "f 1 2/1/1/1 3\n", "4:5: expected a face corner such as 3, 3/1 or 3/1/2, found \"2/1/1/1\""},
        {three + "f 1 99999999999 3\n", "4:5: expected a face corner such as 3, 3/1 or 3/1/2, found \"99999999999\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(test::error_of([&] { parse_obj_text(c.text, "bad.obj"); }), "bad.obj:" + c.message);
    fs::path missing = fs::temp_directory_path() / "zelkor_obj_test_absent.obj";
    EXPECT_EQ(test::error_of([&] { read_obj(missing); }),
              missing.string() + ": cannot open: No such file or directory");
}

// ------------------------------------------------------------------------------------------
// Writing

// In the writer's own form, so that reading and writing it again must give the same text. It
// covers exponents, -0, a double that needs 16 digits, parts ending, surface runs and a corner
// whose UV differs from its point's (vt 6).
constexpr const char* kCanonicalObj =
    "# Wavefront OBJ written by Zelkor\n"
    "v 0.1 -2.5e-07 1e+20\nv 1 0 -0\nv 1 1 0.3333333333333333\nv 0 1 -7\nv 2 0 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt 0.5 0.5\nvt 0.1 0.7\n"
    "g lid\nusemtl Metal\nf 1/1 2/2 3/3 4/4\n"
    "g default\nusemtl Wood\nf 2/6 5/5 3/3\n"
    "usemtl Metal\nf 1/1 3/3 4/4\n";

TEST(ObjWriter, WritesBackWhatItReadExactly) {
    Document d = parse_obj_text(kCanonicalObj, "canonical.obj");
    EXPECT_EQ(d.layers[0].positions[2], -1e20);
    EXPECT_EQ(d.layers[0].positions[8], -1.0 / 3.0);
    std::vector<std::string> warnings{"stale"};
    EXPECT_EQ(encode_obj(d, &warnings), kCanonicalObj);
    EXPECT_TRUE(warnings.empty());
    // Written whole, or not at all when the folder is missing.
    test::ScratchDir dir("obj_write");
    EXPECT_TRUE(write_obj(d, dir / "out.obj").empty());
    EXPECT_EQ(test::file_text(dir / "out.obj"), kCanonicalObj);
    fs::path unwritable = dir / "no such folder" / "out.obj";
    EXPECT_EQ(test::error_of([&] { write_obj(d, unwritable); }),
              unwritable.string() + ": cannot create the output: No such file or directory");
    EXPECT_FALSE(fs::exists(dir / "no such folder"));
}

const struct SharedObj {
    const char* file;
    std::size_t points, polygons;
    bool has_uv;
} kSharedObjs[] = {{"mountains.obj", 2439, 4860, false},
                   {"teapot.obj", 3644, 6320, false},
                   {"suzanne.obj", 507, 500, false},
                   {"spot.obj", 2930, 5856, true},
                   {"terrain.obj", 900, 1682, false}};

TEST(ObjWriter, ReadWriteReadOfTheSharedMeshesIsExact) {
    test::ScratchDir dir("obj_shared");
    for (const SharedObj& e : kSharedObjs) {
        SCOPED_TRACE(e.file);
        Document first = read_obj(test::shared_mesh("obj", e.file));
        ASSERT_EQ(first.layers.size(), 1u);
        EXPECT_EQ(first.layers[0].point_count(), e.points);
        EXPECT_EQ(first.layers[0].polygon_count(), e.polygons);
        EXPECT_EQ(first.layers[0].find_vmap(LWVMAP_TXUV, "UV") != nullptr, e.has_uv);
        EXPECT_EQ(first.layers[0].vmads.size(), e.has_uv ? 1u : 0u);  // spot's UV seams
        EXPECT_TRUE(write_obj(first, dir / e.file).empty());
        Document second = read_obj(dir / e.file);
        test::expect_same_document(first, second);
        EXPECT_EQ(encode_obj(second, nullptr), encode_obj(first, nullptr));
    }
}

// A triangle (surface Skin) in layer 0; in layer 1 a quad (part Lid) and two subpatches.
Document two_layer_document() {
    Document d;
    Layer& a = d.layers.emplace_back();
    a.add_point(0, 0, 1);
    a.add_point(1, 0, 1);
    a.add_point(0, 1, 1);
    std::uint32_t tri[] = {0, 1, 2}, quad[] = {0, 1, 3, 2};
    a.add_polygon(LWPOLTYPE_FACE, tri);
    a.set_tag(LWPTAG_SURF, 0, d.tag_index("Skin"));
    Layer& b = d.layers.emplace_back();
    b.number = 1;
    for (double y : {5, 6})
        for (double x : {5, 6}) b.add_point(x, y, 5);  // a 2 x 2 grid
    b.add_polygon(LWPOLTYPE_FACE, quad);
    b.add_polygon(LWPOLTYPE_PTCH, quad);
    b.add_polygon(LWPOLTYPE_PTCH, quad);
    b.set_tag(LWPTAG_PART, 0, d.tag_index("Lid"));
    return d;
}

TEST(ObjWriter, FlattensLayersAndWritesFacesOnly) {
    std::vector<std::string> warnings;
    EXPECT_EQ(encode_obj(two_layer_document(), &warnings),
              "# Wavefront OBJ written by Zelkor\n"
              "v 0 0 -1\nv 1 0 -1\nv 0 1 -1\n"
              "v 5 5 -5\nv 6 5 -5\nv 5 6 -5\nv 6 6 -5\n"
              "usemtl Skin\nf 1 3 2\n"
              "g Lid\nusemtl Default\nf 4 6 7 5\n");
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
    b.vmads.push_back({LWVMAP_TXUV, "Third", 2, {0}, {0}, {0.0f, 1.0f}, {}});
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

// The file without its normals, which we do not keep: assimp merges corners into one vertex
// only where their normals agree too, so normals change its vertex count.
std::string without_normals(const fs::path& file) {
    std::string text = test::file_text(file);
    text = std::regex_replace(text, std::regex("^vn .*\n", std::regex::multiline), "");
    text = std::regex_replace(text, std::regex("//-?\\d+"), "");                // 3//5 -> 3
    return std::regex_replace(text, std::regex("(/-?\\d+)/-?\\d+"), "$1");    // 3/4/5 -> 3/4
}

TEST(ObjWriter, AssimpReadsOurOutputLikeTheOriginal) {
    if (!test::have_assimp()) GTEST_SKIP() << "/usr/bin/assimp is not installed";
    test::ScratchDir dir("obj_assimp");
    for (const SharedObj& e : kSharedObjs) {
        SCOPED_TRACE(e.file);
        fs::path original = test::shared_mesh("obj", e.file);
        std::ofstream(dir / "plain.obj") << without_normals(original);
        Document d = read_obj(original);
        write_obj(d, dir / e.file);
        test::AssimpCounts expected = test::assimp_counts(dir / "plain.obj", false);
        test::AssimpCounts got = test::assimp_counts(dir / e.file, false);
        ASSERT_GT(expected.vertices, 0);
        EXPECT_EQ(got.vertices, expected.vertices);
        EXPECT_EQ(got.faces, expected.faces);
        std::size_t triangles = 0;
        for (std::size_t p = 0; p < e.polygons; ++p) triangles += d.layers[0].polygon(p).size() - 2;
        EXPECT_EQ(std::size_t(got.faces), triangles);
    }
}

}  // namespace
}  // namespace zelkor::io

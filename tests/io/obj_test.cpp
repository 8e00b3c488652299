#include "io/mesh_file.h"
#include "io/obj.h"
#include "io/surface_look.h"

#include <gtest/gtest.h>

#include <bit>

#include "tests/io/io_test_support.h"

namespace zelkor::io {
namespace {

namespace fs = std::filesystem;
using host::Document;
using host::Layer;
using Names = std::vector<std::string>;

// What each file reads as: z negated and each polygon reversed, keeping its first point.
TEST(ObjReader, ReadsSurfacesPartsUvsAndNumbersInEveryForm) {
    const std::string layer = "\nlayer 0 ''\npoints ";
    const std::pair<std::string, std::string> cases[] = {
        // A point's UV goes to the point map where its corners agree, else to the corner map:
        // point 2 has vt 2 in the first face and vt 4 in the second; point 4 has none.
        {"v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0.25 0.5\nvt 0.75 0.5\nvt 0.5\nvt 1 1\n"
         "f 1/1 2/2 3/3\nf 1/1 3/3 2/4\nf 1/1 4 3/3\n",
         "tags 'Default'" + layer + "0,0,-0 1,0,-0 1,1,-0 0,1,-0\npolygons FACE 0,2,1 FACE 0,1,2 FACE 0,2,3\n"
         "PTAG SURF 0 0 0\nVMAP TXUV 'UV' 2: 0=0.25,0.5 1=0.75,0.5 2=0.5,0\nVMAD TXUV 'UV' 2: 1@1 = 1 1\nsurface 'Default' "},
        // Indices counting back; normals are not kept.
        {"v 0 0 0\nv 1 0 0\nv 1 1 0\nvn 0 0 1\nvt 0 0\nvt 1 1\nf -3/-2/1 -2//1 -1/-1/-1\n",
         "tags 'Default'" + layer + "0,0,-0 1,0,-0 1,1,-0\npolygons FACE 0,2,1\nPTAG SURF 0\n"
         "VMAP TXUV 'UV' 2: 0=0,0 2=1,1\nsurface 'Default' "},
        // CR and CRLF line ends, numbers after x y z.
        {"# by hand\r\nv +1 2.5e1 -3 1\r\nv 4 5 6 0.5 0.5 0.5 # coloured\r\nv 7 8 9\rf 1 2 3",
         "tags 'Default'" + layer + "1,25,3 4,5,-6 7,8,-9\npolygons FACE 0,2,1\nPTAG SURF 0\nsurface 'Default' "},
        // usemtl names surfaces, g and o name parts ("default" none); no "Default" surface when
        // every polygon has one.
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nusemtl Metal\ng lid top\nf 1 2 3\no Handle\nusemtl  Wood \nf 1 2 3\n"
         "g default\nusemtl Metal\nf 1 2 3\n",
         "tags 'Default' 'lid top' 'Metal' 'Handle' 'Wood'" + layer + "0,0,-0 1,0,-0 0,1,-0\npolygons FACE 0,2,1 FACE 0,2,1 "
         "FACE 0,2,1 FACE 0,2,1\nPTAG PART -1 1 3 -1\nPTAG SURF 0 2 4 2\nsurface 'Default' \nsurface 'Metal' \nsurface 'Wood' "},
        {"mtllib missing.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl A\nf 1 2 3\n",
         "tags 'A'" + layer + "0,0,-0 1,0,-0 0,1,-0\npolygons FACE 0,2,1\nPTAG SURF 0\nsurface 'A' "},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(test::describe(parse_obj_text(text, "t.obj")), expected) << text;
}

TEST(ObjReader, ReportsFaultsWithFileLineAndColumn) {
    const std::string three = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::pair<std::string, std::string> cases[] = {
        {three + "f 1 2 4\n", "4:7: vertex index 4 is out of range (3 v lines)"},
        {three + "f 1 2 0\n", "4:7: vertex index 0 is out of range (3 v lines)"},
        {"v 0 0 0\nf 1 -2 1\nv 1 0 0\n", "2:5: vertex index -2 is out of range (1 v lines before it)"},
        {three + "vt 0 0\nf 1/1 2/2 3/1\n", "5:7: UV index 2 is out of range (1 vt lines)"},
        {"v 1 nan 0\n", "1:5: expected a finite number, found \"nan\""},
        {"v 0 0 0\nvt 0.5 -inf\n", "2:8: expected a finite number, found \"-inf\""},
        {"# scene\n\nv 1.0 2.0 1.0e\n", "3:11: expected a number, found \"1.0e\""},
        {"v 1 2,5 3\n", "1:5: expected a number, found \"2,5\""},
        {"v 1 1e999 3\n", "1:5: expected a number in range, found \"1e999\""},
        {"v 0 0 0\nvn 0 1 1e2147483649\n", "2:8: expected a number in range, found \"1e2147483649\""},
        {"v 1 2\n", "1:6: expected a number, found the end of the line"},
        {"vt # none\n", "1:4: expected a number, found \"#\""},
        {"v 0 0 0\r\nv 1 x 0\r\n", "2:5: expected a number, found \"x\""},
        {three + "f 1 2.5 3\n", "4:5: expected a face corner such as 3, 3/1 or 3/1/2, found \"2.5\""},
        {three + "f 1 2/1/1/1 3\n", "4:5: expected a face corner such as 3, 3/1 or 3/1/2, found \"2/1/1/1\""},
        {three + "f 1 99999999999 3\n", "4:5: expected a face corner such as 3, 3/1 or 3/1/2, found \"99999999999\""},
    };
    for (const auto& [text, message] : cases) EXPECT_EQ(test::error_of([&] { parse_obj_text(text, "bad.obj"); }), "bad.obj:" + message);
    fs::path missing = fs::temp_directory_path() / "zelkor_obj_test_absent.obj";
    EXPECT_EQ(test::error_of([&] { read_obj(missing); }), missing.string() + ": cannot open: no such file");
}

// In the writer's own form, so that reading and writing it again must give the same text. It
// covers exponents, -0, a number that needs all of a float's digits, parts ending, surface runs and a corner
// whose UV differs from its point's (vt 6).
constexpr const char* kCanonicalObj =
    "# Wavefront OBJ written by Zelkor\nv 0.1 -2.5e-07 1e+20\nv 1 0 -0\nv 1 1 0.33333334\nv 0 1 -7\nv 2 0 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt 0.5 0.5\nvt 0.1 0.7\ng lid\nusemtl Metal\nf 1/1 2/2 3/3 4/4\n"
    "g default\nusemtl Wood\nf 2/6 5/5 3/3\nusemtl Metal\nf 1/1 3/3 4/4\n";

TEST(ObjWriter, WritesBackWhatItReadExactly) {
    Document d = parse_obj_text(kCanonicalObj, "canonical.obj");
    std::vector<std::string> warnings{"stale"};
    EXPECT_EQ(encode_obj(d, &warnings), kCanonicalObj);
    EXPECT_TRUE(warnings.empty());
    // Written whole, or not at all when the folder is missing.
    test::ScratchDir dir("obj_write");
    // The file names its materials, saved beside it: surfaces without SURF data look as new ones.
    EXPECT_TRUE(write_mesh(d, dir / "out.obj").empty());
    std::string with_materials = kCanonicalObj;
    with_materials.insert(with_materials.find('\n') + 1, "mtllib out.mtl\n");
    EXPECT_EQ(test::file_text(dir / "out.obj"), with_materials);
    const std::string grey = "Kd 0.78431374 0.78431374 0.78431374\nKs 0 0 0\n";
    EXPECT_EQ(test::file_text(dir / "out.mtl"),
              "# Wavefront materials written by Zelkor\nnewmtl Metal\n" + grey + "newmtl Wood\n" + grey);
    fs::path unwritable = dir / "no such folder" / "out.obj";
    EXPECT_EQ(test::error_of([&] { write_mesh(d, unwritable); }),
              unwritable.string() + ": cannot write: no folder " + (dir / "no such folder").string());
    EXPECT_FALSE(fs::exists(dir / "no such folder"));

    // A surface's colour, diffuse and specular levels and sides from its SURF data (name, source,
    // sub-chunks): Kd is the colour times the diffuse level. Cut short, it keeps what it read.
    const auto f4 = [](float f) {
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(f);
        return std::vector<std::uint8_t>{std::uint8_t(bits >> 24), std::uint8_t(bits >> 16), std::uint8_t(bits >> 8), std::uint8_t(bits)};
    };
    std::vector<std::uint8_t> surf = {'M', 'e', 't', 'a', 'l', 0, 0, 0, 'C', 'O', 'L', 'R', 0, 14};
    for (float c : {0.5f, 1.0f, 0.25f}) for (std::uint8_t b : f4(c)) surf.push_back(b);
    surf.insert(surf.end(), {0, 0, 'S', 'I', 'D', 'E', 0, 2, 0, 3, 'D', 'I', 'F', 'F', 0, 6});
    for (std::uint8_t b : f4(0.5f)) surf.push_back(b);
    surf.insert(surf.end(), {0, 0, 'S', 'P', 'E', 'C', 0, 6});
    for (std::uint8_t b : f4(0.75f)) surf.push_back(b);
    ASSERT_EQ(d.surfaces.front().name, "Metal");
    host::Surface& metal = d.surfaces.front();
    metal.lwo2_data = surf;
    EXPECT_NE(encode_mtl(d).find("newmtl Metal\nKd 0.25 0.5 0.125\nKs 0.75 0.75 0.75\n"), std::string::npos) << encode_mtl(d);
    EXPECT_TRUE(surface_look(&metal).double_sided);
    metal.lwo2_data.resize(surf.size() - 3);  // SPEC cut short
    EXPECT_EQ(surface_look(&metal).specular, 0.0f);
    EXPECT_EQ(surface_look(&metal).diffuse, 0.5f);
}

TEST(ObjWriter, ReadWriteReadOfTheSharedMeshesIsExact) {
    test::ScratchDir dir("obj_shared");
    const std::tuple<std::string, std::size_t, std::size_t, std::size_t> meshes[] = {
        {"mountains.obj", 2439, 4860, 0}, {"teapot.obj", 3644, 6320, 0}, {"suzanne.obj", 507, 500, 0},
        {"spot.obj", 2930, 5856, 1}, {"terrain.obj", 900, 1682, 0}};  // points, polygons, UV maps
    for (const auto& [file, points, polygons, uv_maps] : meshes) {
        SCOPED_TRACE(file);
        Document first = read_obj(test::shared_mesh("obj", file));
        ASSERT_EQ(first.layers.size(), 1u);
        const Layer& layer = first.layers[0];
        EXPECT_EQ(std::make_tuple(layer.point_count(), layer.polygon_count(), layer.vmaps.size(), layer.vmads.size()),
                  std::make_tuple(points, polygons, uv_maps, uv_maps));  // spot has UV seams
        EXPECT_TRUE(write_mesh(first, dir / file).empty());
        Document second = read_obj(dir / file);
        for (Document* d : {&first, &second})  // the same floats
            for (std::size_t i = 0; i < d->layers[0].positions.size(); ++i)
                d->layers[0].positions[i] = double(float(d->layers[0].positions[i]));
        EXPECT_EQ(test::describe(second), test::describe(first));
    }
}

// All layers go into one point list; only faces and the first UV map are written, the rest is
// named once. Layer 0: a triangle (surface Skin); layer 1: a quad (part Lid) and two subpatches.
TEST(ObjWriter, FlattensLayersAndNamesEveryKindOfDroppedDataOnce) {
    Document d;
    Layer& a = d.layers.emplace_back();
    a.add_point(0, 0, 1);
    a.add_point(1, 0, 1);
    a.add_point(0, 1, 1);
    a.add_polygon(LWPOLTYPE_FACE, std::vector<std::uint32_t>{0, 1, 2});
    a.set_tag(LWPTAG_SURF, 0, d.tag_index("Skin"));
    Layer& b = d.layers.emplace_back();
    for (double y : {5, 6})
        for (double x : {5, 6}) b.add_point(x, y, 5);
    for (LWID type : {LWPOLTYPE_FACE, LWPOLTYPE_PTCH, LWPOLTYPE_PTCH}) b.add_polygon(type, std::vector<std::uint32_t>{0, 1, 3, 2});
    b.set_tag(LWPTAG_PART, 0, d.tag_index("Lid"));
    const float values[4] = {0.5f, 0.25f, 1, 1};
    for (Layer& layer : d.layers) {
        layer.vmap(LWVMAP_TXUV, "Main", 2).set(0, values);
        layer.vmap(LWVMAP_WGHT, "ZK_index", 1).set(0, values);
    }
    const std::tuple<LWID, const char*, int> dropped[] = {{LWVMAP_TXUV, "Second", 2}, {LWVMAP_WGHT, "Weight0", 1},
                                                          {LWVMAP_MORF, "Smile", 3},  {LWVMAP_SPOT, "Frown", 3},
                                                          {LWVMAP_MNVW, "Creases", 1}, {LWID_('R', 'G', 'B', 'A'), "Paint", 4}};
    for (const auto& [type, name, dimension] : dropped) b.vmap(type, name, dimension).set(1, values);
    b.vmads.push_back({LWVMAP_TXUV, "Third", 2, {0}, {0}, {0.0f, 1.0f}, {}});
    std::vector<std::string> warnings;
    EXPECT_EQ(encode_obj(d, &warnings),
              "# Wavefront OBJ written by Zelkor\nv 0 0 -1\nv 1 0 -1\nv 0 1 -1\nv 5 5 -5\nv 6 5 -5\nv 5 6 -5\nv 6 6 -5\n"
              "vt 0.5 0.25\nvt 0.5 0.25\nusemtl Skin\nf 1/1 3 2\ng Lid\nusemtl Default\nf 4/2 6 7 5\n");
    EXPECT_EQ(warnings, (Names{"weight maps ZK_index, Weight0", "UV maps other than Main: Second, Third", "morph maps Smile, Frown",
                               "subpatch weight maps Creases", "RGBA maps Paint", "polygons other than faces: 2 PTCH"}));
}

}  // namespace
}  // namespace zelkor::io

// The LWO layout as we read and write it, on small files built byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>

#include "io/lwo.h"
#include "tests/io/io_test_support.h"

namespace zelkor::io {
namespace {

using test::Bytes;
using test::Data;
using test::describe;
using test::form;

host::Document triangle_document() { return parse_lwo(test::triangle_file(), "t.lwo"); }

// What each file reads as, and reads as after we write it ("": the same, "-": not checked here).
TEST(LwoFormat, ReadsEachFileAndWritesWhatItRead) {
    const std::string layer0 = "\nlayer 0 ''\npoints 0,0,0 0,1,0 1,0,0\npolygons";
    const std::string triangle = "tags 'Default'" + layer0 + " FACE 0,1,2\nPTAG SURF 0";
    const Data tags = test::triangle_tags(), layer = test::triangle_layer(), points = test::triangle_points(),
               polygons = test::triangle_polygons(), surface_tags = test::triangle_surface_tags();
    auto edited = [](Data bytes, const std::function<void(Data&)>& edit) { edit(bytes); return bytes; };
    const std::tuple<const char*, Data, std::string, std::string> cases[] = {
        {"the triangle", test::triangle_file(), triangle, ""},
        {"bytes after the FORM", edited(test::triangle_file(), [](Data& b) { b.insert(b.end(), {1, 2, 3}); }), triangle, ""},
        {"four-byte indices of small values",
         test::triangle_with(points, Bytes().id("FACE").u2(3).u4(0xFF000000).u4(0xFF000001).u4(0xFF000002).data,
                             Bytes().id("SURF").u4(0xFF000000).u2(0).data),
         triangle, ""},
        // Kept with its pad byte; the pad of the very last chunk may be missing.
        {"an odd-sized unknown chunk", form("LWO2", {{"TAGS", tags}, {"ABCD", {1, 2, 3}}, {"SURF", Bytes().s0("Default").s0("").data}}),
         "tags 'Default'\nsurface 'Default' 44656661756c74000000\nchunk ABCD 010203", ""},
        {"no last pad byte", edited(form("LWO2", {{"ABCD", {1, 2, 3}}}), [](Data& b) { b.pop_back(); b[7] -= 1; }),
         "tags\nchunk ABCD 010203", ""},
        // Without a LAYR, layer 0 opens; written, it gets the default surface.
        {"no LAYR, no surface",
         form("LWO2", {{"TAGS", Bytes().s0("DkBlu").data}, {"PNTS", points}, {"POLS", polygons},
                       {"PTAG", Bytes().id("COLR").u2(0).u2(0).data}}),
         "tags 'DkBlu'" + layer0 + " FACE 0,1,2\nPTAG COLR 0",
         "tags 'DkBlu' 'Default'" + layer0 + " FACE 0,1,2\nPTAG COLR 0\nPTAG SURF 1"},
        // Indices count from the layer's latest PNTS and POLS, tags from the latest TAGS, which
        // continues the list; written as one PNTS and one POLS per type run.
        {"later PNTS, POLS and TAGS",
         form("LWO2", {{"TAGS", Bytes().s0("A").data}, {"LAYR", layer}, {"PNTS", points}, {"POLS", polygons},
                       {"PTAG", Bytes().id("SURF").u2(0).u2(0).data}, {"TAGS", Bytes().s0("").s0("B").data},
                       {"PNTS", Bytes().vec(5, 0, 0).vec(6, 0, 0).vec(7, 0, 0).data},
                       {"VMAP", Bytes().id("WGHT").u2(1).s0("W").u2(2).f4(0.5f).data},
                       {"POLS", Bytes().id("CURV").u2(0x0C03).u2(0).u2(1).u2(2).data}, {"PTAG", Bytes().id("SURF").u2(0).u2(1).data},
                       {"VMAD", Bytes().id("WGHT").u2(1).s0("W").u2(0).u2(0).f4(0.25f).data}}),
         "tags 'A' '' 'B'\nlayer 0 ''\npoints 0,0,0 0,1,0 1,0,0 5,0,0 6,0,0 7,0,0\npolygons FACE 0,1,2 CURV+3072 3,4,5\n"
         "PTAG SURF 0 2\nVMAP WGHT 'W' 1: 5=0.5\nVMAD WGHT 'W' 1: 3@1 = 0.25", ""},
        {"layer fields",
         form("LWO2", {{"LAYR", Bytes().u2(9).u2(1).vec(1.5f, -2, 0.25f).s0("Top").u2(4).data},
                       {"LAYR", Bytes().u2(4).u2(0).vec(0, 0, 0).s0("Root").u2(0xFFFF).data}}),
         "tags\nlayer 9 'Top' flags 1 parent 4 pivot 1.5,-2,0.25\npoints\npolygons\nlayer 4 'Root'\npoints\npolygons", ""},
        {"a VMPA not right before its map",
         form("LWO2", {{"LAYR", layer}, {"PNTS", points}, {"VMPA", Bytes().u4(0).u4(7).data},
                       {"BBOX", Bytes().vec(0, 0, 0).vec(1, 1, 0).data}, {"VMAP", Bytes().id("WGHT").u2(1).s0("W").data}}),
         "tags" + layer0 + "\nVMAP WGHT 'W' 1:", ""},
        {"a VMAD point that is no corner of its polygon",
         form("LWO2", {{"TAGS", tags}, {"LAYR", layer}, {"PNTS", Bytes().raw(points).vec(5, 5, 5).data}, {"POLS", polygons},
                       {"PTAG", surface_tags}, {"VMAD", Bytes().id("TXUV").u2(2).s0("UV").u2(3).u2(0).f4(0.25f).f4(0.5f).data}}),
         "tags 'Default'\nlayer 0 ''\npoints 0,0,0 0,1,0 1,0,0 5,5,5\npolygons FACE 0,1,2\nPTAG SURF 0\n"
         "VMAD TXUV 'UV' 2: 3@0 = 0.25 0.5", ""},
        // An LWOB polygon's surface counts from 1; details follow their parent.
        {"LWOB details",
         form("LWOB", {{"PNTS", points},
                       {"POLS", Bytes()
                                    .u2(3).u2(0).u2(1).u2(2).u2(std::uint16_t(-1))  // surface 1, details follow
                                    .u2(1)                                          // one detail
                                    .u2(3).u2(2).u2(1).u2(0).u2(2)                  // detail, surface 2
                                    .u2(2).u2(0).u2(1).u2(2)                        // line, surface 2
                                    .data},
                       {"SRFS", Bytes().s0("A").s0("B").data}}),
         "tags 'A' 'B'" + layer0 + " FACE 0,1,2 FACE 2,1,0 FACE 0,1\nPTAG SURF 0 1 1", ""},
        // LWLO layers count from 1 in the file.
        {"LWLO",
         form("LWLO", {{"SRFS", Bytes().s0("A").data}, {"LAYR", Bytes().u2(1).u2(1).s0("first").data}, {"PNTS", points},
                       {"POLS", Bytes().u2(3).u2(0).u2(1).u2(2).u2(1).data}, {"LAYR", Bytes().u2(3).u2(0).s0("third").data},
                       {"PNTS", Bytes().vec(4, 4, 4).data}, {"PCHS", Bytes().u2(1).u2(0).u2(1).data}}),
         "tags 'A'\nlayer 0 'first'\npoints 0,0,0 0,1,0 1,0,0\npolygons FACE 0,1,2\nPTAG SURF 0\n"
         "layer 2 'third'\npoints 4,4,4\npolygons PTCH 0\nPTAG SURF 0", ""},
        {"the LightWave 5 box", test::file_bytes(test::shared_lwo("box1.5.lwo")),
         "tags 'Bottom' 'Back' 'Right' 'Front' 'Left' 'Top'\nlayer 0 ''\npoints -0.5,-0.5,-0.5 0.5,-0.5,-0.5 0.5,-0.5,0.5 "
         "-0.5,-0.5,0.5 -0.5,0.5,-0.5 0.5,0.5,-0.5 0.5,0.5,0.5 -0.5,0.5,0.5\npolygons FACE 0,1,2,3 FACE 0,4,5,1 FACE 1,5,6,2 "
         "FACE 3,2,6,7 FACE 0,3,7,4 FACE 4,7,6,5\nPTAG SURF 0 1 2 3 4 5\nsurface 'Bottom' \nsurface 'Back' \nsurface 'Right' \n"
         "surface 'Front' \nsurface 'Left' \nsurface 'Top' ", "-"},
    };
    for (const auto& [what, bytes, read, rewritten] : cases) {
        SCOPED_TRACE(what);
        host::Document doc = parse_lwo(bytes, "t.lwo");
        EXPECT_EQ(describe(doc), read);
        if (rewritten == "-") continue;
        EXPECT_EQ(describe(parse_lwo(encode_lwo2(doc), "t.lwo")), rewritten.empty() ? read : rewritten);
    }
}

// Types and tag kinds the tool does not edit come back exactly, in a file already in our order.
TEST(LwoFormat, KeepsEveryPolygonTypeAndTagKindByteForByte) {
    Data bytes = form("LWO2", {{"TAGS", Bytes().s0("Default").s0("Bones").data}, {"LAYR", test::triangle_layer()},
                               {"PNTS", Bytes().raw(test::triangle_points()).vec(1, 1, 1).data},
                               {"BBOX", Bytes().vec(0, 0, 0).vec(1, 1, 1).data}, {"VMPA", Bytes().u4(0).u4(7).data},
                               {"VMAP", Bytes().id("PICK").u2(0).s0("Sel").u2(1).u2(3).data},
                               {"POLS", Bytes().id("BONE").u2(2).u2(0).u2(1).u2(2).u2(1).u2(3).data},
                               {"PTAG", Bytes().id("SURF").u2(0).u2(1).u2(1).u2(1).data},
                               {"PTAG", Bytes().id("BNUP").u2(0).u2(500).data},
                               {"POLS", Bytes().id("ZZZZ").u2(0x8004).u2(0).u2(1).u2(2).u2(3).data},
                               {"PTAG", Bytes().id("SURF").u2(0).u2(0).data}, {"PTAG", Bytes().id("SMGP").u2(0).u2(3).data},
                               {"VMPA", Bytes().u4(1).u4(2).data},
                               {"VMAD", Bytes().id("RGBA").u2(4).s0("C").u2(3).u2(0).f4(1).f4(0).f4(0).f4(1).data},
                               {"POLS", Bytes().id("MBAL").u2(1).u2(3).data}, {"PTAG", Bytes().id("SURF").u2(0).u2(0).data},
                               {"ENVL", Bytes().u2(1).data}, {"CLIP", Bytes().u4(1).data}, {"DESC", Bytes().s0("a box").data},
                               {"SURF", Bytes().s0("Default").s0("").id("SIDE").u2(2).u2(3).data}});
    host::Document doc = parse_lwo(bytes, "t.lwo");
    EXPECT_EQ(describe(doc),
              "tags 'Default' 'Bones'\nlayer 0 ''\npoints 0,0,0 0,1,0 1,0,0 1,1,1\n"
              "polygons BONE 0,1 BONE 1,3 ZZZZ+32768 0,1,2,3 MBAL 3\nPTAG BNUP 500 -1 -1 -1\nPTAG SMGP -1 -1 3 -1\n"
              "PTAG SURF 1 1 0 0\nVMAP PICK 'Sel' 0 vmpa 0000000000000007: 1 3\nVMAD RGBA 'C' 4 vmpa 0000000100000002: 3@2 = 1 0 0 1\n"
              "surface 'Default' 44656661756c740000005349444500020003\nchunk ENVL 0001\nchunk CLIP 00000001\nchunk DESC 6120626f7800");
    EXPECT_EQ(encode_lwo2(doc), bytes);
    std::reverse(doc.chunks.begin(), doc.chunks.end());  // envelopes and clips go first whatever the order
    EXPECT_EQ(encode_lwo2(doc), bytes);
}

TEST(LwoFormat, RefusesWhatLwo2CannotHold) {
    const std::pair<std::function<void(host::Document&)>, std::string> cases[] = {
        {[](host::Document& d) {  // 1023 points are the most a polygon holds
             for (std::uint32_t n : {1023, 1024}) d.layers[0].add_polygon(LWPOLTYPE_FACE, std::vector<std::uint32_t>(n, 0));
         },
         "layer 0 polygon 2: 1024 points, an LWO2 polygon holds 1 to 1023"},
        {[](host::Document& d) { d.layers[0].positions[4] = 1e300; },  // finite as a double, not as a float
         "layer 0: point 1 has a coordinate that is not finite as a float"},
        {[](host::Document& d) { d.layers[0].poly_points[2] = 5; }, "layer 0 polygon 0: point index 5, the layer has 3 points"},
        {[](host::Document& d) { d.layers[0].set_tag(LWPTAG_SURF, 0, 4); }, "layer 0 polygon 0 PTAG SURF: value 4 must be below 1"},
        {[](host::Document& d) { d.layers[0].set_tag(LWPTAG_SMGP, 0, 70000); },
         "layer 0 polygon 0 PTAG SMGP: value 70000 must be below 65536"},
        {[](host::Document& d) { d.layers[0].number = 70000; }, "layer 70000: the number must be 0 to 65535"},
        {[](host::Document& d) { d.tags[0] = std::string("De\0fault", 8); }, "tag \"De...\" contains a NUL byte"},
    };
    for (const auto& [change, message] : cases) {
        host::Document doc = triangle_document();
        change(doc);
        EXPECT_EQ(test::error_of([&] { encode_lwo2(doc, "t.lwo"); }), "t.lwo: " + message);
    }
}

// Map values go out a page of points at a time where every index of the page takes one form; the
// pages straddling the end of the points, and dimensions past 4, go value by value. Either way a
// map reads back as it was, and a value past the last point is refused by its index.
TEST(LwoFormat, MapsOfEveryDimensionReadBackAcrossShortAndLongIndices) {
    const std::uint32_t points = 0xFF00 + 700;  // short indices, then long ones, the last page partial
    for (int dimension : {1, 2, 3, 4, 5}) {
        host::Document doc = triangle_document();
        host::Layer& layer = doc.layers[0];
        while (layer.point_count() < points) layer.add_point(double(layer.point_count()), 0, 0);
        host::VertexMap& map = layer.vmap(LWID_('X', 'T', 'R', 'A'), "M", dimension);
        std::vector<float> value(std::size_t(dimension), 0.0f);
        for (std::uint32_t p = 0; p < points; ++p) {
            if (p % 3 == 1 && (p < 600 || p > 0xFE80)) continue;  // gaps near both ends
            for (int d = 0; d < dimension; ++d) value[std::size_t(d)] = float(p) + 0.25f * float(d);
            map.set(p, value.data());
        }
        const host::Document back = parse_lwo(encode_lwo2(doc, "m.lwo"), "m.lwo");
        const host::VertexMap* read = back.layers.at(0).find_vmap(map.type, "M");
        ASSERT_NE(read, nullptr) << "dimension " << dimension;
        EXPECT_EQ(read->value_count(), map.value_count()) << "dimension " << dimension;
        EXPECT_TRUE(read->same_values(map)) << "dimension " << dimension;

        map.set(points + 3, value.data());
        EXPECT_EQ(test::error_of([&] { encode_lwo2(doc, "m.lwo"); }),
                  "m.lwo: layer 0 VMAP \"M\": point index " + std::to_string(points + 3) + ", the layer has " +
                      std::to_string(points) + " points")
            << "dimension " << dimension;
    }
}

// A save streams the file in blocks of a few megabytes and patches chunk sizes into blocks
// already written; what lands on the disk is the encoding, byte for byte. A fault found after
// some blocks went out leaves the earlier file as it was and no temporary file behind.
TEST(LwoFormat, StreamedSaveWritesTheEncodingOrNothing) {
    host::Document doc = triangle_document();
    host::Layer& layer = doc.layers[0];
    host::VertexMap& weight = layer.vmap(LWVMAP_WGHT, "W", 1);
    for (std::uint32_t i = 0; i < 700000; ++i)  // PNTS and VMAP each span several blocks
        weight.set(layer.add_point(i, 0.5 * i, -double(i)), std::array{float(i % 97)}.data());
    layer.poly_points[1] = 0xFEFF;  // indices from 0xFF00 on take four bytes
    layer.poly_points[2] = 0xFF00;
    test::ScratchDir dir("streamed");
    write_lwo(doc, dir / "big.lwo");
    const Data saved = test::file_bytes(dir / "big.lwo");
    const Data pols = Bytes().id("POLS").u4(14).id("FACE").u2(3).u2(0).u2(0xFEFF).u4(0xFF00FF00).data;
    ASSERT_EQ(saved, encode_lwo2(doc, dir / "big.lwo"));
    EXPECT_NE(std::search(saved.begin(), saved.end(), pols.begin(), pols.end()), saved.end());
    EXPECT_EQ(parse_lwo(saved, "big.lwo").layers.at(0).poly_points, layer.poly_points);
    layer.positions[layer.positions.size() - 1] = 1e300;  // the last point: refused late
    EXPECT_EQ(test::error_of([&] { write_lwo(doc, dir / "big.lwo"); }),
              (dir / "big.lwo").string() + ": layer 0: point 700002 has a coordinate that is not finite as a float");
    EXPECT_EQ(dir.entries(), 1);
    EXPECT_EQ(test::file_bytes(dir / "big.lwo"), saved);
}

}  // namespace
}  // namespace zelkor::io

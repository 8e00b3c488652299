// The LWO layout as we read and write it, on small files built byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "io/lwo.h"
#include "tests/io/io_test_support.h"

namespace zelkor::io {
namespace {

using test::Bytes;
using test::form;

host::Document triangle_document() {
    host::Document doc;
    doc.tags = {"Default"};
    host::Layer& layer = doc.layers.emplace_back();
    layer.add_point(0, 0, 0);
    layer.add_point(0, 1, 0);
    layer.add_point(1, 0, 0);
    std::uint32_t corners[] = {0, 1, 2};
    layer.add_polygon(LWPOLTYPE_FACE, corners);
    layer.set_tag(LWPTAG_SURF, 0, 0);
    doc.surfaces.push_back({"Default", {}});
    return doc;
}

TEST(LwoFormat, ReadsAndWritesTheTriangle) {
    host::Document doc = triangle_document();
    doc.surfaces.clear();
    test::expect_same_document(parse_lwo(test::triangle_file(), "t.lwo"), doc);
    // Written with its bounding box, and a minimal SURF for the surface known by name.
    std::vector<std::uint8_t> expected = form("LWO2", {{"TAGS", test::triangle_tags()},
                                                       {"LAYR", test::triangle_layer()},
                                                       {"PNTS", test::triangle_points()},
                                                       {"BBOX", Bytes().vec(0, 0, 0).vec(1, 1, 0).data},
                                                       {"POLS", test::triangle_polygons()},
                                                       {"PTAG", test::triangle_surface_tags()},
                                                       {"SURF", Bytes().s0("Default").s0("").data}});
    EXPECT_EQ(encode_lwo2(triangle_document()), expected);
}

TEST(LwoFormat, KeepsAnOddSizedUnknownChunkWithItsPadByte) {
    std::vector<std::uint8_t> bytes = form("LWO2", {{"TAGS", test::triangle_tags()},
                                                    {"ABCD", {1, 2, 3}},
                                                    {"LAYR", test::triangle_layer()},
                                                    {"PNTS", test::triangle_points()}});
    host::Document doc = parse_lwo(bytes, "t.lwo");
    ASSERT_EQ(doc.chunks.size(), 1u);
    EXPECT_EQ(doc.chunks[0].id, LWID_('A', 'B', 'C', 'D'));
    EXPECT_EQ(doc.chunks[0].data, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(doc.layers.at(0).point_count(), 3u);
    std::vector<std::uint8_t> written = encode_lwo2(doc);
    std::vector<std::uint8_t> padded = {'A', 'B', 'C', 'D', 0, 0, 0, 3, 1, 2, 3, 0};
    EXPECT_NE(std::search(written.begin(), written.end(), padded.begin(), padded.end()), written.end());
    // The pad byte of the very last chunk may be missing.
    bytes = form("LWO2", {{"TAGS", test::triangle_tags()}, {"ABCD", {1, 2, 3}}});
    bytes.pop_back();
    bytes[7] -= 1;
    EXPECT_EQ(parse_lwo(bytes, "t.lwo").chunks.at(0).data, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(LwoFormat, ReadsFourByteIndicesOfSmallValues) {
    std::vector<std::uint8_t> bytes =
        form("LWO2", {{"TAGS", test::triangle_tags()},
                      {"LAYR", test::triangle_layer()},
                      {"PNTS", test::triangle_points()},
                      {"POLS", Bytes().id("FACE").u2(3).u4(0xFF000000).u4(0xFF000001).u4(0xFF000002).data},
                      {"PTAG", Bytes().id("SURF").u4(0xFF000000).u2(0).data}});
    test::expect_same_document(parse_lwo(bytes, "t.lwo"), parse_lwo(test::triangle_file(), "t.lwo"));
}

TEST(LwoFormat, WritesIndicesFrom0xFF00OnAsFourBytes) {
    host::Document doc;
    doc.tags = {"Default"};
    host::Layer& layer = doc.layers.emplace_back();
    for (int i = 0; i < 0xFF01; ++i) layer.add_point(i, 0, 0);
    std::uint32_t corners[] = {0, 0xFEFF, 0xFF00};
    layer.add_polygon(LWPOLTYPE_FACE, corners);
    layer.set_tag(LWPTAG_SURF, 0, 0);
    std::vector<std::uint8_t> written = encode_lwo2(doc);
    std::vector<std::uint8_t> pols = Bytes().id("POLS").u4(14).id("FACE").u2(3).u2(0).u2(0xFEFF).u4(0xFF00FF00).data;
    EXPECT_NE(std::search(written.begin(), written.end(), pols.begin(), pols.end()), written.end());
    test::expect_same_document(parse_lwo(written, "t.lwo"), doc);
}

TEST(LwoFormat, OpensLayerZeroAndGivesUntaggedPolygonsTheDefaultSurface) {
    std::vector<std::uint8_t> bytes = form("LWO2", {{"TAGS", Bytes().s0("DkBlu").data},
                                                    {"PNTS", test::triangle_points()},
                                                    {"POLS", test::triangle_polygons()},
                                                    {"PTAG", Bytes().id("COLR").u2(0).u2(0).data}});
    host::Document doc = parse_lwo(bytes, "t.lwo");
    ASSERT_EQ(doc.layers.size(), 1u);
    EXPECT_EQ(doc.layers[0].number, 0);
    EXPECT_EQ(doc.layers[0].polygon_count(), 1u);
    // Written back, the layer is explicit and the polygon gets the default surface.
    host::Document again = parse_lwo(encode_lwo2(doc), "t.lwo");
    EXPECT_EQ(again.tags, (std::vector<std::string>{"DkBlu", "Default"}));
    EXPECT_EQ(again.layers.at(0).tag(LWPTAG_SURF, 0), 1);
    EXPECT_EQ(again.layers[0].tag(LWPTAG_COLR, 0), 0);
    EXPECT_EQ(again.layers[0].poly_points, doc.layers[0].poly_points);
}

// Indices count from the layer's most recent PNTS and POLS.
TEST(LwoFormat, OffsetsIndicesByEarlierPointAndPolygonChunks) {
    std::vector<std::uint8_t> bytes =
        form("LWO2", {{"TAGS", Bytes().s0("A").s0("B").data},
                      {"LAYR", test::triangle_layer()},
                      {"PNTS", test::triangle_points()},
                      {"POLS", test::triangle_polygons()},
                      {"PTAG", Bytes().id("SURF").u2(0).u2(0).data},
                      {"PNTS", Bytes().vec(5, 0, 0).vec(6, 0, 0).vec(7, 0, 0).data},
                      {"VMAP", Bytes().id("WGHT").u2(1).s0("W").u2(2).f4(0.5f).data},
                      {"POLS", Bytes().id("CURV").u2(0x0C03).u2(0).u2(1).u2(2).data},
                      {"PTAG", Bytes().id("SURF").u2(0).u2(1).data},
                      {"VMAD", Bytes().id("WGHT").u2(1).s0("W").u2(0).u2(0).f4(0.25f).data}});
    host::Document doc = parse_lwo(bytes, "t.lwo");
    const host::Layer& layer = doc.layers.at(0);
    EXPECT_EQ(layer.point_count(), 6u);
    EXPECT_EQ(layer.poly_points, (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(layer.poly_type, (std::vector<LWID>{LWPOLTYPE_FACE, LWPOLTYPE_CURV}));
    EXPECT_EQ(layer.poly_flag_bits, (std::vector<std::uint16_t>{0, 0x0C00}));
    EXPECT_EQ(layer.find_tags(LWPTAG_SURF)->values, (std::vector<std::int32_t>{0, 1}));
    const host::VertexMap* weight = layer.find_vmap(LWVMAP_WGHT, "W");
    ASSERT_NE(weight, nullptr);
    EXPECT_FALSE(weight->has_value(2));
    ASSERT_TRUE(weight->has_value(5));
    EXPECT_EQ(*weight->value(5), 0.5f);
    ASSERT_EQ(layer.vmads.size(), 1u);
    EXPECT_EQ(layer.vmads[0].points, std::vector<std::uint32_t>{3});
    EXPECT_EQ(layer.vmads[0].polygons, std::vector<std::uint32_t>{1});
    // Written as one PNTS and one POLS per type run, the VMAD after the run of its polygon.
    test::expect_same_document(parse_lwo(encode_lwo2(doc), "t.lwo"), doc);
}

TEST(LwoFormat, LaterTagsChunksContinueTheList) {
    std::vector<std::uint8_t> bytes = form("LWO2", {{"TAGS", Bytes().s0("A").data},
                                                    {"LAYR", test::triangle_layer()},
                                                    {"PNTS", test::triangle_points()},
                                                    {"POLS", test::triangle_polygons()},
                                                    {"TAGS", Bytes().s0("").s0("B").data},
                                                    {"PTAG", Bytes().id("SURF").u2(0).u2(1).data}});
    host::Document doc = parse_lwo(bytes, "t.lwo");
    EXPECT_EQ(doc.tags, (std::vector<std::string>{"A", "", "B"}));  // the empty name keeps its slot
    EXPECT_EQ(doc.layers[0].tag(LWPTAG_SURF, 0), 2);
}

TEST(LwoFormat, ReadsLayerFields) {
    std::vector<std::uint8_t> bytes =
        form("LWO2", {{"LAYR", Bytes().u2(9).u2(1).vec(1.5f, -2, 0.25f).s0("Top").u2(4).data},
                      {"LAYR", Bytes().u2(4).u2(0).vec(0, 0, 0).s0("Root").u2(0xFFFF).data}});
    host::Document doc = parse_lwo(bytes, "t.lwo");
    ASSERT_EQ(doc.layers.size(), 2u);
    EXPECT_EQ(doc.layers[0].number, 9);
    EXPECT_EQ(doc.layers[0].flags, 1);
    EXPECT_EQ(doc.layers[0].pivot, (std::array<double, 3>{1.5, -2, 0.25}));
    EXPECT_EQ(doc.layers[0].name, "Top");
    EXPECT_EQ(doc.layers[0].parent, 4);
    EXPECT_EQ(doc.layers[1].parent, -1);
    test::expect_same_document(parse_lwo(encode_lwo2(doc), "t.lwo"), doc);
}

// Types and tag kinds the tool does not edit come back exactly, in a file already in our order.
TEST(LwoFormat, KeepsEveryPolygonTypeAndTagKindByteForByte) {
    std::vector<std::uint8_t> four_points = Bytes().raw(test::triangle_points()).vec(1, 1, 1).data;
    std::vector<std::uint8_t> bytes =
        form("LWO2", {{"TAGS", Bytes().s0("Default").s0("Bones").data},
                      {"LAYR", test::triangle_layer()},
                      {"PNTS", four_points},
                      {"BBOX", Bytes().vec(0, 0, 0).vec(1, 1, 1).data},
                      {"VMPA", Bytes().u4(0).u4(7).data},
                      {"VMAP", Bytes().id("PICK").u2(0).s0("Sel").u2(1).u2(3).data},
                      {"POLS", Bytes().id("BONE").u2(2).u2(0).u2(1).u2(2).u2(1).u2(3).data},
                      {"PTAG", Bytes().id("SURF").u2(0).u2(1).u2(1).u2(1).data},
                      {"PTAG", Bytes().id("BNUP").u2(0).u2(500).data},
                      {"POLS", Bytes().id("ZZZZ").u2(0x8004).u2(0).u2(1).u2(2).u2(3).data},
                      {"PTAG", Bytes().id("SURF").u2(0).u2(0).data},
                      {"PTAG", Bytes().id("SMGP").u2(0).u2(3).data},
                      {"VMPA", Bytes().u4(1).u4(2).data},
                      {"VMAD", Bytes().id("RGBA").u2(4).s0("C").u2(3).u2(0).f4(1).f4(0).f4(0).f4(1).data},
                      {"POLS", Bytes().id("MBAL").u2(1).u2(3).data},
                      {"PTAG", Bytes().id("SURF").u2(0).u2(0).data},
                      {"ENVL", Bytes().u2(1).data},
                      {"CLIP", Bytes().u4(1).data},
                      {"DESC", Bytes().s0("a box").data},
                      {"SURF", Bytes().s0("Default").s0("").id("SIDE").u2(2).u2(3).data}});
    host::Document doc = parse_lwo(bytes, "t.lwo");
    const host::Layer& layer = doc.layers.at(0);
    EXPECT_EQ(layer.poly_type, (std::vector<LWID>{LWPOLTYPE_BONE, LWPOLTYPE_BONE, LWID_('Z', 'Z', 'Z', 'Z'),
                                                  LWPOLTYPE_MBAL}));
    EXPECT_EQ(layer.poly_flag_bits, (std::vector<std::uint16_t>{0, 0, 0x8000, 0}));
    EXPECT_EQ(layer.tag(LWID_('B', 'N', 'U', 'P'), 0), 500);
    EXPECT_EQ(layer.tag(LWID_('B', 'N', 'U', 'P'), 1), host::kNoTag);
    EXPECT_EQ(layer.tag(LWPTAG_SMGP, 2), 3);
    ASSERT_EQ(layer.vmaps.size(), 1u);
    EXPECT_EQ(layer.vmaps[0].vmpa, Bytes().u4(0).u4(7).data);
    ASSERT_EQ(layer.vmads.size(), 1u);
    EXPECT_EQ(layer.vmads[0].polygons, std::vector<std::uint32_t>{2});
    EXPECT_EQ(encode_lwo2(doc), bytes);
}

TEST(LwoFormat, GluesVmpaOnlyToTheMapRightAfterIt) {
    std::vector<std::uint8_t> bytes = form("LWO2", {{"LAYR", test::triangle_layer()},
                                                    {"PNTS", test::triangle_points()},
                                                    {"VMPA", Bytes().u4(0).u4(7).data},
                                                    {"BBOX", Bytes().vec(0, 0, 0).vec(1, 1, 0).data},
                                                    {"VMAP", Bytes().id("WGHT").u2(1).s0("W").data}});
    host::Document doc = parse_lwo(bytes, "t.lwo");
    ASSERT_EQ(doc.layers[0].vmaps.size(), 1u);
    EXPECT_TRUE(doc.layers[0].vmaps[0].vmpa.empty());
}

TEST(LwoFormat, WritesEnvelopesAndClipsBeforeOtherKeptChunks) {
    host::Document doc;
    doc.chunks = {{LWID_('D', 'E', 'S', 'C'), {'x', 0}}, {LWID_('C', 'L', 'I', 'P'), {0, 0, 0, 1}},
                  {LWID_('E', 'N', 'V', 'L'), {0, 1}}};
    doc.surfaces = {{"Kept", Bytes().s0("Kept").s0("").id("SIDE").u2(2).u2(3).data}};
    std::vector<std::uint8_t> expected = form("LWO2", {{"ENVL", {0, 1}},
                                                       {"CLIP", {0, 0, 0, 1}},
                                                       {"DESC", {'x', 0}},
                                                       {"SURF", doc.surfaces[0].lwo2_data}});
    EXPECT_EQ(encode_lwo2(doc), expected);
}

TEST(LwoFormat, RefusesWhatLwo2CannotHold) {
    const struct {
        std::function<void(host::Document&)> change;
        std::string message;
    } cases[] = {
        {[](host::Document& d) {
             std::vector<std::uint32_t> corners(1023, 0);
             d.layers[0].add_polygon(LWPOLTYPE_FACE, corners);  // the most a polygon holds
             corners.push_back(1);
             d.layers[0].add_polygon(LWPOLTYPE_FACE, corners);
         },
         "layer 0 polygon 2: 1024 points, an LWO2 polygon holds 1 to 1023"},
        {[](host::Document& d) { d.layers[0].positions[4] = 1e300; },  // finite as a double, not as a float
         "layer 0: point 1 has a coordinate that is not finite as a float"},
        {[](host::Document& d) { d.layers[0].poly_points[2] = 5; }, "layer 0 polygon 0: point index 5, the layer has 3 points"},
        {[](host::Document& d) { d.layers[0].set_tag(LWPTAG_SURF, 0, 4); },
         "layer 0 polygon 0 PTAG SURF: value 4 must be below 1"},
        {[](host::Document& d) { d.layers[0].set_tag(LWPTAG_SMGP, 0, 70000); },
         "layer 0 polygon 0 PTAG SMGP: value 70000 must be below 65536"},
        {[](host::Document& d) { d.layers[0].number = 70000; }, "layer 70000: the number must be 0 to 65535"},
        {[](host::Document& d) { d.tags[0] = std::string("De\0fault", 8); }, "tag \"De...\" contains a NUL byte"},
    };
    for (const auto& c : cases) {
        host::Document doc = triangle_document();
        c.change(doc);
        EXPECT_EQ(test::error_of([&] { encode_lwo2(doc, "t.lwo"); }), "t.lwo: " + c.message);
    }
}

// A save streams the file in blocks of a few megabytes and patches chunk sizes into blocks
// already written; what lands on the disk is the encoding, byte for byte. A fault found after
// some blocks went out leaves the earlier file as it was and no temporary file behind.
TEST(LwoFormat, StreamedSaveWritesTheEncodingOrNothing) {
    host::Document doc = triangle_document();
    host::Layer& layer = doc.layers[0];
    host::VertexMap& weight = layer.vmap(LWVMAP_WGHT, "W", 1);
    for (std::uint32_t i = 0; i < 700000; ++i) {  // PNTS and VMAP each span several blocks
        const float w = float(i % 97);
        weight.set(layer.add_point(i, 0.5 * i, -double(i)), &w);
    }
    test::ScratchDir dir("streamed");
    write_lwo(doc, dir / "big.lwo");
    ASSERT_EQ(test::file_bytes(dir / "big.lwo"), encode_lwo2(doc, dir / "big.lwo"));

    const std::vector<std::uint8_t> saved = test::file_bytes(dir / "big.lwo");
    layer.positions[layer.positions.size() - 1] = 1e300;  // the last point: refused late
    EXPECT_EQ(test::error_of([&] { write_lwo(doc, dir / "big.lwo"); }),
              (dir / "big.lwo").string() + ": layer 0: point 700002 has a coordinate that is not finite as a float");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
    EXPECT_EQ(test::file_bytes(dir / "big.lwo"), saved);
}

TEST(LwoFormat, ReadsTheOldBoxFile) {
    host::Document doc = read_lwo(test::shared_lwo("box1.5.lwo"));
    EXPECT_EQ(doc.tags, (std::vector<std::string>{"Bottom", "Back", "Right", "Front", "Left", "Top"}));
    ASSERT_EQ(doc.surfaces.size(), 6u);
    EXPECT_EQ(doc.surfaces[5].name, "Top");
    ASSERT_EQ(doc.layers.size(), 1u);
    const host::Layer& layer = doc.layers[0];
    EXPECT_EQ(layer.point_count(), 8u);
    EXPECT_EQ(layer.positions[0], -0.5);
    EXPECT_EQ(layer.positions[20], 0.5);
    EXPECT_EQ(layer.poly_points, (std::vector<std::uint32_t>{0, 1, 2, 3, 0, 4, 5, 1, 1, 5, 6, 2,
                                                             3, 2, 6, 7, 0, 3, 7, 4, 4, 7, 6, 5}));
    EXPECT_EQ(layer.find_tags(LWPTAG_SURF)->values, (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(layer.poly_type, std::vector<LWID>(6, LWPOLTYPE_FACE));
}

TEST(LwoFormat, FlattensLwobDetailPolygonsAfterTheirParent) {
    std::vector<std::uint8_t> bytes =
        form("LWOB", {{"PNTS", test::triangle_points()},
                      {"POLS", Bytes()
                                   .u2(3).u2(0).u2(1).u2(2).u2(std::uint16_t(-1))  // surface 1, details follow
                                   .u2(1)                                          // one detail
                                   .u2(3).u2(2).u2(1).u2(0).u2(2)                  // detail, surface 2
                                   .u2(2).u2(0).u2(1).u2(2)                        // line, surface 2
                                   .data},
                      {"SRFS", Bytes().s0("A").s0("B").data}});
    host::Document doc = parse_lwo(bytes, "t.lwo");
    const host::Layer& layer = doc.layers.at(0);
    EXPECT_EQ(layer.poly_points, (std::vector<std::uint32_t>{0, 1, 2, 2, 1, 0, 0, 1}));
    EXPECT_EQ(layer.find_tags(LWPTAG_SURF)->values, (std::vector<std::int32_t>{0, 1, 1}));
    EXPECT_EQ(doc.tags, (std::vector<std::string>{"A", "B"}));
}

TEST(LwoFormat, ReadsLayeredLwlo) {
    std::vector<std::uint8_t> bytes =
        form("LWLO", {{"SRFS", Bytes().s0("A").data},
                      {"LAYR", Bytes().u2(1).u2(1).s0("first").data},
                      {"PNTS", test::triangle_points()},
                      {"POLS", Bytes().u2(3).u2(0).u2(1).u2(2).u2(1).data},
                      {"LAYR", Bytes().u2(3).u2(0).s0("third").data},
                      {"PNTS", Bytes().vec(4, 4, 4).data},
                      {"PCHS", Bytes().u2(1).u2(0).u2(1).data}});
    host::Document doc = parse_lwo(bytes, "t.lwo");
    ASSERT_EQ(doc.layers.size(), 2u);
    EXPECT_EQ(doc.layers[0].number, 0);
    EXPECT_EQ(doc.layers[0].name, "first");
    EXPECT_EQ(doc.layers[0].flags, 0);
    EXPECT_EQ(doc.layers[1].number, 2);
    EXPECT_EQ(doc.layers[1].name, "third");
    EXPECT_EQ(doc.layers[1].poly_type, std::vector<LWID>{LWPOLTYPE_PTCH});
    EXPECT_EQ(doc.layers[1].poly_points, std::vector<std::uint32_t>{0});
}

}  // namespace
}  // namespace zelkor::io

// Damaged and hostile LightWave objects: every fault gives one exact FileError line naming the
// file, the chunk, the byte offset, the fault and the limit. Offsets refer to the one-triangle
// object of io_test_support.h: TAGS at 0x0C, LAYR 0x1C, PNTS 0x36 (data 0x3E), POLS 0x62
// (count word 0x6E, indices 0x70, 0x72, 0x74), PTAG 0x76 (polygon 0x82, tag 0x84), end 0x86.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "io/lwo.h"
#include "tests/io/io_test_support.h"

namespace zelkor::io {
namespace {

using test::Bytes;
using test::form;
using Data = std::vector<std::uint8_t>;

std::string parse_error(const Data& bytes) {
    return test::error_of([&] { parse_lwo(bytes, "t.lwo"); });
}

Data with_polygons(Data polygons) {
    return test::triangle_with(test::triangle_points(), polygons, test::triangle_surface_tags());
}
Data with_tags(Data tags) { return test::triangle_with(test::triangle_points(), test::triangle_polygons(), tags); }
Data with_points(Data points) {
    return test::triangle_with(points, test::triangle_polygons(), test::triangle_surface_tags());
}

// VMAP after PNTS at 0x62: type 0x6A, dimension 0x6E, name 0x70, entries 0x78 and 0x7E.
Data with_vmap(Data vmap) {
    return form("LWO2", {{"TAGS", test::triangle_tags()},
                         {"LAYR", test::triangle_layer()},
                         {"PNTS", test::triangle_points()},
                         {"VMAP", vmap}});
}

// VMAD after PTAG at 0x86: type 0x8E, dimension 0x92, name 0x94, point 0x98, polygon 0x9A.
Data with_vmad(Data vmad, Data points = test::triangle_points()) {
    return form("LWO2", {{"TAGS", test::triangle_tags()},
                         {"LAYR", test::triangle_layer()},
                         {"PNTS", points},
                         {"POLS", test::triangle_polygons()},
                         {"PTAG", test::triangle_surface_tags()},
                         {"VMAD", vmad}});
}

// LWOB: SRFS at 0x0C ("A"), PNTS 0x16 (data 0x1E), POLS 0x42: count 0x4A, indices 0x4C-0x50,
// surface 0x52.
Data lwob_triangle(std::uint16_t last_index, std::int16_t surface) {
    return form("LWOB", {{"SRFS", Bytes().s0("A").data},
                         {"PNTS", test::triangle_points()},
                         {"POLS", Bytes().u2(3).u2(0).u2(1).u2(last_index).u2(std::uint16_t(surface)).data}});
}

Data triangle_cut_to(std::size_t length) {
    Data bytes = test::triangle_file();
    bytes.resize(length);
    return bytes;
}

Data triangle_patched(std::size_t at, std::uint8_t value) {
    Data bytes = test::triangle_file();
    bytes[at] = value;
    return bytes;
}

// Four bytes of a chunk header inside the FORM, too few for the header.
Data triangle_with_half_a_chunk_header() {
    Data bytes = test::triangle_file();
    bytes.insert(bytes.end(), {'A', 'B', 'C', 'D'});
    bytes[7] += 4;
    return bytes;
}

TEST(LwoCorrupt, EveryFaultHasItsExactMessage) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    Data short_points = test::triangle_points();
    short_points.pop_back();
    const struct {
        Data bytes;
        std::string message;
    } cases[] = {
        {{'F', 'O', 'R', 'M', 0}, "FORM at byte 0x0: the file has 5 bytes, an IFF header needs 12"},
        {Bytes().id("RIFF").u4(4).id("WAVE").data, "FORM at byte 0x0: found \"RIFF\", expected \"FORM\""},
        {form("LWO3", {}), "FORM at byte 0x8: type \"LWO3\" is a newer LightWave object format, not supported "
                           "(LWO2, LWOB and LWLO are)"},
        {form("ILBM", {}), "FORM at byte 0x8: type \"ILBM\" is not a LightWave object (LWO2, LWOB or LWLO expected)"},
        {Bytes().id("FORM").u4(2).id("LWO2").data, "FORM at byte 0x4: size 2 leaves no room for the type"},
        {triangle_cut_to(124), "FORM at byte 0x4: size 126 needs 134 bytes, the file has 124"},
        {triangle_patched(0x7D, 10), "PTAG at byte 0x76: size 10 runs to byte 0x88, past the FORM end at byte 0x86"},
        {triangle_with_half_a_chunk_header(), "chunk at byte 0x86: header needs 8 bytes, 4 remain in the FORM"},
        {with_points(short_points), "PNTS at byte 0x36: size 35 is not a multiple of 12"},
        {with_points(Bytes().vec(0, 0, 0).vec(0, nan, 0).vec(1, 0, 0).data),
         "PNTS at byte 0x4A: point 1 has a coordinate that is not finite"},
        {with_points(Bytes().vec(0, 0, 0).vec(0, 1, 0).vec(1, 0, -inf).data),
         "PNTS at byte 0x56: point 2 has a coordinate that is not finite"},
        // Polygons.
        {with_polygons(Bytes().id("FACE").u2(3).u2(0).u2(1).u1(0xFF).u1(0x00).data),
         "POLS FACE at byte 0x74: VX needs 4 bytes, the chunk has 2 left"},
        {with_polygons(Bytes().id("FACE").u2(3).u2(0).u2(1).u2(3).data),
         "POLS FACE at byte 0x74: point index 3, layer 0 has 3 points"},
        {with_polygons(Bytes().id("FACE").u2(3).u2(0).u2(1).u4(0xFF000003).data),
         "POLS FACE at byte 0x74: point index 3, layer 0 has 3 points"},
        {with_polygons(Bytes().id("FACE").u2(0).data), "POLS FACE at byte 0x6E: polygon with 0 vertices"},
        // Flag bits above the 10-bit count do not hide a zero count.
        {with_polygons(Bytes().id("CURV").u2(0x0C00).data), "POLS CURV at byte 0x6E: polygon with 0 vertices"},
        {with_polygons(Bytes().id("FACE").u2(3).u2(0).u2(1).data),
         "POLS FACE at byte 0x74: VX needs 2 bytes, the chunk has 0 left"},
        {with_polygons(Bytes().id("FA").data), "POLS at byte 0x6A: U4 needs 4 bytes, the chunk has 2 left"},
        // Polygon tags.
        {with_tags(Bytes().id("SURF").u2(1).u2(0).data), "PTAG SURF at byte 0x82: polygon index 1, layer 0 has 1 polygon"},
        {with_tags(Bytes().id("SURF").u2(0).u2(1).data), "PTAG SURF at byte 0x84: tag 1, TAGS has 1 name"},
        {with_tags(Bytes().id("PART").u2(0).u2(7).data), "PTAG PART at byte 0x84: tag 7, TAGS has 1 name"},
        {with_tags(Bytes().id("COLR").u2(0).u2(1).data), "PTAG COLR at byte 0x84: tag 1, TAGS has 1 name"},
        {with_tags(Bytes().id("SURF").u2(0).u1(0).data), "PTAG SURF at byte 0x84: U2 needs 2 bytes, the chunk has 1 left"},
        {form("LWO2", {{"TAGS", test::triangle_tags()},
                       {"LAYR", test::triangle_layer()},
                       {"PTAG", test::triangle_surface_tags()}}),
         "PTAG SURF at byte 0x42: polygon index 0, layer 0 has 0 polygons"},
        {form("LWO2", {{"TAGS", Bytes().id("abcd").data}}),
         "TAGS at byte 0x14: string has no terminating 00 before the chunk end at byte 0x18"},
        // Vertex maps.
        {with_vmap(Bytes().id("WGHT").u2(1).s0("Weight").u2(0).f4(1).u2(3).f4(1).data),
         "VMAP \"Weight\" at byte 0x7E: point index 3, layer 0 has 3 points"},
        {with_vmap(Bytes().id("WGHT").u2(1).s0("Weight").u2(0).f4(1).u2(1).u2(0).data),
         "VMAP \"Weight\" at byte 0x80: F4 needs 4 bytes, the chunk has 2 left"},
        {with_vmap(Bytes().id("TXUV").u2(3).s0("Weight").data),
         "VMAP \"Weight\" at byte 0x6E: dimension 3 does not fit map type TXUV"},
        {with_vmap(Bytes().id("ABCD").u2(65).s0("Weight").data),
         "VMAP \"Weight\" at byte 0x6E: dimension 65, at most 64 supported"},
        {with_vmap(Bytes().id("WGHT").u2(1).data),
         "VMAP at byte 0x70: string has no terminating 00 before the chunk end at byte 0x70"},
        // LAYR at 0x0C, PNTS 0x26, the first VMAP 0x52, the second 0x62: its dimension is at 0x6E.
        {form("LWO2", {{"LAYR", test::triangle_layer()},
                       {"PNTS", test::triangle_points()},
                       {"VMAP", Bytes().id("ABCD").u2(1).s0("m").data},
                       {"VMAP", Bytes().id("ABCD").u2(2).s0("m").data}}),
         "VMAP \"m\" at byte 0x6E: dimension 2, an earlier chunk of this map has 1"},
        {with_vmad(Bytes().id("TXUV").u2(2).s0("UV").u2(0).u2(1).f4(0).f4(0).data),
         "VMAD \"UV\" at byte 0x9A: polygon index 1, layer 0 has 1 polygon"},
        {with_vmad(Bytes().id("TXUV").u2(2).s0("UV").u2(5).u2(0).f4(0).f4(0).data),
         "VMAD \"UV\" at byte 0x98: point index 5, layer 0 has 3 points"},
        {with_vmad(Bytes().id("TXUV").u2(2).s0("UV").u2(0).u1(0xFF).data),
         "VMAD \"UV\" at byte 0x9A: VX needs 4 bytes, the chunk has 1 left"},
        // LWOB.
        {lwob_triangle(2, 2), "POLS at byte 0x52: surface number 2, SRFS has 1 name"},
        {lwob_triangle(2, 0), "POLS at byte 0x52: surface number 0, they count from 1"},
        {lwob_triangle(3, 1), "POLS at byte 0x50: point index 3, layer 0 has 3 points"},
        {form("LWOB", {{"PNTS", test::triangle_points()}, {"POLS", Bytes().u2(0).data}}),
         "POLS at byte 0x40: polygon with 0 vertices"},
        // A negative surface announces detail polygons: here a count of -1.
        {form("LWOB", {{"SRFS", Bytes().s0("A").data},
                       {"PNTS", test::triangle_points()},
                       {"POLS", Bytes().u2(1).u2(0).u2(0xFFFF).u2(0xFFFF).data}}),
         "POLS at byte 0x50: detail polygon count -1 is negative"},
    };
    for (const auto& c : cases) EXPECT_EQ(parse_error(c.bytes), "t.lwo: " + c.message);
}

TEST(LwoCorrupt, OddButValidInputIsRead) {
    Data trailing = test::triangle_file();
    trailing.insert(trailing.end(), {1, 2, 3});  // bytes after the FORM are ignored
    EXPECT_EQ(parse_lwo(trailing, "t.lwo").layers[0].polygon_count(), 1u);
    // Smoothing groups and unknown kinds hold raw numbers, not tag indices.
    EXPECT_EQ(parse_lwo(with_tags(Bytes().id("SMGP").u2(0).u2(40000).data), "t.lwo").layers[0].tag(LWPTAG_SMGP, 0),
              40000);
    EXPECT_EQ(parse_lwo(lwob_triangle(2, 1), "t.lwo").layers[0].tag(LWPTAG_SURF, 0), 0);
    // A VMAD entry whose point is not a corner of its polygon is kept as it is.
    Data four_points = Bytes().raw(test::triangle_points()).vec(5, 5, 5).data;
    host::Document doc =
        parse_lwo(with_vmad(Bytes().id("TXUV").u2(2).s0("UV").u2(3).u2(0).f4(0.25f).f4(0.5f).data, four_points), "t.lwo");
    ASSERT_EQ(doc.layers[0].vmads.size(), 1u);
    EXPECT_EQ(doc.layers[0].vmads[0].points, std::vector<std::uint32_t>{3});
    EXPECT_EQ(doc.layers[0].vmads[0].polygons, std::vector<std::uint32_t>{0});
    EXPECT_EQ(doc.layers[0].vmads[0].values, (std::vector<float>{0.25f, 0.5f}));
}

// Sparse maps are stored densely; a small file asking for more than its share is refused before
// the memory is taken: 64 MB plus 64 times the file size. Each map here has 64 values on the last
// of 4000 points, about 1 MB each.
TEST(LwoCorrupt, RefusesMapsOutOfProportionToTheFile) {
    // Each entry lands on its own page of 256 points with 64 dimensions: about 66 KB of memory for
    // 258 bytes of file.
    constexpr std::size_t kEntries = 16, kEntryBytes = 2 + 4 * 64, kPageBytes = 256 * (1 + 4 * 64);
    Bytes points;
    for (int i = 0; i < 4000; ++i) points.vec(float(i), 0, 0);
    Bytes body;
    body.id("LWO2").id("LAYR").u4(18).raw(test::triangle_layer());
    body.id("PNTS").u4(std::uint32_t(points.data.size())).raw(points.data);
    std::vector<std::size_t> entry_offsets;
    for (int m = 0; m < 100; ++m) {
        char name[8];
        std::snprintf(name, sizeof name, "m%02d", m);  // 3 characters: the S0 takes 4 bytes
        Bytes vmap;
        vmap.id("ABCD").u2(64).s0(name);
        for (std::size_t e = 0; e < kEntries; ++e) {
            vmap.u2(std::uint16_t(e * 256));
            for (int d = 0; d < 64; ++d) vmap.f4(1);
        }
        body.id("VMAP").u4(std::uint32_t(vmap.data.size()));
        entry_offsets.push_back(8 + body.data.size() + 10);
        body.raw(vmap.data);
    }
    Data bytes = Bytes().id("FORM").u4(std::uint32_t(body.data.size())).raw(body.data).data;
    std::size_t first_refused = ((std::size_t(64) << 20) + 64 * bytes.size()) / kPageBytes;
    std::size_t map = first_refused / kEntries;
    char expected[200];
    std::snprintf(expected, sizeof expected,
                  "t.lwo: VMAP \"m%02zu\" at byte 0x%zX: vertex maps and polygon tags would need more memory than "
                  "a file of %zu bytes may ask for",
                  map, entry_offsets[map] + first_refused % kEntries * kEntryBytes, bytes.size());
    EXPECT_EQ(parse_error(bytes), expected);
}

}  // namespace
}  // namespace zelkor::io

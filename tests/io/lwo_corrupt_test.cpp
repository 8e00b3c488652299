// Damaged and hostile LightWave objects: every fault gives one exact FileError line naming the
// file, the chunk, the byte offset, the fault and the limit, never a crash or an out-of-bounds
// read (run under AddressSanitizer: every input is copied into a buffer of its exact size).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "io/lwo.h"
#include "random/random.h"
#include "tests/io/io_test_support.h"

namespace zelkor::io {
namespace {

using test::Bytes;
using test::Data;
using test::form;

std::string parse_error(const Data& bytes) { return test::error_of([&] { parse_lwo(bytes, "t.lwo"); }); }

// Offsets in the one-triangle object of io_test_support.h: TAGS at 0x0C, LAYR 0x1C, PNTS 0x36
// (data 0x3E), POLS 0x62 (count word 0x6E, indices 0x70, 0x72, 0x74), PTAG 0x76 (polygon 0x82,
// tag 0x84), end 0x86.
Data with_points(Data points) { return test::triangle_with(points, test::triangle_polygons(), test::triangle_surface_tags()); }
Data with_polygons(Data polygons) { return test::triangle_with(test::triangle_points(), polygons, test::triangle_surface_tags()); }
Data with_tags(Data tags) { return test::triangle_with(test::triangle_points(), test::triangle_polygons(), tags); }
Data triangle_edited(const std::function<void(Data&)>& edit) { Data bytes = test::triangle_file(); edit(bytes); return bytes; }

// A map after the PTAG, at 0x86: type 0x8E, dimension 0x92, name 0x94; a VMAD's point at 0x98 and
// polygon 0x9A, a VMAP's entries (name "Weight") at 0x9C and 0xA2.
Data with_map(std::string id, Data map) {
    return form("LWO2", {{"TAGS", test::triangle_tags()}, {"LAYR", test::triangle_layer()}, {"PNTS", test::triangle_points()},
                         {"POLS", test::triangle_polygons()}, {"PTAG", test::triangle_surface_tags()}, {id, map}});
}

// LWOB: SRFS at 0x0C ("A"), PNTS 0x16 (data 0x1E), POLS 0x42: count 0x4A, indices 0x4C-0x50,
// surface 0x52.
Data lwob_triangle(std::uint16_t last_index, std::uint16_t surface) {
    return form("LWOB", {{"SRFS", Bytes().s0("A").data}, {"PNTS", test::triangle_points()},
                         {"POLS", Bytes().u2(3).u2(0).u2(1).u2(last_index).u2(surface).data}});
}

TEST(LwoCorrupt, EveryFaultHasItsExactMessage) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::string not_finite = " has a coordinate that is not finite";
    const Bytes face = Bytes().id("FACE").u2(3).u2(0).u2(1), weight = Bytes().id("WGHT").u2(1).s0("Weight"),
                uv = Bytes().id("TXUV").u2(2).s0("UV");
    const std::pair<Data, std::string> cases[] = {
        {{'F', 'O', 'R', 'M', 0}, "FORM at byte 0x0: the file has 5 bytes, an IFF header needs 12"},
        {Bytes().id("RIFF").u4(4).id("WAVE").data, "FORM at byte 0x0: found \"RIFF\", expected \"FORM\""},
        {form("LWO3", {}), "FORM at byte 0x8: type \"LWO3\" is a newer LightWave object format, not supported "
                           "(LWO2, LWOB and LWLO are)"},
        {form("ILBM", {}), "FORM at byte 0x8: type \"ILBM\" is not a LightWave object (LWO2, LWOB or LWLO expected)"},
        {Bytes().id("FORM").u4(2).id("LWO2").data, "FORM at byte 0x4: size 2 leaves no room for the type"},
        {triangle_edited([](Data& b) { b.resize(124); }), "FORM at byte 0x4: size 126 needs 134 bytes, the file has 124"},
        {triangle_edited([](Data& b) { b[0x7D] = 10; }),
         "PTAG at byte 0x76: size 10 runs to byte 0x88, past the FORM end at byte 0x86"},
        {triangle_edited([](Data& b) { b.insert(b.end(), {'A', 'B', 'C', 'D'}), b[7] += 4; }),  // half a chunk header
         "chunk at byte 0x86: header needs 8 bytes, 4 remain in the FORM"},
        {with_points(Data(35, 0)), "PNTS at byte 0x36: size 35 is not a multiple of 12"},
        {with_points(Bytes().vec(0, 0, 0).vec(0, nan, 0).vec(1, 0, 0).data), "PNTS at byte 0x4A: point 1" + not_finite},
        {with_points(Bytes().vec(0, 0, 0).vec(0, 1, 0).vec(1, 0, -inf).data), "PNTS at byte 0x56: point 2" + not_finite},
        {with_polygons(Bytes(face).u1(0xFF).u1(0x00).data), "POLS FACE at byte 0x74: VX needs 4 bytes, the chunk has 2 left"},
        {with_polygons(Bytes(face).u2(3).data), "POLS FACE at byte 0x74: point index 3, layer 0 has 3 points"},
        {with_polygons(Bytes(face).u4(0xFF000003).data), "POLS FACE at byte 0x74: point index 3, layer 0 has 3 points"},
        {with_polygons(Bytes(face).data), "POLS FACE at byte 0x74: VX needs 2 bytes, the chunk has 0 left"},
        {with_polygons(Bytes().id("FACE").u2(0).data), "POLS FACE at byte 0x6E: polygon with 0 vertices"},
        // Flag bits above the 10-bit count do not hide a zero count.
        {with_polygons(Bytes().id("CURV").u2(0x0C00).data), "POLS CURV at byte 0x6E: polygon with 0 vertices"},
        {with_polygons(Bytes().id("FA").data), "POLS at byte 0x6A: U4 needs 4 bytes, the chunk has 2 left"},
        {with_tags(Bytes().id("SURF").u2(1).u2(0).data), "PTAG SURF at byte 0x82: polygon index 1, layer 0 has 1 polygon"},
        {with_tags(Bytes().id("SURF").u2(0).u2(1).data), "PTAG SURF at byte 0x84: tag 1, TAGS has 1 name"},
        {with_tags(Bytes().id("PART").u2(0).u2(7).data), "PTAG PART at byte 0x84: tag 7, TAGS has 1 name"},
        {with_tags(Bytes().id("COLR").u2(0).u2(1).data), "PTAG COLR at byte 0x84: tag 1, TAGS has 1 name"},
        {with_tags(Bytes().id("SURF").u2(0).u1(0).data), "PTAG SURF at byte 0x84: U2 needs 2 bytes, the chunk has 1 left"},
        {form("LWO2", {{"TAGS", test::triangle_tags()}, {"LAYR", test::triangle_layer()}, {"PTAG", test::triangle_surface_tags()}}),
         "PTAG SURF at byte 0x42: polygon index 0, layer 0 has 0 polygons"},
        {form("LWO2", {{"TAGS", Bytes().id("abcd").data}}),
         "TAGS at byte 0x14: string has no terminating 00 before the chunk end at byte 0x18"},
        {with_map("VMAP", Bytes(weight).u2(0).f4(1).u2(3).f4(1).data),
         "VMAP \"Weight\" at byte 0xA2: point index 3, layer 0 has 3 points"},
        {with_map("VMAP", Bytes(weight).u2(0).f4(1).u2(1).u2(0).data),
         "VMAP \"Weight\" at byte 0xA4: F4 needs 4 bytes, the chunk has 2 left"},
        {with_map("VMAP", Bytes().id("TXUV").u2(3).s0("Weight").data),
         "VMAP \"Weight\" at byte 0x92: dimension 3 does not fit map type TXUV"},
        {with_map("VMAP", Bytes().id("ABCD").u2(65).s0("Weight").data),
         "VMAP \"Weight\" at byte 0x92: dimension 65, at most 64 supported"},
        {with_map("VMAP", Bytes().id("WGHT").u2(1).data),
         "VMAP at byte 0x94: string has no terminating 00 before the chunk end at byte 0x94"},
        // LAYR at 0x0C, PNTS 0x26, the first VMAP 0x52, the second 0x62: its dimension is at 0x6E.
        {form("LWO2", {{"LAYR", test::triangle_layer()}, {"PNTS", test::triangle_points()},
                       {"VMAP", Bytes().id("ABCD").u2(1).s0("m").data}, {"VMAP", Bytes().id("ABCD").u2(2).s0("m").data}}),
         "VMAP \"m\" at byte 0x6E: dimension 2, an earlier chunk of this map has 1"},
        {with_map("VMAD", Bytes(uv).u2(0).u2(1).f4(0).f4(0).data), "VMAD \"UV\" at byte 0x9A: polygon index 1, layer 0 has 1 polygon"},
        {with_map("VMAD", Bytes(uv).u2(5).u2(0).f4(0).f4(0).data), "VMAD \"UV\" at byte 0x98: point index 5, layer 0 has 3 points"},
        {with_map("VMAD", Bytes(uv).u2(0).u1(0xFF).data), "VMAD \"UV\" at byte 0x9A: VX needs 4 bytes, the chunk has 1 left"},
        {lwob_triangle(2, 2), "POLS at byte 0x52: surface number 2, SRFS has 1 name"},
        {lwob_triangle(2, 0), "POLS at byte 0x52: surface number 0, they count from 1"},
        {lwob_triangle(3, 1), "POLS at byte 0x50: point index 3, layer 0 has 3 points"},
        {form("LWOB", {{"PNTS", test::triangle_points()}, {"POLS", Bytes().u2(0).data}}),
         "POLS at byte 0x40: polygon with 0 vertices"},
        // A negative surface announces detail polygons: here a count of -1.
        {form("LWOB", {{"SRFS", Bytes().s0("A").data}, {"PNTS", test::triangle_points()},
                       {"POLS", Bytes().u2(1).u2(0).u2(0xFFFF).u2(0xFFFF).data}}),
         "POLS at byte 0x50: detail polygon count -1 is negative"},
    };
    for (const auto& [bytes, message] : cases) EXPECT_EQ(parse_error(bytes), "t.lwo: " + message);
}

// Sparse maps are stored densely; a small file asking for more than its share is refused before
// the memory is taken: 64 MB plus 64 times the file size. Each entry here lands on its own page of
// 256 points with 64 dimensions: about 66 KB of memory for 258 bytes of file.
TEST(LwoCorrupt, RefusesMapsOutOfProportionToTheFile) {
    constexpr std::size_t kEntries = 16, kEntryBytes = 2 + 4 * 64, kPageBytes = 256 * (1 + 4 * 64);
    Bytes points, ones, body;
    for (int i = 0; i < 4000; ++i) points.vec(float(i), 0, 0);
    for (int d = 0; d < 64; ++d) ones.f4(1);
    body.id("LWO2").id("LAYR").u4(18).raw(test::triangle_layer()).id("PNTS").u4(std::uint32_t(points.data.size())).raw(points.data);
    std::vector<std::size_t> entry_offsets;
    for (int m = 0; m < 100; ++m) {
        Bytes vmap;
        vmap.id("ABCD").u2(64).s0(std::string(m < 10 ? "m0" : "m").append(std::to_string(m)));  // 3 characters: the S0 takes 4 bytes
        for (std::size_t e = 0; e < kEntries; ++e) vmap.u2(std::uint16_t(e * 256)).raw(ones.data);
        entry_offsets.push_back(8 + body.data.size() + 8 + 10);
        body.id("VMAP").u4(std::uint32_t(vmap.data.size())).raw(vmap.data);
    }
    Data bytes = Bytes().id("FORM").u4(std::uint32_t(body.data.size())).raw(body.data).data;
    std::size_t first_refused = ((std::size_t(64) << 20) + 64 * bytes.size()) / kPageBytes, map = first_refused / kEntries;
    char expected[200];
    std::snprintf(expected, sizeof expected,
                  "t.lwo: VMAP \"m%02zu\" at byte 0x%zX: vertex maps and polygon tags would need more memory than "
                  "a file of %zu bytes may ask for",
                  map, entry_offsets[map] + first_refused % kEntries * kEntryBytes, bytes.size());
    EXPECT_EQ(parse_error(bytes), expected);
}

// "ok" for a document, the message for a FileError; anything else escapes and fails the test.
// What was read writes (unless LWO2 cannot hold it, e.g. an LWOB polygon of 1500 points), and
// what we write reads back as the same document.
std::string outcome(const Data& bytes) {
    host::Document doc;
    Data written;
    std::string error = test::error_of([&] { doc = parse_lwo(bytes, "f.lwo"); });
    if (error != "(no FileError)") return error;
    if (test::error_of([&] { written = encode_lwo2(doc, "f.lwo"); }) != "(no FileError)") return "ok";
    EXPECT_EQ(encode_lwo2(parse_lwo(written, "f.lwo"), "f.lwo"), written);
    return "ok";
}

// The file cut at `length` with the FORM size and the cut chunk's size shortened to match, so
// that a chunk parser meets its data ending there.
Data consistent_cut(const Data& whole, std::size_t length) {
    Data cut(whole.begin(), whole.begin() + std::ptrdiff_t(length));
    auto put = [&](std::size_t at, std::size_t v) { for (int i = 0; i < 4; ++i) cut[at + i] = std::uint8_t(v >> (24 - 8 * i)); };
    std::size_t pos = 12;
    while (pos + 8 <= length && pos + 8 + test::u4_at(whole, pos + 4) <= length)
        pos += (9 + test::u4_at(whole, pos + 4)) & ~std::size_t(1);
    put(4, length - 8);
    if (pos + 8 <= length) put(pos + 4, length - pos - 8);
    return cut;
}

// Every truncation: a plain cut always falls short of the FORM size; a consistent cut on a record
// boundary, or inside a chunk kept as raw bytes (SURF, CLIP), gives a smaller valid object,
// others are refused. Then random bit flips.
TEST(LwoCorrupt, EveryTruncationAndRandomByteFlipsAreReadOrRefused) {
    random rng;
    rng.fixed(0x5EED);
    auto below = [&](std::size_t n) { return std::size_t(rng.z_zakresu(0, int(n) - 1)); };
    for (const char* name : {"box_2uv_1unused.lwo", "Subdivision.lwo", "box1.5.lwo", "concave_polygon.lwo"}) {
        SCOPED_TRACE(name);
        const Data whole = test::file_bytes(test::shared_lwo(name));
        ASSERT_GT(whole.size(), 1000u);
        std::size_t cuts_read = 0, cuts_refused = 0, flips_refused = 0;
        for (std::size_t length = 0; length < whole.size(); ++length) {
            std::string plain = outcome({whole.begin(), whole.begin() + std::ptrdiff_t(length)});
            ASSERT_EQ(plain.rfind("f.lwo: FORM at byte ", 0), 0u) << "length " << length << ": " << plain;
            if (length < 12) continue;
            std::string result = outcome(consistent_cut(whole, length));
            ASSERT_TRUE(result == "ok" || result.rfind("f.lwo: ", 0) == 0) << result;
            (result == "ok" ? cuts_read : cuts_refused) += 1;
        }
        for (int round = 0; round < 3000; ++round) {
            Data damaged = whole;
            for (std::size_t flips = 1 + below(4); flips > 0; --flips) {
                std::size_t at = below(2) ? below(96) : below(whole.size());  // half where the first chunk sizes live
                damaged[at] ^= std::uint8_t(1u << below(8));
            }
            std::string result = outcome(damaged);
            ASSERT_TRUE(result == "ok" || result.rfind("f.lwo: ", 0) == 0) << "round " << round << ": " << result;
            flips_refused += result != "ok";
        }
        EXPECT_TRUE(cuts_read && cuts_refused && flips_refused) << cuts_read << " " << cuts_refused << " " << flips_refused;
    }
}

}  // namespace
}  // namespace zelkor::io

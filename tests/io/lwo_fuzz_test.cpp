// Damaged files must give a document or a FileError, never a crash or an out-of-bounds read
// (run under AddressSanitizer: every input is copied into a buffer of its exact size).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "io/lwo.h"
#include "random/random.h"
#include "tests/io/io_test_support.h"

namespace zelkor::io {
namespace {

// "ok" for a document, the message for a FileError; anything else escapes and fails the test.
std::string outcome(const std::vector<std::uint8_t>& bytes) {
    host::Document doc;
    try {
        doc = parse_lwo(bytes, "f.lwo");
    } catch (const FileError& e) {
        return e.what();
    }
    // What was read writes (unless LWO2 cannot hold it, e.g. an LWOB polygon of 1500 points),
    // and what we write always reads back as the same document.
    std::vector<std::uint8_t> written;
    try {
        written = encode_lwo2(doc, "f.lwo");
    } catch (const FileError&) {
        return "ok";
    }
    EXPECT_EQ(encode_lwo2(parse_lwo(written, "f.lwo"), "f.lwo"), written);
    return "ok";
}

const char* const kSmallFiles[] = {"box_2uv_1unused.lwo", "Subdivision.lwo", "box1.5.lwo", "concave_polygon.lwo"};

void store_u4(std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + std::size_t(i)] = std::uint8_t(v >> (24 - 8 * i));
}

// The file cut at `length` with the FORM size and the cut chunk's size shortened to match, so
// that a chunk parser meets its data ending there.
std::vector<std::uint8_t> consistent_cut(const std::vector<std::uint8_t>& whole, std::size_t length) {
    std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(length));
    store_u4(cut, 4, length - 8);
    for (std::size_t pos = 12; pos + 8 <= length;) {
        std::size_t size = (std::size_t(whole[pos + 4]) << 24) | (whole[pos + 5] << 16) | (whole[pos + 6] << 8) |
                           whole[pos + 7];
        if (pos + 8 + size > length) {
            store_u4(cut, pos + 4, length - pos - 8);
            break;
        }
        pos += 8 + size + (size & 1);
    }
    return cut;
}

// A plain cut always falls short of the FORM size. A consistent cut on a record boundary, or
// inside a chunk kept as raw bytes (SURF, CLIP), gives a smaller valid object; others are refused.
TEST(LwoFuzz, EveryTruncationIsReadOrRefused) {
    for (const char* name : kSmallFiles) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> whole = test::file_bytes(test::shared_lwo(name));
        ASSERT_GT(whole.size(), 1000u);
        std::size_t refused = 0, read = 0;
        for (std::size_t length = 0; length < whole.size(); ++length) {
            std::string plain = outcome({whole.begin(), whole.begin() + std::ptrdiff_t(length)});
            ASSERT_EQ(plain.rfind("f.lwo: FORM at byte ", 0), 0u) << "length " << length << ": " << plain;
            if (length < 12) continue;
            std::string result = outcome(consistent_cut(whole, length));
            (result == "ok" ? read : refused) += 1;
            ASSERT_TRUE(result == "ok" || result.rfind("f.lwo: ", 0) == 0) << result;
        }
        EXPECT_GT(refused, 0u);
        EXPECT_GT(read, 0u);
    }
}

TEST(LwoFuzz, RandomByteFlipsAreReadOrRefused) {
    random rng;
    rng.fixed(0x5EED);
    auto below = [&](std::size_t n) { return std::size_t(rng.z_zakresu(0, int(n) - 1)); };
    for (const char* name : kSmallFiles) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> whole = test::file_bytes(test::shared_lwo(name));
        std::size_t refused = 0;
        for (int round = 0; round < 3000; ++round) {
            std::vector<std::uint8_t> damaged = whole;
            for (std::size_t flips = 1 + below(4); flips > 0; --flips) {
                // Half the flips hit the header region of the first chunks, where sizes live.
                std::size_t at = below(2) ? below(std::min<std::size_t>(whole.size(), 96)) : below(whole.size());
                damaged[at] ^= std::uint8_t(1u << below(8));
            }
            std::string result = outcome(damaged);
            ASSERT_TRUE(result == "ok" || result.rfind("f.lwo: ", 0) == 0) << "round " << round << ": " << result;
            refused += result != "ok";
        }
        EXPECT_GT(refused, 0u);
    }
}

}  // namespace
}  // namespace zelkor::io

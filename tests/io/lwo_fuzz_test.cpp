// Damaged files must give a document or a FileError, never a crash or an out-of-bounds read
// (run under AddressSanitizer: every input is copied into a buffer of its exact size).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "io/lwo.h"
#include "tests/io/lwo_test_support.h"

namespace zelkor::io {
namespace {

// xorshift64 (Marsaglia 2003): enough to scatter byte flips, and identical everywhere.
class XorShift64 {
public:
    explicit XorShift64(std::uint64_t seed) : state_(seed ? seed : 1) {}
    std::uint64_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    std::size_t below(std::size_t n) { return std::size_t(next() % n); }

private:
    std::uint64_t state_;
};

TEST(LwoFuzz, XorShiftGivesItsKnownSequence) {
    XorShift64 random(1);
    EXPECT_EQ(random.next(), 1082269761u);
    EXPECT_EQ(random.next(), 1152992998833853505u);
}

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
    host::Document again = parse_lwo(written, "f.lwo");
    EXPECT_EQ(encode_lwo2(again, "f.lwo"), written);
    return "ok";
}

const std::vector<std::string> kSmallFiles = {"box_2uv_1unused.lwo", "Subdivision.lwo", "box1.5.lwo",
                                              "concave_polygon.lwo"};

TEST(LwoFuzz, EveryShorterLengthIsAnError) {
    for (const std::string& name : kSmallFiles) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> whole = test::file_bytes(test::shared_lwo(name));
        ASSERT_GT(whole.size(), 1000u);
        for (std::size_t length = 0; length < whole.size(); ++length) {
            std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(length));
            std::string result = outcome(cut);
            ASSERT_EQ(result.rfind("f.lwo: FORM at byte ", 0), 0u) << "length " << length << ": " << result;
        }
    }
}

void store_u4(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    bytes[at] = std::uint8_t(v >> 24);
    bytes[at + 1] = std::uint8_t(v >> 16);
    bytes[at + 2] = std::uint8_t(v >> 8);
    bytes[at + 3] = std::uint8_t(v);
}

// The cut is made consistent (FORM size and the cut chunk's size shortened to match), so every
// chunk parser meets its data ending at every possible byte. Cuts on a record boundary, or inside
// a chunk kept as raw bytes (SURF, CLIP), give a smaller valid object; the others are refused.
TEST(LwoFuzz, EveryChunkCutAtEveryByteIsReadOrRefused) {
    for (const std::string& name : kSmallFiles) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> whole = test::file_bytes(test::shared_lwo(name));
        std::size_t refused = 0, read = 0;
        for (std::size_t length = 12; length < whole.size(); ++length) {
            std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(length));
            store_u4(cut, 4, std::uint32_t(length - 8));
            // Find the chunk the cut falls in and shorten it.
            std::size_t pos = 12;
            while (pos + 8 <= length) {
                std::size_t size = (std::size_t(whole[pos + 4]) << 24) | (whole[pos + 5] << 16) |
                                   (whole[pos + 6] << 8) | whole[pos + 7];
                if (pos + 8 + size > length) {
                    store_u4(cut, pos + 4, std::uint32_t(length - pos - 8));
                    break;
                }
                pos += 8 + size + (size & 1);
            }
            std::string result = outcome(cut);
            (result == "ok" ? read : refused) += 1;
            ASSERT_TRUE(result == "ok" || result.rfind("f.lwo: ", 0) == 0) << result;
        }
        EXPECT_GT(refused, 0u);
        EXPECT_GT(read, 0u);
    }
}

TEST(LwoFuzz, RandomByteFlipsAreReadOrRefused) {
    XorShift64 random(0x5EED1234);
    for (const std::string& name : kSmallFiles) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> whole = test::file_bytes(test::shared_lwo(name));
        std::size_t refused = 0;
        for (int round = 0; round < 3000; ++round) {
            std::vector<std::uint8_t> damaged = whole;
            std::size_t flips = 1 + random.below(4);
            for (std::size_t f = 0; f < flips; ++f) {
                // Half the flips hit the header region of the first chunks, where sizes live.
                std::size_t at = random.below(2) ? random.below(std::min<std::size_t>(whole.size(), 96))
                                                 : random.below(whole.size());
                damaged[at] ^= std::uint8_t(1u << random.below(8));
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

// Arrays mapped ahead on another thread: filled meanwhile they keep every value, and the rooms of
// arrays that grow side by side all end up mapped.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "resident_pages.h"
#include "util/huge_page_allocator.h"
#include "util/page_prefault.h"

namespace zelkor {
namespace {

struct node {
    double x[7];
    std::int64_t tag;
};

TEST(PagePrefault, FillsDuringTheMappingKeepTheirValuesAndEveryRoomEndsMapped) {
    // filled: how many elements are pushed while the mapping runs, of the `count` reserved.
    constexpr std::size_t count = 300000;  // 19 MB of nodes, 2.4 MB of indices, 1.2 MB of words
    for (std::size_t filled : {std::size_t(0), count / 3, count}) {
        std::vector<node, huge_page_allocator<node>> nodes;
        std::vector<std::uint64_t> indices;
        std::vector<std::uint32_t> words;
        nodes.reserve(count);
        indices.reserve(count);
        words.reserve(count);
        page_prefault prefault({spare_capacity(nodes), spare_capacity(indices), spare_capacity(words)});
        for (std::size_t k = 0; k < filled; ++k) {
            nodes.push_back({{double(k), 1, 2, 3, 4, 5, -double(k)}, std::int64_t(k)});
            indices.push_back(k * 7);
            words.push_back(std::uint32_t(k ^ 0x5555));
        }
        prefault.wait();
        for (std::size_t k = 0; k < filled; ++k)
            ASSERT_TRUE(nodes[k].x[0] == double(k) && nodes[k].x[6] == -double(k) && nodes[k].tag == std::int64_t(k) &&
                        indices[k] == k * 7 && words[k] == std::uint32_t(k ^ 0x5555))
                << "filled " << filled << ", element " << k;
        const std::size_t node_bytes = count * sizeof(node), index_bytes = count * 8, word_bytes = count * 4;
        EXPECT_GE(resident_pages(nodes.data(), node_bytes), whole_pages(node_bytes) - 1) << filled;
        EXPECT_GE(resident_pages(indices.data(), index_bytes), whole_pages(index_bytes) - 1) << filled;
        EXPECT_GE(resident_pages(words.data(), word_bytes), whole_pages(word_bytes) - 1) << filled;
    }
}

}  // namespace
}  // namespace zelkor

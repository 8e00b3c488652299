// What a mesh writer leaves out because its format cannot hold it, gathered while writing and
// reported once per kind: "weight maps Weight0, ZK_index", "polygons other than faces: 24 PTCH".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "api/host_api.h"

namespace zelkor::io {

class DroppedData {
public:
    // Notes `item` under `kind`, once however often it is added.
    void add(std::string_view kind, std::string_view item);
    // Adds `n` to the count of `item` under `kind`; the line shows "24 PTCH".
    void count(std::string_view kind, std::string_view item, std::size_t n = 1);
    // One line per kind, kinds and items in the order first added.
    std::vector<std::string> lines() const;

private:
    struct Item {
        std::string name;
        std::size_t count = 0;  // 0 for items that are not counted
    };
    struct Kind {
        std::string name;
        std::vector<Item> items;
    };
    Item& item(std::string_view kind, std::string_view name);

    std::vector<Kind> kinds_;
};

// How a warning names maps of one type: "weight maps", "morph maps", "RGBA maps".
std::string map_kind(LWID type);

}  // namespace zelkor::io

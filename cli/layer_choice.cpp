#include "cli/layer_choice.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "cli/usage_error.h"

namespace zelkor::cli {

namespace {

std::vector<std::string> split_commas(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return items;
}

int layer_by_shown_number(const host::Document& document, const std::string& item) {
    int shown = 0;
    auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), shown);
    if (error != std::errc() || end != item.data() + item.size()) return -1;
    for (std::size_t k = 0; k < document.layers.size(); ++k)
        if (document.layers[k].number + 1 == shown) return int(k);
    return -1;
}

int layer_by_name(const host::Document& document, const std::string& item) {
    for (std::size_t k = 0; k < document.layers.size(); ++k)
        if (document.layers[k].name == item) return int(k);
    return -1;
}

int default_layer(const host::Document& document) {
    for (std::size_t k = 0; k < document.layers.size(); ++k)
        if (document.layers[k].point_count() > 0) return int(k);
    return 0;
}

}  // namespace

LayerChoice parse_layer_choice(const std::string& text) {
    const std::size_t colon = text.rfind(':');
    std::error_code ignored;
    if (colon == std::string::npos || std::filesystem::exists(text, ignored)) return {text, {}};
    LayerChoice choice{text.substr(0, colon), {}};
    if (colon + 1 < text.size()) choice.layers = split_commas(text.substr(colon + 1));
    return choice;
}

std::vector<int> choose_layers(const host::Document& document, const LayerChoice& choice) {
    if (document.layers.empty()) throw UsageError(choice.path + ": the file has no layers");
    if (choice.layers.empty()) return {default_layer(document)};
    std::vector<int> indices;
    for (const std::string& item : choice.layers) {
        int index = layer_by_shown_number(document, item);
        if (index < 0) index = layer_by_name(document, item);
        if (index < 0) throw UsageError(choice.path + ": no layer \"" + item + "\" (see zelkor --info " + choice.path + ")");
        if (std::find(indices.begin(), indices.end(), index) == indices.end()) indices.push_back(index);
    }
    return indices;
}

}  // namespace zelkor::cli

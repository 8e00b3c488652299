// FILE[:LAYERS] on the command line, and the layers it picks from a file's document.
//
// LAYERS is a comma list of layer names or numbers as a modeller shows them (the file's layer
// number + 1). Without it the first layer that has points is taken, or the first layer when no
// layer has points (the module then says what is missing).
#pragma once

#include <string>
#include <vector>

#include "host/document.h"

namespace zelkor::cli {

struct LayerChoice {
    std::string path;
    std::vector<std::string> layers;  // empty: the default layer
};

// A text that names an existing file is taken whole, so a path may contain ':'.
LayerChoice parse_layer_choice(const std::string& text);

// Indices into document.layers, in the order given, each once. Throws UsageError for a layer the
// file does not have, and for a file without layers.
std::vector<int> choose_layers(const host::Document& document, const LayerChoice& choice);

}  // namespace zelkor::cli

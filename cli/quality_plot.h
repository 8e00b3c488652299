// --plot FILE.svg or FILE.png: a top view of a run's scatter (looking down the y axis, x to the
// right, z up): the eligible target polygons in grey, the clones as dots coloured by clone index
// (the order they were built in, dark blue first, yellow last), the widest gap as a red circle
// around the probe point farthest from every clone, and the figures in a legend beside it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/scatter_quality.h"

namespace zelkor::io {
class SaveGroup;
}

namespace zelkor::cli {

enum class PlotFormat { svg, png };

// By the file's extension, in any case; none for another extension.
std::optional<PlotFormat> plot_format(const std::filesystem::path& path);

std::string plot_svg(const ScatterSample& sample, const ScatterQuality& quality);
std::vector<std::uint8_t> plot_png(const ScatterSample& sample, const ScatterQuality& quality);

// Opens `path` in `group` and writes the plot in the format its extension names, so that it is
// published with the run's other outputs or not at all.
void add_plot(io::SaveGroup& group, const std::filesystem::path& path, const ScatterSample& sample,
              const ScatterQuality& quality);

}  // namespace zelkor::cli

// zelkor --info FILE: what a mesh file holds, so that layers can be chosen by number or name.
#pragma once

#include <ostream>
#include <string>

#include "host/document.h"

namespace zelkor::cli {

// Layers (number as a modeller shows it, name, points, polygons by type), vertex maps by type and
// name (with the layers that hold them), and surfaces.
void print_file_info(std::ostream& out, const std::string& path, const host::Document& document);

}  // namespace zelkor::cli

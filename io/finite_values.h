// No output holds a value that is not a number: a clone scaled past the range of a float, or an
// angle of 1e308 degrees, must not become "nan" in a file that other programs then choke on.
#pragma once

#include <filesystem>

#include "host/document.h"

namespace zelkor::io {

// Throws FileError naming `path` and the first point position that is not finite once rounded
// to a float (what every format stores), or the first vertex-map value that is not finite.
void refuse_non_finite(const host::Document& document, const std::filesystem::path& path);

}  // namespace zelkor::io

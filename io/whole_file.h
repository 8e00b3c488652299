// Reading a whole input file into memory, with the one set of messages every reader gives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zelkor::io {

// The file's bytes, read with a few large reads. Throws FileError naming the file: "cannot open:
// <reason>", "cannot read: it is a folder", "cannot read: <reason>".
std::vector<std::uint8_t> read_whole_file(const std::filesystem::path& path);

}  // namespace zelkor::io

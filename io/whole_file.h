// Reading a whole input file into memory, with the one set of messages every reader gives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zelkor::io {

// The file's bytes, read with a few large reads. Only a regular file is read (a FIFO or a device
// could block or never end), and only up to `max_bytes`. Throws FileError naming the file:
// "cannot open: <reason>", "cannot read: it is a folder", "cannot read: not a regular file",
// "cannot read: <size> bytes, more than the <max_bytes> such a file may hold", "cannot read: <reason>".
std::vector<std::uint8_t> read_whole_file(const std::filesystem::path& path,
                                          std::size_t max_bytes = std::size_t(-1));

}  // namespace zelkor::io

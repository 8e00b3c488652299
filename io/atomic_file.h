// Writes a file whole or not at all: the bytes go to a temporary file in the target's folder,
// which is renamed over the target only once everything was written and flushed.
#pragma once

#include <filesystem>
#include <span>
#include <cstdint>
#include <string_view>

namespace zelkor::io {

// Throws FileError naming `path` when the folder is missing or not writable, or the disk is full;
// the target is then left as it was and no temporary file remains.
void write_file_atomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
void write_file_atomically(const std::filesystem::path& path, std::string_view text);

}  // namespace zelkor::io

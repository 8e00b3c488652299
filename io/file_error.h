// The one error every mesh reader and writer throws: a single line that names the file and the fault.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace zelkor::io {

// A system error as every file message words it: "no such file", "permission denied", "disk full".
std::string errno_text(int error);

class FileError : public std::runtime_error {
public:
    FileError(const std::filesystem::path& file, const std::string& fault)
        : std::runtime_error(file.string() + ": " + fault), file_(file) {}
    // A fault in a text file, at a line and column counted from 1: `scene.obj:118:9: fault`.
    FileError(const std::filesystem::path& file, std::size_t line, std::size_t column, const std::string& fault)
        : std::runtime_error(file.string() + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + fault),
          file_(file) {}
    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
};

}  // namespace zelkor::io

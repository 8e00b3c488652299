#include "io/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "io/file_error.h"

namespace zelkor::io {

namespace {

std::string system_fault(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

void write_file_atomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::filesystem::path folder = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    std::string temp_name = ".";
    temp_name.append(path.filename().string()).append(".XXXXXX");
    std::string temp = (folder / temp_name).string();
    int fd = ::mkstemp(temp.data());
    if (fd < 0) throw FileError(path, system_fault("cannot create the output"));
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::string fault = system_fault("cannot write the output");
            ::close(fd);
            ::unlink(temp.c_str());
            throw FileError(path, fault);
        }
        p += n;
        left -= std::size_t(n);
    }
    // mkstemp creates the file readable by its owner only; give it the usual permissions.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        std::string fault = system_fault("cannot write the output");
        ::unlink(temp.c_str());
        throw FileError(path, fault);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::string fault = system_fault("cannot replace the output");
        ::unlink(temp.c_str());
        throw FileError(path, fault);
    }
}

void write_file_atomically(const std::filesystem::path& path, std::string_view text) {
    write_file_atomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace zelkor::io

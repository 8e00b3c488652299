#include "io/whole_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "io/file_error.h"

namespace zelkor::io {

namespace {

// Closes the descriptor however the read ends.
struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

std::string reason() { return errno_text(errno); }

}  // namespace

std::vector<std::uint8_t> read_whole_file(const std::filesystem::path& path, std::size_t max_bytes) {
    // Opened without blocking: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw FileError(path, "cannot open: " + reason());
    Descriptor guard{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0) throw FileError(path, "cannot read: " + reason());
    if (S_ISDIR(status.st_mode)) throw FileError(path, "cannot read: it is a folder");
    if (!S_ISREG(status.st_mode)) throw FileError(path, "cannot read: not a regular file");
    if (std::uint64_t(status.st_size) > max_bytes)
        throw FileError(path, "cannot read: " + std::to_string(status.st_size) + " bytes, more than the " +
                                  std::to_string(max_bytes) + " such a file may hold");

    // The size is a hint: a file that grows or shrinks while it is read is read to its end.
    std::vector<std::uint8_t> bytes(status.st_size > 0 ? std::size_t(status.st_size) : 0);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) bytes.resize(std::max<std::size_t>(bytes.size() * 2, 1 << 16));
        const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw FileError(path, "cannot read: " + reason());
        if (n == 0) break;
        used += std::size_t(n);
        if (used > max_bytes) throw FileError(path, "cannot read: more than the " + std::to_string(max_bytes) + " bytes such a file may hold");
    }
    bytes.resize(used);
    return bytes;
}

}  // namespace zelkor::io

#include "io/file_error.h"

#include <cctype>
#include <cerrno>
#include <cstring>

namespace zelkor::io {

std::string errno_text(int error) {
    switch (error) {
        case ENOENT: return "no such file";
        case EACCES: case EPERM: return "permission denied";
        case ENOSPC: return "disk full";
        case EISDIR: return "it is a folder";
        default: break;
    }
    std::string text = std::strerror(error);
    if (!text.empty()) text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

}  // namespace zelkor::io

// How many whole pages of a range are mapped in (mincore): for tests of memory mapped ahead.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <vector>

inline std::size_t resident_pages(const void* data, std::size_t bytes) {
    const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
    const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(page - 1);
    if (to <= from) return 0;
    std::vector<unsigned char> in((to - from) / page);
    if (::mincore(reinterpret_cast<void*>(from), to - from, in.data()) != 0) return 0;
    std::size_t count = 0;
    for (unsigned char c : in) count += c & 1;
    return count;
}

inline std::size_t whole_pages(std::size_t bytes) { return bytes / std::size_t(::sysconf(_SC_PAGESIZE)); }

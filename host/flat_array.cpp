#include "host/flat_array.h"

#include <sys/mman.h>

namespace zelkor::host::large_block {

namespace {

constexpr std::size_t kGranule = std::size_t(2) << 20;

}  // namespace

std::size_t rounded(std::size_t bytes) { return (bytes + kGranule - 1) / kGranule * kGranule; }

void* allocate(std::size_t bytes) {
    void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    return block;
}

void* grow(void* block, std::size_t old_bytes, std::size_t new_bytes) {
    void* moved = ::mremap(block, old_bytes, new_bytes, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED) throw std::bad_alloc();
    return moved;
}

void release(void* block, std::size_t bytes) { ::munmap(block, bytes); }

}  // namespace zelkor::host::large_block

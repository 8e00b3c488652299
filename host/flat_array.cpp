#include "host/flat_array.h"

#include <sys/mman.h>

namespace zelkor::host::large_block {

namespace {

constexpr std::size_t kHuge = std::size_t(2) << 20;

// A mapping of `bytes` (a multiple of kHuge) starting at a multiple of kHuge, or null: the slack
// of a larger mapping is given back on both sides.
void* map_aligned(std::size_t bytes) {
    void* raw = ::mmap(nullptr, bytes + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kHuge - 1) & ~(kHuge - 1);
    if (aligned > start) ::munmap(raw, aligned - start);
    const std::uintptr_t end = start + bytes + kHuge;
    if (end > aligned + bytes) ::munmap(reinterpret_cast<void*>(aligned + bytes), end - (aligned + bytes));
    return reinterpret_cast<void*>(aligned);
}

}  // namespace

std::size_t rounded(std::size_t bytes) { return (bytes + kHuge - 1) / kHuge * kHuge; }

void* allocate(std::size_t bytes) {
    void* block = map_aligned(bytes);
    if (!block) throw std::bad_alloc();
    return block;
}

void* grow(void* block, std::size_t old_bytes, std::size_t new_bytes) {
    // Moved onto a fresh aligned mapping, which the remap replaces.
    void* target = map_aligned(new_bytes);
    if (!target) throw std::bad_alloc();
    void* moved = ::mremap(block, old_bytes, new_bytes, MREMAP_MAYMOVE | MREMAP_FIXED, target);
    if (moved == MAP_FAILED) {
        ::munmap(target, new_bytes);
        throw std::bad_alloc();
    }
    return moved;
}

void release(void* block, std::size_t bytes) { ::munmap(block, bytes); }

}  // namespace zelkor::host::large_block

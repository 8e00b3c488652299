// An allocator for large arrays read at random: blocks of a few megabytes or more are aligned to
// 2 MB and the system is asked to back them with huge pages where it grants them on request.
//
// The placement looks up a spatial grid and a table of polygons at random places, a few million
// times per run. With 4 KB pages nearly every lookup also misses the address translation cache,
// which on a virtual machine costs about as much as the memory access itself.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace zelkor {

template <class T>
struct huge_page_allocator {
    using value_type = T;
    static constexpr std::size_t kHuge = std::size_t(2) << 20;

    huge_page_allocator() = default;
    template <class U>
    huge_page_allocator(const huge_page_allocator<U>&) {}

    T* allocate(std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        const bool large = bytes >= 2 * kHuge;
        // aligned_alloc wants a size that is a multiple of the alignment.
        const std::size_t alignment = large ? kHuge : std::max(alignof(T), alignof(std::max_align_t));
        const std::size_t rounded = (std::max<std::size_t>(bytes, 1) + alignment - 1) / alignment * alignment;
        void* p = std::aligned_alloc(alignment, rounded);
        if (!p) throw std::bad_alloc();
        if (large) ::madvise(p, rounded, MADV_HUGEPAGE);
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t) { std::free(p); }

    template <class U>
    bool operator==(const huge_page_allocator<U>&) const { return true; }
};

}  // namespace zelkor

#include "util/page_prefault.h"

#include <algorithm>
#include <cstdint>

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace zelkor {

namespace {

#ifndef MADV_POPULATE_WRITE
constexpr int MADV_POPULATE_WRITE = 23;  // Linux 5.14
#endif

// Slices per range: fine enough to keep arrays that grow together mapped together, coarse
// enough to take huge pages whole.
constexpr std::size_t kSlices = 32;

// Below this the thread is not worth starting.
constexpr std::size_t kWorthwhile = std::size_t(4) << 20;

// The mapping thread runs at the largest niceness: on a machine with few cores it uses what the
// working threads leave idle instead of taking turns with them. (Raising it needs no privilege; a
// failure only keeps the priority.)
void lower_this_threads_priority() { ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19); }

}  // namespace

page_prefault::page_prefault(std::vector<std::span<std::byte>> ranges) {
    std::size_t total = 0;
    for (std::span<std::byte> range : ranges) total += range.size();
    if (total < kWorthwhile) return;
    thread_ = std::thread([this, ranges = std::move(ranges)] {
        lower_this_threads_priority();
        const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
        for (std::size_t slice = 0; slice < kSlices; ++slice) {
            for (std::span<std::byte> range : ranges) {
                if (stop_.load(std::memory_order_relaxed)) return;
                // Slice bounds rounded down to pages tile the range's whole pages without a gap.
                const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(range.data());
                const std::uintptr_t first = (start + page - 1) & ~(page - 1);
                const std::uintptr_t from = std::max(first, (start + range.size() * slice / kSlices) & ~(page - 1));
                const std::uintptr_t to = (start + range.size() * (slice + 1) / kSlices) & ~(page - 1);
                // A kernel without the request refuses it: the filling thread then maps the pages.
                if (from < to && ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE) != 0) return;
            }
        }
    });
}

page_prefault::~page_prefault() {
    stop_ = true;
    wait();
}

void page_prefault::wait() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace zelkor

#include "host/page_warmer.h"

#include <algorithm>
#include <memory>

#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace zelkor::host {

namespace {

#ifndef MADV_POPULATE_WRITE
constexpr int MADV_POPULATE_WRITE = 23;  // Linux 5.14
#endif

// A step small enough to stop soon when asked and to hold the memory map only briefly.
constexpr std::size_t kStep = std::size_t(2) << 20;

// Maps the whole pages inside `range`, a step at a time; false when stopped or refused (a kernel
// without the request refuses it: the edits then fault the pages in).
bool populate(std::span<std::byte> range, std::uintptr_t page, const std::atomic<bool>& stop) {
    std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(range.data()) + page - 1) & ~(page - 1);
    const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(range.data()) + range.size()) & ~(page - 1);
    for (; from < to; from += kStep) {
        if (stop.load(std::memory_order_relaxed)) return false;
        if (::madvise(reinterpret_cast<void*>(from), std::min<std::uintptr_t>(kStep, to - from), MADV_POPULATE_WRITE) != 0)
            return false;
    }
    return true;
}

std::uintptr_t page_size() { return std::uintptr_t(::sysconf(_SC_PAGESIZE)); }

// The warmers run at the largest niceness: on a machine with few cores they use what the editing
// leaves idle instead of taking turns with it. (Raising it needs no privilege; a failure only
// keeps the priority.)
void lower_this_threads_priority() { ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19); }

template <class T>
void reserve_more(FlatArray<T>& array, std::uint64_t more, std::vector<std::span<std::byte>>& ranges) {
    array.reserve(array.size() + std::size_t(more));
    ranges.push_back(array.spare_bytes());
}

}  // namespace

void PageWarmer::start() {
    if (thread_.joinable()) return;
    // While the warmer maps, a thread that grows the heap waits for it (brk takes the memory map
    // for writing): the heap then grows in large steps, so that the editing thread, whose
    // vertex maps start small on the heap, seldom asks. Untouched room costs nothing.
    ::mallopt(M_TOP_PAD, 64 << 20);
    thread_ = std::thread([this, ranges = std::move(ranges_), page = page_size()] {
        lower_this_threads_priority();
        for (std::span<std::byte> range : ranges)
            if (!populate(range, page, stop_)) return;
    });
}

PageWarmer::~PageWarmer() {
    stop_ = true;
    wait();
}

void PageWarmer::wait() {
    if (thread_.joinable()) thread_.join();
}

AheadWarmer::~AheadWarmer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    posted_.notify_one();
    if (thread_.joinable()) thread_.join();
}

void AheadWarmer::post(std::span<std::byte> range) {
    {
        std::lock_guard lock(mutex_);
        ranges_.push_back(range);
    }
    posted_.notify_one();
    if (thread_.joinable()) return;
    thread_ = std::thread([this, page = page_size()] {
        lower_this_threads_priority();
        for (;;) {
            std::span<std::byte> range;
            {
                std::unique_lock lock(mutex_);
                posted_.wait(lock, [&] { return stop_ || !ranges_.empty(); });
                if (stop_) return;
                range = ranges_.front();
                ranges_.pop_front();
            }
            populate(range, page, stop_);
        }
    });
}

std::unique_ptr<PageWarmer> warm_layer_growth(Layer& layer, const LayerGrowth& growth) {
    std::vector<std::span<std::byte>> ranges;
    // In the order the edits fill them, the largest first.
    reserve_more(layer.positions, 3 * growth.points, ranges);
    reserve_more(layer.poly_points, growth.corners, ranges);
    reserve_more(layer.poly_start, growth.polygons, ranges);
    reserve_more(layer.poly_type, growth.polygons, ranges);
    for (PolygonTags& tags : layer.poly_tags) reserve_more(tags.values, growth.polygons, ranges);
    reserve_more(layer.poly_flag_bits, growth.polygons, ranges);
    reserve_more(layer.poly_selected, growth.polygons, ranges);
    return std::make_unique<PageWarmer>(std::move(ranges));
}

}  // namespace zelkor::host

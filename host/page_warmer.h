// Maps the pages of memory set aside for a coming edit, on another thread, while the module is
// still working out what to add.
//
// A million clones grow the layer's arrays by a few hundred megabytes. Every fresh page costs the
// thread that first writes it a fault and the kernel's zeroing (on a virtual machine, often also
// the hypervisor's backing), and that thread is the one applying the edits. Reserved in advance and
// mapped on an otherwise idle core, the pages are there when the edits arrive. Mapping does not
// write the memory, so the edits may start while the warmer still runs.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <cstddef>
#include <cstdint>
#include <span>
#include <thread>
#include <vector>

#include "host/document.h"

namespace zelkor::host {

class PageWarmer {
public:
    // The pages of `ranges` (each rounded inwards to whole pages), to be mapped from start().
    explicit PageWarmer(std::vector<std::span<std::byte>> ranges) : ranges_(std::move(ranges)) {}
    ~PageWarmer();  // stops early and waits
    PageWarmer(const PageWarmer&) = delete;
    PageWarmer& operator=(const PageWarmer&) = delete;

    // Starts the mapping thread (once). Best called when the other core has nothing better to do:
    // mapping holds the process's memory map for reading, so a thread that maps or unmaps memory
    // meanwhile (a module reading a large target allocates in small steps) waits for it.
    void start();
    void wait();  // until every page is mapped (after start)

private:
    std::vector<std::span<std::byte>> ranges_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Maps ranges handed over one by one while the edits run, for arrays whose growth is not known
// in advance (a vertex map fills as the clones come): each is given a window ahead of where it
// fills. A range may be stale by the time it is mapped (its array moved on growing); mapping
// never changes what memory holds, so that costs at most a window of memory never used.
class AheadWarmer {
public:
    AheadWarmer() = default;
    ~AheadWarmer();  // stops early and waits
    AheadWarmer(const AheadWarmer&) = delete;
    AheadWarmer& operator=(const AheadWarmer&) = delete;

    void post(std::span<std::byte> range);  // starts the thread on the first range

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::span<std::byte>> ranges_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// What a layer is expected to grow by.
struct LayerGrowth {
    std::uint64_t points = 0;
    std::uint64_t polygons = 0;
    std::uint64_t corners = 0;  // point references of the new polygons
};

// Reserves room for `growth` in the layer's point and polygon arrays (tags included) and returns
// a warmer for it, not yet started. Growth beyond the room while it runs is fine; shrinking the
// arrays is not.
std::unique_ptr<PageWarmer> warm_layer_growth(Layer& layer, const LayerGrowth& growth);

}  // namespace zelkor::host

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
#include <memory>
#include <cstddef>
#include <cstdint>
#include <span>
#include <thread>
#include <vector>

#include "host/document.h"

namespace zelkor::host {

class PageWarmer {
public:
    // Starts mapping the pages of `ranges` (each rounded inwards to whole pages).
    explicit PageWarmer(std::vector<std::span<std::byte>> ranges);
    ~PageWarmer();  // stops early and waits
    void wait();    // until every page is mapped
    PageWarmer(const PageWarmer&) = delete;
    PageWarmer& operator=(const PageWarmer&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// What a layer is expected to grow by.
struct LayerGrowth {
    std::uint64_t points = 0;
    std::uint64_t polygons = 0;
    std::uint64_t corners = 0;  // point references of the new polygons
};

// Reserves room for `growth` in the layer's point and polygon arrays (tags included) and starts
// mapping it. The arrays must not be reallocated while the warmer runs, so growth beyond the
// reservation is fine but shrinking them is not.
std::unique_ptr<PageWarmer> warm_layer_growth(Layer& layer, const LayerGrowth& growth);

}  // namespace zelkor::host

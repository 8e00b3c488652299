// Maps, on another thread, the pages of arrays that are about to be filled.
//
// A fresh page costs the thread that first writes it a fault and the kernel's zeroing (on a
// virtual machine often the hypervisor's backing as well): tens of microseconds per huge page.
// Arrays reserved in full and mapped ahead on the other core spare the filling thread that cost.
// Mapping writes nothing, so the filling may go on meanwhile, and a range that is freed early
// only makes the mapping fail and stop.
#pragma once

#include <atomic>
#include <cstddef>
#include <span>
#include <thread>
#include <vector>

namespace zelkor {

class page_prefault {
public:
    // Starts mapping the whole pages inside `ranges`. The ranges advance together, a slice of
    // each in turn, for arrays that grow side by side.
    explicit page_prefault(std::vector<std::span<std::byte>> ranges);
    ~page_prefault();  // stops early and waits
    void wait();       // until every page is mapped
    page_prefault(const page_prefault&) = delete;
    page_prefault& operator=(const page_prefault&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The bytes between a reserved vector's end and its capacity: where it grows next.
template <class Vector>
std::span<std::byte> spare_capacity(Vector& v) {
    return {reinterpret_cast<std::byte*>(v.data() + v.size()), (v.capacity() - v.size()) * sizeof(v[0])};
}

}  // namespace zelkor

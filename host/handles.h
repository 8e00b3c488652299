// Point and polygon handles as the module sees them.
//
// A handle encodes the layer's index in Document::layers and the element's index in that layer, so
// turning a handle back into an element is arithmetic, never a search. One is added so that no
// handle is null (the module treats null as "none").
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/host_api.h"

namespace zelkor::host {

struct ElementRef {
    std::uint32_t layer = 0;  // index in Document::layers
    std::uint32_t index = 0;  // point or polygon index in that layer
};

inline std::uintptr_t encode_element(ElementRef ref) {
    static_assert(sizeof(std::uintptr_t) >= 8, "handles need 64-bit pointers");
    return ((std::uintptr_t(ref.layer) << 32) | ref.index) + 1;
}

inline ElementRef decode_element(std::uintptr_t bits) {
    bits -= 1;
    return {std::uint32_t(bits >> 32), std::uint32_t(bits & 0xFFFFFFFFu)};
}

inline LWPntID point_handle(ElementRef ref) { return reinterpret_cast<LWPntID>(encode_element(ref)); }
inline LWPolID polygon_handle(ElementRef ref) { return reinterpret_cast<LWPolID>(encode_element(ref)); }

// Only meaningful for non-null handles; the session checks the result against the document.
inline ElementRef point_ref(LWPntID point) { return decode_element(reinterpret_cast<std::uintptr_t>(point)); }
inline ElementRef polygon_ref(LWPolID polygon) { return decode_element(reinterpret_cast<std::uintptr_t>(polygon)); }

}  // namespace zelkor::host

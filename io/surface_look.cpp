#include "io/surface_look.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace zelkor::io {

namespace {

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool skip_s0() {  // a NUL-ended name, padded to an even length
        const void* nul = std::memchr(data_ + at_, 0, size_ - at_);
        if (!nul) return false;
        at_ = std::size_t(static_cast<const std::uint8_t*>(nul) - data_) + 1;
        at_ += at_ & 1;
        return at_ <= size_;
    }
    bool u2(std::uint16_t& value) {
        if (size_ - at_ < 2) return false;
        value = std::uint16_t(data_[at_] << 8 | data_[at_ + 1]);
        at_ += 2;
        return true;
    }
    bool f4(float& value) {
        if (size_ - at_ < 4) return false;
        std::uint32_t bits = 0;
        for (int k = 0; k < 4; ++k) bits = bits << 8 | data_[at_ + std::size_t(k)];
        at_ += 4;
        value = std::bit_cast<float>(bits);
        return std::isfinite(value);
    }
    bool id4(std::uint32_t& value) {
        if (size_ - at_ < 4) return false;
        value = std::uint32_t(data_[at_]) << 24 | std::uint32_t(data_[at_ + 1]) << 16 | std::uint32_t(data_[at_ + 2]) << 8 | data_[at_ + 3];
        at_ += 4;
        return true;
    }
    Reader sub(std::size_t length) const { return Reader(data_ + at_, std::min(length, size_ - at_)); }
    void skip(std::size_t length) { at_ = std::min(size_, at_ + length + (length & 1)); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

constexpr std::uint32_t id(const char (&text)[5]) {
    return std::uint32_t(std::uint8_t(text[0])) << 24 | std::uint32_t(std::uint8_t(text[1])) << 16 |
           std::uint32_t(std::uint8_t(text[2])) << 8 | std::uint8_t(text[3]);
}

}  // namespace

SurfaceLook surface_look(const host::Surface* surface) {
    SurfaceLook look;
    if (!surface || surface->lwo2_data.empty()) return look;
    Reader in(surface->lwo2_data.data(), surface->lwo2_data.size());
    if (!in.skip_s0() || !in.skip_s0()) return look;  // name, source
    std::uint32_t chunk = 0;
    std::uint16_t length = 0;
    while (in.id4(chunk) && in.u2(length)) {
        Reader body = in.sub(length);
        float f = 0;
        std::uint16_t sides = 0;
        if (chunk == id("COLR")) {
            std::array<float, 3> rgb{};
            if (body.f4(rgb[0]) && body.f4(rgb[1]) && body.f4(rgb[2])) look.colour = rgb;
        } else if (chunk == id("DIFF") && body.f4(f)) {
            look.diffuse = f;
        } else if (chunk == id("SPEC") && body.f4(f)) {
            look.specular = f;
        } else if (chunk == id("SMAN") && body.f4(f)) {
            look.smoothing_angle = f;
        } else if (chunk == id("SIDE") && body.u2(sides)) {
            look.double_sided = sides == 3;
        }
        in.skip(length);
    }
    return look;
}

SurfaceLooks::SurfaceLooks(const host::Document& document) {
    for (const host::Surface& surface : document.surfaces) by_name_.emplace(surface.name, &surface);
}

SurfaceLook SurfaceLooks::operator()(std::string_view name) const {
    const auto it = by_name_.find(name);
    return surface_look(it == by_name_.end() ? nullptr : it->second);
}

}  // namespace zelkor::io

// A growable array of trivially copyable elements in one malloc'ed block: the storage of the
// document's per-point and per-polygon arrays.
//
// A scene grows by millions of elements while a session runs. std::vector grows by allocating a
// larger block and copying into it, so for a moment both blocks are resident and every page is
// written twice. This array grows with realloc, which for a large block remaps its pages instead
// (glibc keeps large blocks in their own mappings and moves them with mremap): nothing is copied,
// and the old and the new block never coexist.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <new>
#include <span>
#include <type_traits>
#include <vector>

namespace zelkor::host {

// Blocks of large arrays: their own mappings, aligned to 2 MB (where huge pages would go, should
// the system give them unasked). Growing one remaps its pages to a new aligned place: nothing is
// copied. They are not advised to use huge pages: the document's arrays are filled in order, not
// read at random, and a fresh huge page costs a virtual machine far more to back than the same
// memory in small pages (on ours, 0.4 to 0.6 GB/s against 2 to 2.8 GB/s, unless the memory was
// freed within the last two seconds); the warmers map them ahead of the edits anyway.
namespace large_block {
constexpr std::size_t kThreshold = std::size_t(4) << 20;  // smaller blocks come from malloc
std::size_t rounded(std::size_t bytes);                     // what a block of `bytes` really holds
void* allocate(std::size_t bytes);                          // bytes already rounded; zero-filled
void* grow(void* block, std::size_t old_bytes, std::size_t new_bytes);
void release(void* block, std::size_t bytes);
}  // namespace large_block

template <class T>
class FlatArray {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved with memcpy and realloc");

public:
    using value_type = T;
    using size_type = std::size_t;
    using iterator = T*;
    using const_iterator = const T*;

    FlatArray() = default;
    explicit FlatArray(std::size_t count, const T& value = T()) { assign(count, value); }
    FlatArray(std::initializer_list<T> values) { append(values.begin(), values.size()); }
    template <class Iterator, class = typename std::iterator_traits<Iterator>::iterator_category>
    FlatArray(Iterator first, Iterator last) { assign(first, last); }
    FlatArray(const FlatArray& other) { append(other.data_, other.size_); }
    FlatArray(FlatArray&& other) noexcept : data_(other.data_), size_(other.size_), capacity_(other.capacity_) {
        other.data_ = nullptr;
        other.size_ = other.capacity_ = 0;
    }
    FlatArray& operator=(const FlatArray& other) {
        if (this != &other) {
            clear();
            append(other.data_, other.size_);
        }
        return *this;
    }
    FlatArray& operator=(FlatArray&& other) noexcept {
        if (this != &other) {
            release();
            data_ = other.data_;
            size_ = other.size_;
            capacity_ = other.capacity_;
            other.data_ = nullptr;
            other.size_ = other.capacity_ = 0;
        }
        return *this;
    }
    ~FlatArray() { release(); }

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }
    T& operator[](std::size_t i) {
        assert(i < size_);
        return data_[i];
    }
    const T& operator[](std::size_t i) const {
        assert(i < size_);
        return data_[i];
    }
    // The bytes between the end and the capacity: where the array grows next.
    std::span<std::byte> spare_bytes() {
        return {reinterpret_cast<std::byte*>(data_ + size_), (capacity_ - size_) * sizeof(T)};
    }
    T& front() { return (*this)[0]; }
    T& back() { return (*this)[size_ - 1]; }
    const T& front() const { return (*this)[0]; }
    const T& back() const { return (*this)[size_ - 1]; }

    void reserve(std::size_t count) {
        if (count > capacity_) reallocate(count);
    }
    void clear() { size_ = 0; }
    void resize(std::size_t count) { resize(count, T()); }
    void resize(std::size_t count, const T& value) {
        if (count > size_) {
            grow_for(count);
            std::fill(data_ + size_, data_ + count, value);
        }
        size_ = count;
    }
    void assign(std::size_t count, const T& value) {
        clear();
        resize(count, value);
    }
    template <class Iterator>
    void assign(Iterator first, Iterator last) {
        clear();
        grow_for(std::size_t(std::distance(first, last)));
        for (; first != last; ++first) data_[size_++] = *first;
    }
    void push_back(const T& value) {
        if (size_ == capacity_) grow_for(size_ + 1);
        data_[size_++] = value;
    }
    void pop_back() { --size_; }
    // Appends `count` elements; `values` must not point into this array.
    void append(const T* values, std::size_t count) {
        if (count == 0) return;
        grow_for(size_ + count);
        std::memcpy(static_cast<void*>(data_ + size_), values, count * sizeof(T));
        size_ += count;
    }
    // Insertion anywhere, as std::vector offers; the document only ever appends.
    template <class Iterator>
    T* insert(const T* position, Iterator first, Iterator last) {
        const std::size_t at = std::size_t(position - data_);
        const std::size_t count = std::size_t(std::distance(first, last));
        grow_for(size_ + count);
        std::memmove(static_cast<void*>(data_ + at + count), data_ + at, (size_ - at) * sizeof(T));
        for (std::size_t k = 0; k < count; ++k, ++first) data_[at + k] = *first;
        size_ += count;
        return data_ + at;
    }
    T* insert(const T* position, std::initializer_list<T> values) {
        return insert(position, values.begin(), values.end());
    }
    T* erase(const T* first, const T* last) {
        const std::size_t at = std::size_t(first - data_), count = std::size_t(last - first);
        std::memmove(static_cast<void*>(data_ + at), data_ + at + count, (size_ - at - count) * sizeof(T));
        size_ -= count;
        return data_ + at;
    }
    void shrink_to_fit() {
        if (size_ < capacity_) reallocate(size_);
    }

    friend bool operator==(const FlatArray& a, const FlatArray& b) {
        return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
    }
    friend bool operator==(const FlatArray& a, const std::vector<T>& b) {
        return a.size_ == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }

private:
    void grow_for(std::size_t count) {
        if (count > capacity_) reallocate(std::max(count, capacity_ * 2));
    }
    void release() {
        if (large())
            large_block::release(data_, capacity_ * sizeof(T));
        else
            std::free(data_);
        data_ = nullptr;
        capacity_ = 0;
    }
    bool large() const { return capacity_ * sizeof(T) >= large_block::kThreshold; }
    void reallocate(std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < large_block::kThreshold) {
            if (large()) {
                T* small = static_cast<T*>(std::malloc(bytes ? bytes : 1));
                if (!small) throw std::bad_alloc();
                std::memcpy(static_cast<void*>(small), data_, std::min(size_, count) * sizeof(T));
                large_block::release(data_, capacity_ * sizeof(T));
                data_ = small;
            } else if (count == 0) {
                std::free(data_);
                data_ = nullptr;
            } else {
                void* grown = std::realloc(data_, bytes);
                if (!grown) throw std::bad_alloc();
                data_ = static_cast<T*>(grown);
            }
            capacity_ = count;
            return;
        }
        const std::size_t block = large_block::rounded(bytes);
        if (large()) {
            data_ = static_cast<T*>(large_block::grow(data_, capacity_ * sizeof(T), block));
        } else {
            T* big = static_cast<T*>(large_block::allocate(block));
            if (size_ > 0) std::memcpy(static_cast<void*>(big), data_, size_ * sizeof(T));
            std::free(data_);
            data_ = big;
        }
        capacity_ = block / sizeof(T);
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace zelkor::host

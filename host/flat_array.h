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
#include <type_traits>
#include <vector>

#include <sys/mman.h>

namespace zelkor::host {

// Large arrays ask for huge pages, where the system grants them on request: a million-clone scene
// then costs a few hundred page faults instead of a hundred thousand. The advice follows the
// block when realloc remaps it.
inline void advise_huge_pages(void* block, std::size_t bytes) {
    constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
    if (bytes < 2 * kHuge) return;
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(block) + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kHuge - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

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
            std::free(data_);
            data_ = other.data_;
            size_ = other.size_;
            capacity_ = other.capacity_;
            other.data_ = nullptr;
            other.size_ = other.capacity_ = 0;
        }
        return *this;
    }
    ~FlatArray() { std::free(data_); }

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
    void reallocate(std::size_t count) {
        if (count == 0) {
            std::free(data_);
            data_ = nullptr;
            capacity_ = 0;
            return;
        }
        void* grown = std::realloc(data_, count * sizeof(T));
        if (!grown) throw std::bad_alloc();
        data_ = static_cast<T*>(grown);
        capacity_ = count;
        advise_huge_pages(grown, count * sizeof(T));
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace zelkor::host

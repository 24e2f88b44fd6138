// The growth rule shared by the framework array and the array of doubles: a resize within the capacity never
// reallocates; a growth adds the stored step, or (step 0) one eighth of the size held between 4 and 1024; every
// element that becomes part of the array is zero. Memory exhaustion raises std::bad_alloc with the array unchanged.
// Buffers come from malloc/realloc, so that a growth of a large buffer can remap pages instead of copying them:
// with the step capped at 1024 elements, growing an array by Add is otherwise quadratic.
#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace xrddata::platform {

inline void* ArrayAllocate(size_t bytes) {
    void* p = std::malloc(bytes ? bytes : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

inline void ArrayFree(void* p) { std::free(p); }

template <class T>
void ArraySetSize(T*& data, int& size, int& maxSize, int& growBy, int newSize, int newGrowBy) {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved as raw memory");
    if (newGrowBy != -1) growBy = newGrowBy;
    if (newSize <= 0) {
        std::free(data);
        data = nullptr;
        size = maxSize = 0;
        return;
    }
    if (!data) {
        data = static_cast<T*>(ArrayAllocate(sizeof(T) * static_cast<size_t>(newSize)));
        std::memset(static_cast<void*>(data), 0, sizeof(T) * static_cast<size_t>(newSize));
        size = maxSize = newSize;
        return;
    }
    if (newSize <= maxSize) {
        if (newSize > size)
            std::memset(static_cast<void*>(data + size), 0, sizeof(T) * static_cast<size_t>(newSize - size));
        size = newSize;
        return;
    }
    int step = growBy;
    if (step == 0) {
        step = size / 8;
        if (step < 4) step = 4;
        if (step > 1024) step = 1024;
    }
    long long wanted = static_cast<long long>(maxSize) + step;
    int newMax = wanted > newSize ? static_cast<int>(wanted > 0x7fffffff ? 0x7fffffff : wanted) : newSize;
    void* grown = std::realloc(data, sizeof(T) * static_cast<size_t>(newMax));
    if (!grown) throw std::bad_alloc();  // the old buffer is still intact
    T* fresh = static_cast<T*>(grown);
    std::memset(static_cast<void*>(fresh + size), 0, sizeof(T) * static_cast<size_t>(newSize - size));
    data = fresh;
    size = newSize;
    maxSize = newMax;
}

// Moves the elements into a buffer of exactly `size` elements (none when empty).
template <class T>
void ArrayFreeExtra(T*& data, int size, int& maxSize) {
    if (size == maxSize) return;
    T* fresh = nullptr;
    if (size > 0) {
        fresh = static_cast<T*>(ArrayAllocate(sizeof(T) * static_cast<size_t>(size)));
        std::memcpy(static_cast<void*>(fresh), data, sizeof(T) * static_cast<size_t>(size));
    }
    std::free(data);
    data = fresh;
    maxSize = size;
}

}  // namespace xrddata::platform

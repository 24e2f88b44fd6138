// The library's own hand-over of point-set columns, for the bulk moves that a copy through the public members would
// hold twice: the import fills a pattern one column at a time (releasing each column it read as soon as it is in),
// and a pattern read into a temporary passes its columns on instead of copying them. Internal to the library: not
// in the umbrella header, not exported.
#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "xrddata/arrays/graphdata.h"
#include "xrddata/platform/arraygrow.h"

// A column filled value by value in storage that a CdblArray can take over (malloc'd, not zeroed first): readers
// fill a pattern's columns through it without an intermediate copy. The interface is the part of std::vector the
// readers use.
class GrowColumn {
public:
    GrowColumn() = default;
    ~GrowColumn() { xrddata::platform::ArrayFree(data_); }
    GrowColumn(const GrowColumn&) = delete;
    GrowColumn& operator=(const GrowColumn&) = delete;

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    const double* data() const { return data_; }
    const double* begin() const { return data_; }
    const double* end() const { return data_ + size_; }
    void reserve(std::size_t n) {
        if (n > capacity_) Regrow(n);
    }
    void push_back(double v) {
        if (size_ == capacity_) Regrow(capacity_ < 4096 ? 4096 : 2 * capacity_);
        data_[size_++] = v;
    }

private:
    friend struct CGraphDataColumns;
    void Regrow(std::size_t room) {
        // A CdblArray holds at most INT_MAX elements.
        if (room > 0x7fffffffu) room = 0x7fffffffu;
        if (room <= size_) throw std::bad_alloc();
        void* grown = std::realloc(data_, sizeof(double) * room);
        if (!grown) throw std::bad_alloc();
        data_ = static_cast<double*>(grown);
        capacity_ = room;
    }

    double* data_ = nullptr;
    std::size_t size_ = 0, capacity_ = 0;
};

struct CGraphDataColumns {
    // The column of p: x, y or the stored errors (which the point set uses only in custom-error mode).
    static CdblArray& Column(CGraphData& g, CGraphData::Prop p) {
        switch (p) {
            case CGraphData::X: return g.m_X;
            case CGraphData::Y: return g.m_Y;
            default: return g.m_YError;
        }
    }

    // Exchanges the elements of two arrays (buffer, size and capacity); each keeps its share name, its sharing
    // state and its growth step.
    static void SwapElements(CdblArray& a, CdblArray& b) noexcept {
        std::swap(a.m_pData, b.m_pData);
        std::swap(a.m_nSize, b.m_nSize);
        std::swap(a.m_nMaxSize, b.m_nMaxSize);
    }

    // Makes a hold the n doubles at from (n zeros when from is null) in a buffer of exactly n, as SetSize(n) and a
    // copy would, but writing each element once. Memory exhaustion raises std::bad_alloc with a unchanged.
    static void Assign(CdblArray& a, const double* from, int n) {
        if (n <= 0) {
            a.SetSize(0, -1);
            return;
        }
        const std::size_t bytes = sizeof(double) * static_cast<std::size_t>(n);
        auto* data = static_cast<double*>(xrddata::platform::ArrayAllocate(bytes));
        if (from) std::memcpy(data, from, bytes);
        else std::memset(data, 0, bytes);
        xrddata::platform::ArrayFree(a.m_pData);
        a.m_pData = data;
        a.m_nSize = a.m_nMaxSize = n;
    }

    // Makes a hold the values of c in c's own buffer, shrunk to them (a shrink keeps the values where they are);
    // c is left empty.
    static void Adopt(CdblArray& a, GrowColumn& c) {
        if (c.size_ == 0) {
            a.SetSize(0, -1);
            return;
        }
        std::size_t room = c.capacity_;
        if (c.size_ < room) {
            // Should the shrink fail, the larger buffer serves as well.
            if (void* shrunk = std::realloc(c.data_, sizeof(double) * c.size_)) {
                c.data_ = static_cast<double*>(shrunk);
                room = c.size_;
            }
        }
        xrddata::platform::ArrayFree(a.m_pData);
        a.m_pData = c.data_;
        a.m_nSize = static_cast<int>(c.size_);
        a.m_nMaxSize = static_cast<int>(room);
        c.data_ = nullptr;
        c.size_ = c.capacity_ = 0;
    }
};

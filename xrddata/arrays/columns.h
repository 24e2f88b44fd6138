// The library's own hand-over of point-set columns, for the bulk moves that a copy through the public members would
// hold twice: the import fills a pattern one column at a time (releasing each column it read as soon as it is in),
// and a pattern read into a temporary passes its columns on instead of copying them. Internal to the library: not
// in the umbrella header, not exported.
#pragma once

#include <cstring>
#include <utility>

#include "xrddata/arrays/graphdata.h"
#include "xrddata/platform/arraygrow.h"

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
};

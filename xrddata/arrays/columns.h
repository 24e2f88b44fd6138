// The library's own hand-over of point-set columns, for the bulk moves that a copy through the public members would
// hold twice: the import fills a pattern one column at a time (releasing each column it read as soon as it is in),
// and a pattern read into a temporary passes its columns on instead of copying them. Internal to the library: not
// in the umbrella header, not exported.
#pragma once

#include <utility>

#include "xrddata/arrays/graphdata.h"

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
};

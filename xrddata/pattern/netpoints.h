// The background-subtracted points of a pattern for writing, without a copy of the points: the columns the writers
// take, over the pattern's own x, y and errors with the stored background's y to take off. The numbers written are
// those of CXRDData::GetBackgroundSubtracted (the counts less the background, below 0 made 0; the errors of the
// counts before subtraction).
#pragma once

#include "xrddata/arrays/graphdata.h"
#include "xrddata/arrays/pointfile.h"

class CXRDData;

class XRDDATA_API CNetPoints {
public:
    // The pattern and its background must stay unchanged while the columns are used.
    explicit CNetPoints(CXRDData& pattern);
    CNetPoints(const CNetPoints&) = delete;
    CNetPoints& operator=(const CNetPoints&) = delete;

    const PointColumnsSource& Columns() const { return m_columns; }

private:
    // Used only when the pattern's own columns cannot serve: errors derived from the counts rather than stored,
    // or a background of fewer points than the pattern.
    CGraphData m_copy;
    PointColumnsSource m_columns;
};

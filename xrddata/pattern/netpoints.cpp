#include "xrddata/pattern/netpoints.h"

#include "xrddata/pattern/xrddata.h"

CNetPoints::CNetPoints(CXRDData& pattern) {
    const int n = pattern.GetSize();
    const int nb = pattern.m_Background.GetSize();
    if (nb == 0) {
        m_columns = ColumnsOf(pattern);
        return;
    }
    if (!pattern.IsCustomErrors() || nb < n) {
        m_copy = pattern.GetBackgroundSubtracted();
        m_columns = ColumnsOf(m_copy);
        return;
    }
    m_columns = ColumnsOf(pattern);
    m_columns.subtract = ColumnsOf(pattern.m_Background).y;
}

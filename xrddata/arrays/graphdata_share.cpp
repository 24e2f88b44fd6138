// CGraphData: sharing the x, y and error columns with other processes as three named blocks (one per column,
// named after the column), and handing a column out as a VARIANT safe array.
#include <algorithm>

#include "xrddata/arrays/graphdata.h"

int CGraphData::Share(int bErrors) {
    if (bErrors && !m_bCustomErrors) SetCustomErrors();
    int ok = m_X.Share() && m_Y.Share();
    if (ok && bErrors) ok = m_YError.Share();
    if (!bErrors) m_YError.ShareEnd();
    return ok ? 1 : 0;
}

int CGraphData::IsSharing() { return m_X.IsSharing() && m_Y.IsSharing() ? 1 : 0; }

int CGraphData::IsSharingValid() {
    return m_X.IsSharingValid() && m_Y.IsSharingValid() && m_YError.IsSharingValid() ? 1 : 0;
}

unsigned CGraphData::NShared() { return m_X.NShared(); }

void CGraphData::ShareRefresh(CdblArray::ShareDirection dir) {
    if (!IsSharingValid()) return;
    m_X.ShareRefresh(dir);
    m_Y.ShareRefresh(dir);
    m_YError.ShareRefresh(dir);
    if (dir == CdblArray::ToShared) return;
    // Each column comes back with as many values as its own block holds. A process that shortened one column
    // more than another would leave points without partners; keep the points all columns have.
    int n = std::min(m_X.GetSize(), m_Y.GetSize());
    if (m_bCustomErrors) n = std::min(n, m_YError.GetSize());
    if (m_X.GetSize() != n) m_X.SetSize(n, -1);
    if (m_Y.GetSize() != n) m_Y.SetSize(n, -1);
    if (m_bCustomErrors && m_YError.GetSize() != n) m_YError.SetSize(n, -1);
    // Counting statistics keep no error column.
    if (!m_bCustomErrors && m_YError.GetSize() != 0) {
        m_YError.ShareEnd();
        m_YError.SetSize(0, -1);
    }
}

void CGraphData::ShareEnd() {
    if (!IsSharingValid()) return;
    m_X.ShareEnd();
    m_Y.ShareEnd();
    m_YError.ShareEnd();
}

VARIANT CGraphData::GetSafeArray(Prop p) {
    switch (p) {
        case X: return m_X.GetSafeArray();
        case Y: return m_Y.GetSafeArray();
        case YError:
            if (m_bCustomErrors) return m_YError.GetSafeArray();
            break;
    }
    VARIANT v;
    VariantInit(&v);
    return v;
}

// The diffraction pattern: construction, copying, emptying, the header accessors, the type flag and the original
// data.
#include "xrddata/pattern/xrddata.h"

#include "xrddata/arrays/columns.h"

CXRDData::CXRDData(int bCustomErrors)
    : CGraphData(bCustomErrors),
      m_Background(0),
      m_bPeakData(0),
      m_dBackgroundScale(0.0),
      m_dBackgroundLength(0.0),
      m_bAutoWidth(0),
      m_dDetectedWidth(0.0),  // no width detected yet; the header reset leaves it alone
      m_nWidthType(0),
      m_dFixedWidth(0.0),
      m_dV(0.0),
      m_dU(0.0),
      m_dW(0.0),
      m_dZeroError(0.0),
      m_nCountType(0),
      m_dScaleFactor(0.0),
      m_dEsds(0.0),
      m_nTypeFlag(0),
      m_OriginalData(0) {
    // The date starts as day 0.0 (valid); the header reset makes its status null.
    HeaderInit();
}

CXRDData::CXRDData(int n, const double* x, const double* y, const double* err) : CXRDData(0) {
    CGraphData::Assign(x, y, err, n);
}

CXRDData::CXRDData(const CArray<double, double>& x, const CArray<double, double>& y) : CXRDData(0) {
    Assign(x, y);
}

CXRDData::CXRDData(const CArray<double, double>& x, const CArray<double, double>& y,
                   const CArray<double, double>& err)
    : CXRDData(0) {
    Assign(x, y, err);
}

// Built as a new pattern and then assigned, so the peak flag, "AutoWidth" and the zero error are a new pattern's.
CXRDData::CXRDData(const CXRDData& src) : CXRDData(0) { *this = src; }

// The point set's destructor ends the sharing and releases the columns; the members destroy themselves.
CXRDData::~CXRDData() = default;

void CXRDData::CopyHeader(const CXRDData& src) {
    if (&src == this) return;
    m_nTypeFlag = src.m_nTypeFlag;
    m_strFileName = src.m_strFileName;
    m_strSampleName = src.m_strSampleName;
    m_strSampleInfo = src.m_strSampleInfo;
    m_CollectionDate = src.m_CollectionDate;
    m_Radiation = src.m_Radiation;
    m_OriginalData = src.m_OriginalData;
    m_dBackgroundScale = src.m_dBackgroundScale;
    m_dBackgroundLength = src.m_dBackgroundLength;
    m_dDetectedWidth = src.m_dDetectedWidth;
    m_nWidthType = src.m_nWidthType;
    m_dFixedWidth = src.m_dFixedWidth;
    m_dU = src.m_dU;
    m_dV = src.m_dV;
    m_dW = src.m_dW;
    m_nCountType = src.m_nCountType;
    m_dScaleFactor = src.m_dScaleFactor;
    m_dEsds = src.m_dEsds;
}

template <class Transfer>
void CXRDData::AssignFrom(const CXRDData& src, Transfer transfer) {
    CopyHeader(src);
    transfer(&CXRDData::m_X);
    transfer(&CXRDData::m_Y);
    m_bCustomErrors = src.m_bCustomErrors;
    if (m_bCustomErrors) {
        transfer(&CXRDData::m_YError);
    } else {
        m_YError.ShareEnd();
        m_YError.SetSize(0, -1);
    }
    m_Background = src.m_Background;
    Sort();
}

void CXRDData::Copy(const CXRDData& src) {
    if (&src == this) return;
    AssignFrom(src, [&](CdblArray CGraphData::*column) { (this->*column).Copy(src.*column); });
}

// The columns keep their share names and sharing state; only the elements change hands, as a copy would change
// them.
void CXRDData::TakeOver(CXRDData& src) {
    if (&src == this) return;
    AssignFrom(src,
               [&](CdblArray CGraphData::*column) { CGraphDataColumns::SwapElements(this->*column, src.*column); });
}

CXRDData& CXRDData::operator=(const CXRDData& src) {
    Copy(src);
    return *this;
}

CXRDData& CXRDData::operator+=(const CXRDData& src) {
    CGraphData::Append(src);
    return *this;
}

void CXRDData::RemoveAll() {
    CGraphData::RemoveAll();
    HeaderInit();
}

void CXRDData::HeaderInit() {
    m_nTypeFlag = 0;
    m_strFileName.clear();
    m_strSampleName.clear();
    m_strSampleInfo.clear();
    m_CollectionDate.SetStatus(COleDateTime::null);
    m_Radiation.SetDefaultTarget();
    m_bPeakData = 0;
    m_Background.RemoveAll();
    ReadFactory();
    m_dZeroError = 0.0;
    ReadRegistry();
}

CString CXRDData::GetSampleName() { return m_strSampleName; }

CString CXRDData::GetSampleInfo() { return m_strSampleInfo; }

COleDateTime CXRDData::GetCollectionDate() { return m_CollectionDate; }

double CXRDData::GetZeroError() const { return m_dZeroError; }

int CXRDData::BackgroundExists() { return m_Background.GetSize() > 0 ? 1 : 0; }

int CXRDData::IsKa2Stripped() const { return (m_nTypeFlag & Ka2StrippedBit) ? 1 : 0; }

int CXRDData::IsBackgroundSubtracted() const { return (m_nTypeFlag & BackgroundSubtractedBit) ? 1 : 0; }

void CXRDData::ClearTypeFlag() { m_nTypeFlag = 0; }

// The whole value 1 clears the processing bits: the points are the original data again.
void CXRDData::SetOriginalFlag() {
    m_nTypeFlag = OriginalData;
    m_OriginalData.RemoveAll();
}

void CXRDData::SetKa2Stripped() { m_nTypeFlag |= Ka2StrippedBit; }

void CXRDData::SetBackgroundSubtracted() { m_nTypeFlag |= BackgroundSubtractedBit; }

// The header, the settings and the stored background stay: a background may still exist afterwards although the
// flag no longer says it was subtracted.
void CXRDData::RestoreOriginalData() {
    CGraphData::Copy(m_OriginalData);
    m_nTypeFlag = OriginalData;
    m_OriginalData.RemoveAll();
}

// The flag values 0 and 1 both mean untouched data.
CString CXRDData::GetProcessingHistory() const {
    if (GetSize() == 0) return "No data present\r\n";
    CString text;
    if (m_nTypeFlag & Ka2StrippedBit) text += "K-alpha2 stripped\r\n";
    if (m_nTypeFlag & BackgroundSubtractedBit) text += "Background subtracted\r\n";
    if (!(m_nTypeFlag & (Ka2StrippedBit | BackgroundSubtractedBit))) text += "Original data\r\n";
    return text;
}

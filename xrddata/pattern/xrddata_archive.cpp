// The pattern's archive record, little-endian without padding:
//   magic 0x37241840 (bytes 40 18 24 37), version (int32: 1 is written, 0 and 1 are read),
//   the point-set record, file name, sample name, sample information (strings), collection date,
//   the radiation's own record, the stored background's record,
//   peak flag (int32), background scale, background length (doubles), "AutoWidth" (int32; not in version 0),
//   width type (int32), detected width, fixed width, V, U, W, zero error (doubles), count type (int32),
//   scale factor, esds (doubles), type flag (uint32), the original data's point-set record.
// Loading takes every value as stored: nothing is sorted or recomputed, and the header is not reset first.
#include "xrddata/pattern/xrddata.h"

#include "xrddata/platform/exceptions.h"

namespace {

constexpr std::uint32_t kMagic = 0x37241840u;
constexpr std::int32_t kVersion = 1;

// The point-set record's own signature and version.
constexpr std::uint32_t kPointSetSignature = 0x71811680u;
constexpr std::uint32_t kPointSetVersion = 0;

}  // namespace

void CXRDData::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << kMagic << kVersion;
        CGraphData::Serialize(ar);
        ar << m_strFileName << m_strSampleName << m_strSampleInfo << m_CollectionDate;
        m_Radiation.Serialize(ar);
        m_Background.Serialize(ar);
        ar << static_cast<std::int32_t>(m_bPeakData) << m_dBackgroundScale << m_dBackgroundLength
           << static_cast<std::int32_t>(m_bAutoWidth) << static_cast<std::int32_t>(m_nWidthType) << m_dDetectedWidth
           << m_dFixedWidth << m_dV << m_dU << m_dW << m_dZeroError << static_cast<std::int32_t>(m_nCountType)
           << m_dScaleFactor << m_dEsds << static_cast<std::uint32_t>(m_nTypeFlag);
        m_OriginalData.Serialize(ar);
        return;
    }
    // Both header fields are checked before any member changes.
    std::uint32_t magic;
    ar >> magic;
    if (magic != kMagic) throw CArchiveException(CArchiveException::badIndex);
    std::int32_t version;
    ar >> version;
    switch (version) {
        case 0: LoadVersionZero(ar); break;
        case 1: LoadCurrentVersion(ar); break;
        default: throw CArchiveException(CArchiveException::badSchema);
    }
}

void CXRDData::LoadVersionZero(CArchive& ar) {
    if (ar.IsStoring()) return;
    LoadFields(ar, false);
}

void CXRDData::LoadCurrentVersion(CArchive& ar) {
    if (ar.IsStoring()) return;
    LoadFields(ar, true);
}

// Each member is replaced as its field is read, so a record cut short leaves the members before the cut new and
// the rest as they were.
void CXRDData::LoadFields(CArchive& ar, bool withAutoWidth) {
    // The point set: only the points are emptied before loading, not the header (which the pattern's own
    // RemoveAll would reset from the settings store). Loading refuses columns of different sizes.
    std::uint32_t signature, version;
    ar >> signature;
    if (signature != kPointSetSignature) throw CArchiveException(CArchiveException::badIndex);
    ar >> version;
    if (version != kPointSetVersion) throw CArchiveException(CArchiveException::badSchema);
    CGraphData::RemoveAll();
    CGraphData::LoadCurrentVersion(ar);

    ar >> m_strFileName >> m_strSampleName >> m_strSampleInfo >> m_CollectionDate;
    m_Radiation.Serialize(ar);
    m_Background.Serialize(ar);

    std::int32_t i32;
    std::uint32_t u32;
    ar >> i32;
    m_bPeakData = i32;
    ar >> m_dBackgroundScale >> m_dBackgroundLength;
    if (withAutoWidth) {
        ar >> i32;
        m_bAutoWidth = i32;
    }
    ar >> i32;
    m_nWidthType = i32;
    ar >> m_dDetectedWidth >> m_dFixedWidth >> m_dV >> m_dU >> m_dW >> m_dZeroError;
    ar >> i32;
    m_nCountType = i32;
    ar >> m_dScaleFactor >> m_dEsds;
    ar >> u32;
    m_nTypeFlag = static_cast<int>(u32);
    m_OriginalData.Serialize(ar);
}

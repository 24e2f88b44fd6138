// DIFFRAC-plus raw reader (format code 3), files beginning "RAW1.01": a 712-byte file header, then per range a
// 304-byte range header, a supplementary header of the length given in the range header, and one float32 count
// per point. Only range 1 is read; the pattern's comments say so when the file holds more.
// All numbers are little-endian.
#include <algorithm>
#include <cstring>

#include "xrddata/import/importer.h"
#include "xrddata/import/readers/binary.h"
#include "xrddata/import/readers/float_counts.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/file.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

namespace {

constexpr UINT FileHeaderSize = 712;
constexpr UINT RangeHeaderSize = 304;

// File header offsets.
constexpr size_t RangeCountAt = 12;     // int32
constexpr size_t DateAt = 16;           // 10 characters
constexpr size_t TimeAt = 26;           // 10 characters
constexpr size_t SampleAt = 326;        // 60 characters
constexpr size_t CommentAt = 386;       // 160 characters
constexpr size_t AnodeAt = 608;         // 2 characters
constexpr size_t WavelengthAt = 624;    // double
// Range header offsets.
constexpr size_t PointCountAt = 4;      // int32
constexpr size_t StartAt = 16;          // double
constexpr size_t StepAt = 176;          // double
constexpr size_t SupplementAt = 256;    // int32, bytes after the range header

}  // namespace

int CFileImporter::IsDiffracPlusFile(const CString& fileName) {
    CFile file;
    CFileException error;
    if (!file.Open(fileName.c_str(), CFile::modeRead | CFile::typeBinary, &error)) {
        error.ReportError();
        return 0;
    }
    try {
        BYTE header[FileHeaderSize];
        binary::ReadZeroFilled(file, header, FileHeaderSize);
        if (std::memcmp(header, DiffracPlusKey, 7) != 0) return 0;
        BYTE range[RangeHeaderSize];
        binary::ReadZeroFilled(file, range, RangeHeaderSize);
        return binary::I32(range) == static_cast<std::int32_t>(RangeHeaderSize);
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

int CFileImporter::ReadDiffracPlusFile(const CString& fileName) {
    if (!m_pTarget) return 0;
    if (!IsDiffracPlusFile(fileName)) {
        AfxMessageBox(::Format("%s is not a valid DiffracPlus file", fileName.c_str()), MB_ICONEXCLAMATION);
        return 0;
    }
    CFile file;
    CFileException error;
    if (!file.Open(fileName.c_str(), CFile::modeRead | CFile::typeBinary, &error)) {
        error.ReportError();
        return 0;
    }
    try {
        CXRDData& t = *m_pTarget;
        t.RemoveAll();
        t.SetCountingStatistics();

        BYTE header[FileHeaderSize];
        binary::ReadZeroFilled(file, header, FileHeaderSize);
        t.m_strSampleName = binary::TrimmedText(header + SampleAt, 60);
        t.m_strSampleInfo = binary::TrimmedText(header + CommentAt, 160);
        const CString when = ::Format("%s %s", binary::TrimmedText(header + DateAt, 10).c_str(),
                                    binary::TrimmedText(header + TimeAt, 10).c_str());
        t.m_CollectionDate.ParseDateTime(when.c_str());

        const double lambda = binary::F64(header + WavelengthAt);
        if (!t.m_Radiation.SetTarget(binary::TrimmedText(header + AnodeAt, 2)) && !t.m_Radiation.SetTarget(lambda))
            t.m_Radiation.SetLambda(lambda);

        BYTE range[RangeHeaderSize];
        binary::ReadZeroFilled(file, range, RangeHeaderSize);
        const std::int32_t points = binary::I32(range + PointCountAt);
        const double start = binary::F64(range + StartAt);
        const double step = binary::F64(range + StepAt);
        const std::int32_t supplement = binary::I32(range + SupplementAt);
        if (supplement > 0) {
            // Never seek past the end: a header claiming more than the file holds just leaves no counts.
            const std::uint64_t length = file.GetLength();
            const std::uint64_t target = std::min<std::uint64_t>(file.GetPosition() + supplement, length);
            file.Seek(static_cast<std::int64_t>(target), CFile::begin);
        }

        AppendFloatCounts(file, t, points, start, step);

        if (binary::I32(header + RangeCountAt) > 1) t.m_strSampleInfo += "\nOnly the first data range was used.";
        t.Sort();
        return 1;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

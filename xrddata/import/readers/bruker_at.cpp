// DIFFRAC-AT raw reader (format code 4), files beginning "RAW2": a 256-byte file header, then per range a range
// header whose length in bytes is its first int16 word, followed by one float32 count per point. Only range 1 is
// read; the pattern's comments say so when the file holds more. All numbers are little-endian.
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

constexpr UINT FileHeaderSize = 256;

// File header offsets.
constexpr size_t RangeCountAt = 4;    // int16
constexpr size_t SampleAt = 8;        // 32 characters
constexpr size_t DateAt = 168;        // 20 characters, date and time
constexpr size_t AnodeAt = 188;       // 2 characters
constexpr size_t Ka1At = 190;         // float32
constexpr size_t Ka2At = 194;         // float32
// Range header offsets (from the length word at 0).
constexpr int MinRangeHeader = 60;
constexpr size_t PointCountAt = 2;    // int16
constexpr size_t StepAt = 12;         // float32
constexpr size_t StartAt = 16;        // float32

bool HasMagic(const BYTE* header) { return std::memcmp(header, DiffracAtKey, 4) == 0; }

}  // namespace

int CFileImporter::IsDiffracAtFile(const CString& fileName) {
    CFile file;
    CFileException error;
    if (!file.Open(fileName.c_str(), CFile::modeRead | CFile::typeBinary, &error)) {
        error.ReportError();
        return 0;
    }
    try {
        BYTE header[FileHeaderSize];
        binary::ReadZeroFilled(file, header, FileHeaderSize);
        return HasMagic(header);
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

int CFileImporter::ReadDiffracAtFile(const CString& fileName) {
    if (!m_pTarget) return 0;
    if (!IsDiffracAtFile(fileName)) {
        AfxMessageBox(::Format("%s is not a valid DiffracAt file", fileName.c_str()), MB_ICONEXCLAMATION);
        return 0;
    }
    CFile file;
    CFileException error;
    if (!file.Open(fileName.c_str(), CFile::modeRead | CFile::typeBinary, &error)) {
        error.ReportError();
        return 0;
    }
    try {
        BYTE header[FileHeaderSize];
        binary::ReadZeroFilled(file, header, FileHeaderSize);
        if (!HasMagic(header)) return 0;

        // Start from an empty pattern, so that nothing the target held before mixes with the file's points.
        CXRDData& t = *m_pTarget;
        t.RemoveAll();
        t.m_strSampleName = binary::TrimmedText(header + SampleAt, 32);
        t.m_CollectionDate.ParseDateTime(binary::TrimmedText(header + DateAt, 20).c_str());

        const double ka1 = binary::F32(header + Ka1At);
        if (!t.m_Radiation.SetTarget(binary::TrimmedText(header + AnodeAt, 2)) && !t.m_Radiation.SetTarget(ka1))
            t.m_Radiation.SetLambda(ka1);
        t.m_Radiation.SetKa2(binary::F32(header + Ka2At) > 0.0f ? 1 : 0);
        t.SetCountingStatistics();

        // The range header: its length word, then the rest. The fields used lie in its first 40 bytes.
        BYTE range[0x8000];
        binary::ReadZeroFilled(file, range, 2);
        const int length = binary::I16(range);
        int points = 0;
        double start = 0.0, step = 0.0;
        if (length >= MinRangeHeader) {
            binary::ReadZeroFilled(file, range + 2, static_cast<UINT>(length - 2));
            points = binary::I16(range + PointCountAt);
            step = binary::F32(range + StepAt);
            start = binary::F32(range + StartAt);
        }

        AppendFloatCounts(file, t, points, start, step);

        if (binary::I16(header + RangeCountAt) > 1) t.m_strSampleInfo += "\nOnly the first data range was used.";
        t.Sort();
        return 1;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

// STOE raw reader (format code 2): detection, the record-level range reader and the import of range 1.
#include "xrddata/import/readers/stoe.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/file.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

namespace {

// Older versions wrote 16-byte date and time texts with a stray character at position 10 and no terminator.
void RepairShortText(BYTE* field) {
    std::memmove(field + 10, field + 11, 5);
    field[15] = 0;
}

// Older versions padded the text ending before `terminator` with blanks and did not terminate it.
void RepairPaddedText(BYTE* field, BYTE* terminator) {
    *terminator = 0;
    for (BYTE* p = terminator - 1; p >= field && *p == ' '; --p) *p = 0;
}

void RepairOldFileHeader(StoeFileHeader& h) {
    BYTE* b = h.bytes;
    b[15] = 0;
    RepairShortText(b + 16);
    RepairShortText(b + 440);
    RepairPaddedText(b + 32, b + 111);
    RepairPaddedText(b + 112, b + 303);
    if (h.RadiationCode() == 4) {
        b[308] = 102;
        b[309] = 0;
    }
}

int Fail(const CString& text) {
    AfxMessageBox(text, MB_ICONSTOP);
    return 0;
}

int NoData(int n) { return Fail(::Format("Raw data file has no data for range number %d.", n)); }

// The anode names by their 1-based index in the file header.
const char* AnodeName(int index) {
    static const char* const names[] = {"Ag", "Mo", "Cu", "Co", "Fe", "Cr"};
    return index >= 1 && index <= 6 ? names[index - 1] : nullptr;
}

}  // namespace

int CFileImporter::IsStoeFile(const CString& fileName) {
    CFile file;
    CFileException error;
    if (!file.Open(fileName.c_str(), CFile::modeRead | CFile::typeBinary, &error)) {
        error.ReportError();
        return 0;
    }
    try {
        BYTE head[StoeRecordSize];
        binary::ReadZeroFilled(file, head, StoeRecordSize);
        return std::memcmp(head, "RAW_", 4) == 0;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

int CFileImporter::ReadStoeRange(const CString& fileName, int n, StoeFileHeader& header, StoeRangeHeader& range,
                                 std::vector<float>& counts) {
    counts.clear();
    CFile file;
    if (!file.Open(fileName.c_str(), CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary))
        return Fail(::Format("Raw data file cannot be opened : %s", fileName.c_str()));
    try {
        binary::ReadZeroFilled(file, header.bytes, StoeRecordSize);
        if (!header.HasMagic()) return Fail("Invalid file format or version.");
        const char version = header.VersionDigit();
        if (version < '5') RepairOldFileHeader(header);
        if (header.DataPresent() == 0) return Fail("Raw data file does not contain any data.");

        // The file header holds the header record numbers of at most MaxRanges ranges.
        if (n < 1 || n > header.RangeCount() || n > StoeFileHeader::MaxRanges) return NoData(n);
        // A range header must start inside the file.
        const std::int64_t record = header.RangeRecord(n);
        const std::uint64_t length = file.GetLength();
        if (record < 1 || static_cast<std::uint64_t>(record - 1) * StoeRecordSize >= length) return NoData(n);
        file.Seek((record - 1) * StoeRecordSize, CFile::begin);
        binary::ReadZeroFilled(file, range.bytes, StoeRecordSize);

        if (version < '3') {
            range.bytes[118] = static_cast<BYTE>(header.Flags() & 1);
            range.bytes[119] = 0;
        }
        if (version < '5') {
            RepairShortText(range.bytes);
            RepairShortText(range.bytes + 16);
        }
        const int points = range.PointCount();
        if (points <= 0) return NoData(n);

        const float time = range.CountingTime();
        const double scale = time > 1.0f ? 1.0 / time : 1.0;
        const bool shorts = range.DataType() == 1;
        const int perRecord = StoeRecordSize / range.CountWidth();
        // Counts are read as far as the file holds them: a file that ends early gives fewer.
        const std::uint64_t available = (length - std::min(length, file.GetPosition())) / range.CountWidth();
        counts.reserve(static_cast<size_t>(std::min<std::uint64_t>(points, available)));
        BYTE data[StoeRecordSize];
        while (static_cast<int>(counts.size()) < points) {
            const UINT got = file.Read(data, StoeRecordSize);
            const int whole = static_cast<int>(got) / range.CountWidth();
            const int take = std::min({perRecord, whole, points - static_cast<int>(counts.size())});
            for (int i = 0; i < take; ++i) {
                const double count = shorts ? binary::I16(data + 2 * i) : binary::I32(data + 4 * i);
                counts.push_back(static_cast<float>(count * scale));
            }
            if (got < StoeRecordSize) break;
        }
        if (counts.empty()) return NoData(n);
        return 1;
    } catch (const std::exception& e) {
        ReportException(e);
        counts.clear();
        return 0;
    }
}

int CFileImporter::ReadStoeFile(const CString& fileName) {
    if (!m_pTarget) return 0;
    StoeFileHeader header;
    StoeRangeHeader range;
    std::vector<float> counts;
    if (!ReadStoeRange(fileName, 1, header, range, counts)) return 0;
    try {
        CXRDData& t = *m_pTarget;
        t.RemoveAll();
        t.m_strSampleName = header.SampleName();
        t.m_strSampleInfo = header.Comment();
        t.m_CollectionDate.ParseDateTime(header.Date().c_str());

        // An anode index outside the table leaves the wavelength to name the radiation.
        const double lambda = header.Wavelength();
        const char* anode = AnodeName(header.AnodeIndex());
        if (!(anode && t.m_Radiation.SetTarget(CString(anode))) && !t.m_Radiation.SetTarget(lambda))
            t.m_Radiation.SetLambda(lambda);
        t.m_Radiation.SetKa2(header.RadiationCode() == 0 ? 1 : 0);

        t.SetCountingStatistics();
        const int size = static_cast<int>(counts.size());
        t.SetSize(size);
        const double start = range.Start();
        const double step = range.Step();
        for (int i = 0; i < size; ++i) {
            t.SetAt(CGraphData::X, i, start + i * step);
            t.SetAt(CGraphData::Y, i, counts[static_cast<size_t>(i)]);
        }
        t.Sort();
        return 1;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

// MDI text reader (format code 7). Line 1 is a title: the collection date in columns 0-7, a four-character code
// in columns 16-19 (kept as the comments) and the sample name from column 20. Line 2 holds the scan: start, step,
// an unused number, the anode element, the wavelength, the end angle and the number of points. Every further line
// holds up to eight intensities. The title is read whole; the other lines in pieces of at most 255 characters.
#include <cstdio>
#include <cstring>
#include <locale.h>

#include "xrddata/arrays/dblarray.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/stdiofile.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

namespace {

constexpr UINT LineBuffer = 256;

struct ScanLine {
    double start = 0, step = 0, unused = 0, wavelength = 0, end = 0;
    char anode[LineBuffer] = {};
    int points = 0;
};

// Numbers are always written with a decimal point, whatever the locale of the host process.
class CNumericLocale {
public:
    CNumericLocale() : old_(uselocale(Locale())) {}
    ~CNumericLocale() { uselocale(old_); }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    static locale_t Locale() {
        static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
        return loc;
    }
    locale_t old_;
};

// Line 2: all seven fields must convert.
bool ParseScanLine(const char* text, ScanLine& s) {
    CNumericLocale c;
    return std::sscanf(text, "%lf %lf %lf %255s %lf %lf %d", &s.start, &s.step, &s.unused, s.anode, &s.wavelength,
                       &s.end, &s.points) == 7;
}

// A data line: up to eight intensities; returns how many converted (0 or less when none).
int ParseCounts(const char* text, double* v) {
    CNumericLocale c;
    return std::sscanf(text, "%lf %lf %lf %lf %lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                       &v[7]);
}

}  // namespace

int CFileImporter::IsMdiFile(const CString& fileName) {
    CStdioFile file;
    CFileException error;
    if (!file.Open(fileName.c_str(), CFile::modeRead | CFile::typeText, &error)) {
        error.ReportError();
        return 0;
    }
    try {
        CString title;
        char line[LineBuffer];
        if (!file.ReadString(title)) return 0;
        if (!file.ReadString(line, LineBuffer)) return 0;
        ScanLine s;
        return ParseScanLine(line, s) && s.end > s.start && s.step > 0 && s.wavelength > 0;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

int CFileImporter::ReadMdiFile(const CString& fileName) {
    if (!IsMdiFile(fileName)) {
        AfxMessageBox(::Format("%s is not a valid MDI file", fileName.c_str()), MB_ICONEXCLAMATION);
        return 0;
    }
    if (!m_pTarget) return 0;
    CStdioFile file;
    CFileException error;
    if (!file.Open(fileName.c_str(), CFile::modeRead | CFile::typeText, &error)) {
        error.ReportError();
        return 0;
    }
    try {
        CString title;
        char line[LineBuffer] = {};
        file.ReadString(title);
        file.ReadString(line, LineBuffer);
        ScanLine s;
        ParseScanLine(line, s);

        CXRDData& t = *m_pTarget;
        t.RemoveAll();
        t.m_CollectionDate.ParseDateTime(title.substr(0, 8).c_str());
        t.m_strSampleInfo = title.size() > 16 ? title.substr(16, 4) : CString();
        t.m_strSampleName = title.size() > 20 ? title.substr(20) : CString();

        if (!t.m_Radiation.SetTarget(CString(s.anode)) && !t.m_Radiation.SetTarget(s.wavelength))
            t.m_Radiation.SetLambda(s.wavelength);

        CdblArray counts;
        double values[8];
        while (file.ReadString(line, LineBuffer)) {
            const int n = ParseCounts(line, values);
            for (int k = 0; k < n; ++k) counts.Add(values[k]);
        }

        const int size = counts.GetSize();
        if (size > 0) {
            t.SetSize(size);
            for (int i = 0; i < size; ++i) {
                t.SetAt(CGraphData::X, i, s.start + i * s.step);
                t.SetAt(CGraphData::Y, i, counts.GetAt(i));
            }
        }
        t.Sort();
        return size == s.points ? 1 : 0;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

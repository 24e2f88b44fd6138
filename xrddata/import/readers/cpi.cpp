// Diffraction Technology CPI files: ten header lines, then one intensity per line.
//   1 title (comments)      2 start angle     3 end angle (checked only)   4 step
//   5 anode element name    6 wavelength      7 collection date and time   8 not used
//   9 sample name          10 "SCANDATA" (any case)
#include <exception>
#include <strings.h>
#include <vector>

#include "xrddata/import/importer.h"
#include "xrddata/import/readers/textlines.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/scan.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

using namespace import_text;

namespace {

constexpr int kHeaderLines = 10;

// Reads the ten header lines without their line feeds; false when the file ends first.
bool ReadCpiHeader(CStdioFile& file, CString (&header)[kHeaderLines]) {
    char line[kLineBuffer];
    for (CString& h : header) {
        if (!ReadPiece(file, line)) return false;
        h = WithoutNewline(line);
    }
    return true;
}

}  // namespace

// Yes when line 10 begins with "SCANDATA" (case ignored) and end > start, step > 0, wavelength > 0.
int CFileImporter::IsCpiFile(const CString& fileName) {
    CStdioFile file;
    if (!OpenText(file, fileName)) return 0;
    try {
        CString h[kHeaderLines];
        if (!ReadCpiHeader(file, h)) return 0;
        const double start = CAtof(h[1].c_str()), end = CAtof(h[2].c_str()), step = CAtof(h[3].c_str());
        const double lambda = CAtof(h[5].c_str());
        return strncasecmp(h[9].c_str(), "SCANDATA", 8) == 0 && end > start && step > 0 && lambda > 0 ? 1 : 0;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

int CFileImporter::ReadCpiFile(const CString& fileName) {
    if (!IsCpiFile(fileName)) {
        AfxMessageBox(::Format("%s is not a valid Diffraction Technology file", fileName.c_str()),
                      MB_ICONEXCLAMATION | MB_OK);
        return 0;
    }
    if (!m_pTarget) return 0;
    CStdioFile file;
    if (!OpenText(file, fileName)) return 0;
    try {
        CString h[kHeaderLines];
        if (!ReadCpiHeader(file, h)) return 0;  // the file shrank since the test
        const double start = CAtof(h[1].c_str()), step = CAtof(h[3].c_str()), lambda = CAtof(h[5].c_str());

        CXRDData& d = *m_pTarget;
        d.RemoveAll();
        d.m_strSampleName = h[8];
        d.m_strSampleInfo = h[0];
        // An unreadable date stays as the parser leaves it: invalid.
        d.m_CollectionDate.ParseDateTime(h[6].c_str(), 0, LOCALE_USER_DEFAULT);
        // The anode by name; else the wavelength of a known anode; else a free wavelength.
        if (!d.m_Radiation.SetTarget(h[4]) && !d.m_Radiation.SetTarget(lambda)) d.m_Radiation.SetLambda(lambda);

        std::vector<double> ys;
        char line[kLineBuffer];
        while (ReadPiece(file, line)) {
            if (!IsDataLine(line)) continue;
            double y;
            if (ScanC(line, "%lf", &y) != 1) {
                AfxMessageBox("Missing y value", MB_ICONEXCLAMATION | MB_OK);
                return 0;
            }
            ys.push_back(y);
        }
        if (ys.empty()) return 1;
        if (ys.size() > 0x7fffffffu) throw std::bad_alloc();
        const int count = static_cast<int>(ys.size());
        d.SetCustomErrors();
        d.SetSize(count, -1);
        double x = start;
        for (int i = 0; i < count; ++i) {
            d.SetAt(CGraphData::X, i, x);
            d.SetAt(CGraphData::Y, i, ys[i]);
            d.SetAt(CGraphData::YError, i, CountingError(ys[i]));
            x += step;
        }
        d.SetCountingStatistics();
        d.Sort();
        return 1;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

#include "xrddata/arrays/pointfile.h"

#include <algorithm>

#include "xrddata/arrays/graphdata.h"
#include "xrddata/formats/decimal.h"
#include "xrddata/platform/file.h"

namespace {

// Writes bytes to path, creating or truncating it; raises CFileException.
void WriteWholeFile(const CString& path, const std::string& bytes) {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    size_t done = 0;
    // CFile writes at most a UINT at a time.
    while (done < bytes.size()) {
        const size_t chunk = std::min<size_t>(bytes.size() - done, 1u << 30);
        file.Write(bytes.data() + done, static_cast<UINT>(chunk));
        done += chunk;
    }
    file.Close();
}

}  // namespace

std::string PointColumns(CGraphData& points, char sep, const char* eol) {
    using xrddata::formats::AppendShortest;
    std::string out;
    const int n = points.GetSize();
    out.reserve(static_cast<size_t>(n) * 32);
    for (int i = 0; i < n; ++i) {
        AppendShortest(out, points.GetAt(CGraphData::X, i));
        out += sep;
        AppendShortest(out, points.GetAt(CGraphData::Y, i));
        out += sep;
        AppendShortest(out, points.GetAt(CGraphData::YError, i));
        out += eol;
    }
    return out;
}

std::string XyeText(CGraphData& points) { return PointColumns(points, ' '); }

std::string CsvText(CGraphData& points) { return "two_theta,intensity,error\n" + PointColumns(points, ','); }

void WriteXyeFile(CGraphData& points, const CString& path) { WriteWholeFile(path, XyeText(points)); }

void WriteCsvFile(CGraphData& points, const CString& path) { WriteWholeFile(path, CsvText(points)); }

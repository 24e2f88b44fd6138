#include "xrddata/io/pointfile.h"

#include <charconv>
#include <cmath>

#include "xrddata/arrays/graphdata.h"
#include "xrddata/platform/file.h"

std::string ShortestNumber(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

std::string PointColumns(CGraphData& points, char sep, const char* eol) {
    std::string out;
    const int n = points.GetSize();
    out.reserve(static_cast<size_t>(n) * 32);
    for (int i = 0; i < n; ++i) {
        out += ShortestNumber(points.GetAt(CGraphData::X, i));
        out += sep;
        out += ShortestNumber(points.GetAt(CGraphData::Y, i));
        out += sep;
        out += ShortestNumber(points.GetAt(CGraphData::YError, i));
        out += eol;
    }
    return out;
}

std::string XyeText(CGraphData& points) { return PointColumns(points, ' '); }

std::string CsvText(CGraphData& points) { return "two_theta,intensity,error\n" + PointColumns(points, ','); }

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

void WriteXyeFile(CGraphData& points, const CString& path) { WriteWholeFile(path, XyeText(points)); }

void WriteCsvFile(CGraphData& points, const CString& path) { WriteWholeFile(path, CsvText(points)); }

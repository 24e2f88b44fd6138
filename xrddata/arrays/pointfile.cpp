#include "xrddata/arrays/pointfile.h"

#include <algorithm>

#include "xrddata/arrays/columns.h"
#include "xrddata/arrays/graphdata.h"
#include "xrddata/formats/decimal.h"
#include "xrddata/formats/writer.h"
#include "xrddata/platform/file.h"

namespace {

// The bytes given to it go to a file created (or truncated) at path, a CFile raising CFileException on failure.
class CFileSink : public xrddata::formats::Sink {
public:
    explicit CFileSink(const CString& path) : m_file(path.c_str(), CFile::modeCreate | CFile::modeWrite) {}
    void write(std::string_view bytes) override {
        // CFile writes at most a UINT at a time.
        while (!bytes.empty()) {
            const size_t chunk = std::min<size_t>(bytes.size(), 1u << 30);
            m_file.Write(bytes.data(), static_cast<UINT>(chunk));
            bytes.remove_prefix(chunk);
        }
    }
    void Close() { m_file.Close(); }

private:
    CFile m_file;
};

}  // namespace

PointColumnsSource ColumnsOf(const CGraphData& points) {
    PointColumnsSource s;
    s.n = points.GetSize();
    auto& g = const_cast<CGraphData&>(points);  // read only: the columns' own storage
    s.x = CGraphDataColumns::Column(g, CGraphData::X).GetData();
    s.y = CGraphDataColumns::Column(g, CGraphData::Y).GetData();
    if (points.IsCustomErrors()) s.e = CGraphDataColumns::Column(g, CGraphData::YError).GetData();
    return s;
}

void WritePointColumns(xrddata::formats::Sink& out, const PointColumnsSource& points, char sep, const char* eol) {
    using xrddata::formats::AppendShortest;
    constexpr size_t kBlock = 1 << 16;  // bytes of text handed to the sink at once
    std::string text;
    text.reserve(kBlock + 128);
    for (int i = 0; i < points.n; ++i) {
        const double y = points.subtract ? NetCount(points.y[i], points.subtract[i]) : points.y[i];
        AppendShortest(text, points.x[i]);
        text += sep;
        AppendShortest(text, y);
        text += sep;
        AppendShortest(text, points.e ? points.e[i] : CountingErrorOf(y));
        text += eol;
        if (text.size() >= kBlock) {
            out.write(text);
            text.clear();
        }
    }
    if (!text.empty()) out.write(text);
}

std::string PointColumns(CGraphData& points, char sep, const char* eol) {
    xrddata::formats::StringSink sink;
    sink.text.reserve(static_cast<size_t>(points.GetSize()) * 32);
    WritePointColumns(sink, ColumnsOf(points), sep, eol);
    return std::move(sink.text);
}

std::string XyeText(CGraphData& points) { return PointColumns(points, ' '); }

std::string CsvText(CGraphData& points) { return "two_theta,intensity,error\n" + PointColumns(points, ','); }

void WriteXyeFile(const PointColumnsSource& points, const CString& path) {
    CFileSink file(path);
    WritePointColumns(file, points, ' ');
    file.Close();
}

void WriteCsvFile(const PointColumnsSource& points, const CString& path) {
    CFileSink file(path);
    file.write("two_theta,intensity,error\n");
    WritePointColumns(file, points, ',');
    file.Close();
}

void WriteXyeFile(CGraphData& points, const CString& path) { WriteXyeFile(ColumnsOf(points), path); }

void WriteCsvFile(CGraphData& points, const CString& path) { WriteCsvFile(ColumnsOf(points), path); }

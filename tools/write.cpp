#include "write.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "headed.h"
#include "xrddata/arrays/pointfile.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/pattern/xrddfile.h"
#include "xrddata/platform/exceptions.h"

namespace fmt = xrddata::formats;

namespace tool {
namespace {

// The archive record, written by the pattern itself into a private temporary file and read back.
std::string ArchiveBytes(CXRDData& pattern) {
    const char* dir = std::getenv("TMPDIR");
    std::string temp = std::string(dir && *dir ? dir : "/tmp") + "/xrddata-archive-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) throw std::runtime_error("cannot make a temporary file for the archive");
    ::close(fd);
    try {
        SavePatternFile(pattern, temp);
    } catch (CException& e) {
        ::unlink(temp.c_str());
        throw std::runtime_error(std::string("cannot write the archive: ") + e.what());
    }
    std::ifstream in(temp, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    ::unlink(temp.c_str());
    return bytes.str();
}

const char* CoreWriterName(OutFormat f) {
    switch (f) {
        case OutFormat::Fxye: return "fxye";
        case OutFormat::FullProf: return "fullprof";
        case OutFormat::Cif: return "cif";
        case OutFormat::Tsv: return "tsv";
        default: return nullptr;
    }
}

}  // namespace

std::string OutputBytes(OutFormat format, CXRDData& pattern, CGraphData& points, const fmt::WriteContext& context) {
    if (format == OutFormat::Xrdd) return ArchiveBytes(pattern);
    if (points.GetSize() == 0) throw std::runtime_error("no points to write");
    switch (format) {
        case OutFormat::Xye:
            return (context.header ? HeaderLines(context, "\n") : std::string()) + PointColumns(points, ' ', "\n");
        case OutFormat::Csv:
            return (context.header ? HeaderLines(context, "\n") : std::string()) + "two_theta,intensity,error\n" +
                   PointColumns(points, ',', "\n");
        case OutFormat::Text:
            // The text export's layout (tab-separated, CR LF), with every digit the numbers need.
            return (context.header ? HeaderLines(context, "\r\n") : std::string()) + PointColumns(points, '\t', "\r\n");
        default: break;
    }
    const fmt::WriterInfo* writer = fmt::find_writer(CoreWriterName(format));
    if (!writer) throw std::runtime_error("no writer of this kind");
    const int n = points.GetSize();
    std::vector<double> x(static_cast<size_t>(n)), y(x.size()), e(x.size());
    for (int i = 0; i < n; ++i) {
        x[static_cast<size_t>(i)] = points.GetAt(CGraphData::X, i);
        y[static_cast<size_t>(i)] = points.GetAt(CGraphData::Y, i);
        e[static_cast<size_t>(i)] = points.GetAt(CGraphData::YError, i);
    }
    fmt::StringSink sink;
    writer->write(sink, fmt::Points{x, y, e}, context);
    return sink.text;
}

}  // namespace tool

#include "write.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
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

// The archive record, written by the pattern itself into a private temporary file and passed on a block at a
// time.
void WriteArchive(fmt::Sink& out, CXRDData& pattern) {
    const char* dir = std::getenv("TMPDIR");
    std::string temp = std::string(dir && *dir ? dir : "/tmp") + "/xrddata-archive-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) throw std::runtime_error("cannot make a temporary file for the archive");
    ::close(fd);
    struct Remove {
        std::string path;
        ~Remove() { ::unlink(path.c_str()); }
    } remove{temp};
    try {
        SavePatternFile(pattern, temp);
    } catch (CException& e) {
        throw std::runtime_error(std::string("cannot write the archive: ") + e.what());
    }
    std::ifstream in(temp, std::ios::binary);
    std::vector<char> block(1 << 18);
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        if (in.gcount() > 0) out.write(std::string_view(block.data(), static_cast<size_t>(in.gcount())));
    }
    if (in.bad()) throw std::runtime_error("cannot read back the archive written");
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

void WriteKind(fmt::Sink& out, OutFormat format, CXRDData& pattern, const PointColumnsSource& points,
               const fmt::WriteContext& context) {
    if (format == OutFormat::Xrdd) return WriteArchive(out, pattern);
    if (points.n == 0) throw std::runtime_error("no points to write");
    switch (format) {
        case OutFormat::Xye:
            if (context.header) out.write(HeaderLines(context, "\n"));
            return WritePointColumns(out, points, ' ', "\n");
        case OutFormat::Csv:
            if (context.header) out.write(HeaderLines(context, "\n"));
            out.write("two_theta,intensity,error\n");
            return WritePointColumns(out, points, ',', "\n");
        case OutFormat::Text:
            // The text export's layout (tab-separated, CR LF), with every digit the numbers need.
            if (context.header) out.write(HeaderLines(context, "\r\n"));
            return WritePointColumns(out, points, '\t', "\r\n");
        default: break;
    }
    const fmt::WriterInfo* writer = fmt::find_writer(CoreWriterName(format));
    if (!writer) throw std::runtime_error("no writer of this kind");
    // The writers take whole columns: the pattern's own where they hold what is written, else made here.
    const auto n = static_cast<size_t>(points.n);
    std::vector<double> y, e;
    std::span<const double> ys(points.y, n), es;
    if (points.e) es = std::span<const double>(points.e, n);
    if (points.subtract) {
        y.resize(n);
        for (size_t i = 0; i < n; ++i) y[i] = NetCount(points.y[i], points.subtract[i]);
        ys = y;
    }
    if (!points.e) {
        e.resize(n);
        for (size_t i = 0; i < n; ++i) e[i] = CountingErrorOf(ys[i]);
        es = e;
    }
    writer->write(out, fmt::Points{std::span<const double>(points.x, n), ys, es}, context);
}

}  // namespace tool

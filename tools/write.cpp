#include "write.h"

#include <stdexcept>
#include <vector>

#include "headed.h"
#include "xrddata/arrays/pointfile.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/pattern/xrddfile.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/file.h"

namespace fmt = xrddata::formats;

namespace tool {
namespace {

// A file that passes the bytes written to it on to the sink as they come: the archive record goes to the output
// without a copy on disk or in memory. Writing is all it does; the archive only ever writes to it.
class SinkFile : public CFile {
public:
    explicit SinkFile(fmt::Sink& out) : m_out(out) {}
    UINT Read(void*, UINT) override { return 0; }
    void Write(const void* buffer, UINT count) override {
        m_out.write(std::string_view(static_cast<const char*>(buffer), count));
        m_written += count;
    }
    std::uint64_t Seek(std::int64_t, UINT) override { return m_written; }
    std::uint64_t GetLength() const override { return m_written; }
    std::uint64_t GetPosition() const override { return m_written; }
    void Flush() override {}
    void Close() override {}
    void Abort() override {}
    bool IsOpen() const override { return true; }

private:
    fmt::Sink& m_out;
    std::uint64_t m_written = 0;
};

// The archive record, written by the pattern itself.
void WriteArchive(fmt::Sink& out, CXRDData& pattern) {
    SinkFile file(out);
    try {
        SavePatternFile(pattern, file);
    } catch (CException& e) {
        throw std::runtime_error(std::string("cannot write the archive: ") + e.what());
    }
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

#include "input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <stdexcept>

#include "headed.h"
#include "temporaries.h"
#include "tool.h"
#include "writeall.h"
#include "xrddata/formats/read.h"
#include "xrddata/import/importdialog.h"
#include "xrddata/import/importer.h"
#include "xrddata/import/plugincount.h"
#include "xrddata/pattern/xrddfile.h"
#include "xrddata/platform/exceptions.h"

namespace fmt = xrddata::formats;

namespace tool {
namespace {

// A copy of standard input on disk in $TMPDIR (else /tmp), for the readers that open a file by name (the archive,
// the import); removed when it goes out of scope or the run is interrupted.
class TempCopy {
public:
    explicit TempCopy(fmt::Bytes bytes) {
        const int fd = MakeRecordedTemporary(
            [](std::string& name) {
                const char* dir = std::getenv("TMPDIR");
                name = std::string(dir && *dir ? dir : "/tmp") + "/xrddata-stdin-XXXXXX";
                return ::mkstemp(name.data());
            },
            path_);
        if (fd < 0) Fail(errno);
        if (const int error = WriteAll(fd, {reinterpret_cast<const char*>(bytes.data()), bytes.size()})) {
            ::close(fd);
            RemoveRecordedTemporary(path_);
            Fail(error);
        }
        ::close(fd);
    }
    ~TempCopy() { RemoveRecordedTemporary(path_); }
    const std::string& path() const { return path_; }

private:
    [[noreturn]] static void Fail(int error) {
        throw std::runtime_error(std::string("cannot keep standard input in a temporary file: ") +
                                 std::strerror(error));
    }

    std::string path_;
};

// The metadata and the one scan of a pattern read by the archive or the import.
fmt::Measurement MeasurementOf(CXRDData& p) {
    fmt::Measurement m;
    m.meta.sample = p.m_strSampleName;
    m.meta.comments = p.m_strSampleInfo;
    int y, mo, d, h, mi, s;
    if (p.m_CollectionDate.GetStatus() == COleDateTime::valid && p.m_CollectionDate.GetFields(y, mo, d, h, mi, s))
        m.meta.date.value = fmt::DateTime{y, mo, d, h, mi, static_cast<double>(s), std::nullopt};
    const CRadiation& r = p.m_Radiation;
    m.meta.anode = r.GetTargetName();
    m.meta.wavelength = r.GetKa1Lambda();
    if (r.IsValidTarget()) {
        m.meta.ka2_wavelength = r.GetKa2Lambda();
        m.meta.ka2_ratio = r.GetKa2Ratio();
    }
    m.meta.ka2_present = r.IsKa2() != 0;
    fmt::Scan scan;
    const int n = p.GetSize();
    for (int i = 0; i < n; ++i) {
        scan.two_theta.push_back(p.GetAt(CGraphData::X, i));
        scan.counts.push_back(p.GetAt(CGraphData::Y, i));
        if (p.IsCustomErrors()) scan.sigma.push_back(p.GetAt(CGraphData::YError, i));
    }
    m.scans.push_back(std::move(scan));
    return m;
}

Input FromPattern(const std::string& path, std::shared_ptr<CXRDData> pattern, InputFormat format) {
    Input in;
    in.path = path;
    in.format = std::move(format);
    in.measurement = MeasurementOf(*pattern);
    in.measurement.meta.format = in.format.name;
    in.measurement.meta.format_code = in.format.code;
    in.pattern = std::move(pattern);
    return in;
}

// The pattern's own import of a file the core does not know: the detected format is named as the import's list
// names it. Its messages are collected rather than printed; a failure throws the import's reason (or the core's,
// when the import has only "Cannot determine file format" to say).
Input ReadByImport(const std::string& shown, const std::string& file, const fmt::ReadError& coreError) {
    InputFormat format;
    auto pattern = std::make_shared<CXRDData>(0);
    std::vector<std::string> notes;
    int ok;
    {
        MessageCapture capture;
        if (CountPluginFormats() > 0) {
            format.code = 0;
            format.name = "Plug-in";
            ok = pattern->DoReadFile(file.c_str(), CFileImporter::FormatAuto);
        } else {
            {
                CXRDData scratch(0);
                CFileImporter importer(&scratch);
                format.code = importer.DetectFormat(file);
            }
            format.name = CImportFileDialog::BuiltInFormatName(format.code);
            ok = 0;
            if (format.code > 0) {
                // The reader itself rather than DoReadFile: DoReadFile gives every pattern the error model's errors,
                // and a three-column text file would lose its own.
                CFileImporter importer(pattern.get());
                ok = importer.ReadDataFile(file, format.code, 0);
            }
            if (ok) {
                pattern->m_strFileName = file;
                pattern->m_bPeakData = 0;
                const bool ownErrors = format.code == CFileImporter::FormatText && pattern->IsCustomErrors();
                if (!ownErrors) pattern->GenerateErrors();
            }
        }
        notes = capture.Messages();
    }
    if (!ok) {
        for (const std::string& note : notes)
            if (note != "Cannot determine file format") throw std::runtime_error(Printable(shown) + ": " + note);
        throw fmt::ReadError(coreError.problem(), coreError.reason()).in_file(Printable(shown));
    }
    // The text readers name the sample after the file: standard input's stand-in is no name to keep.
    if (shown != file && pattern->m_strSampleName == std::filesystem::path(file).filename().string())
        pattern->m_strSampleName = "stdin";
    Input in = FromPattern(shown, std::move(pattern), format);
    in.measurement.warnings = std::move(notes);
    return in;
}

// As the import does after a read: the background fit uses the feature width.
void DetectWidths(CXRDData& p) { p.RefreshFeatureWidth(); }

}  // namespace

std::string Printable(const std::string& path) {
    if (path == "-") return "<stdin>";
    std::string out;
    for (char ch : path) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c == '\\') out += "\\\\";
        else if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += ch;
        }
    }
    return out;
}

Input ReadInput(const std::string& path) {
    const bool stdinput = path == "-";
    const std::string shown = Printable(path);
    const fmt::FileBytes file = stdinput ? fmt::load_stream(STDIN_FILENO, shown) : fmt::load_file(path);
    std::unique_ptr<TempCopy> copy;
    auto onDisk = [&]() -> const std::string& {
        if (!stdinput) return path;
        if (!copy) copy = std::make_unique<TempCopy>(file.bytes());
        return copy->path();
    };

    if (StartsWithPatternMagic(file.bytes().data(), file.bytes().size())) {
        auto pattern = std::make_shared<CXRDData>(0);
        try {
            LoadPatternFile(*pattern, onDisk());
        } catch (CException& e) {
            throw std::runtime_error(shown + ": not a readable pattern archive (" + e.what() + ")");
        }
        return FromPattern(path, std::move(pattern), InputFormat{-1, "Pattern archive", ""});
    }
    if (IsHeadedPointFile(file.bytes())) {
        Input in;
        in.path = path;
        in.format = InputFormat{-1, "Point file", ""};
        in.measurement = ReadHeadedPointFile(file.bytes(), shown);
        return in;
    }
    const fmt::Source source{file.bytes(), shown, file.modified()};
    try {
        Input in;
        in.path = path;
        in.measurement = fmt::read_source(source);
        const fmt::Metadata& meta = in.measurement.meta;
        in.format = InputFormat{meta.format_code, meta.format, meta.format_version};
        return in;
    } catch (const fmt::ReadError& e) {
        if (e.problem() != fmt::Problem::unrecognised) throw;
        return ReadByImport(path, onDisk(), e);
    }
}

namespace {

// The pattern read by the import or the archive. Each of these makers returns one named pattern, which the
// caller's pattern then is (a pattern has no move, so a second named return would copy every point).
CXRDData CopyOfReadPattern(const Input& input, bool widths) {
    CXRDData p(*input.pattern);
    // The copy constructor starts from a new pattern's zero error, peak flag and automatic width.
    p.m_dZeroError = input.pattern->m_dZeroError;
    p.m_bAutoWidth = input.pattern->m_bAutoWidth;
    if (widths && input.format.name != "Pattern archive") DetectWidths(p);
    return p;
}

CXRDData PatternOfScan(const Input& input, size_t index, bool widths) {
    const fmt::Measurement& m = input.measurement;
    const fmt::Scan& scan = m.scans.at(index);
    CXRDData p(0);
    const int n = static_cast<int>(scan.size());
    const bool sigma = scan.sigma.size() == scan.size();
    p.Assign(scan.two_theta.data(), scan.counts.data(), sigma ? scan.sigma.data() : nullptr, n);
    p.m_strFileName = input.path;
    p.m_strSampleName = m.meta.sample;
    p.m_strSampleInfo = m.meta.comments;
    if (const auto& d = m.meta.date.value)
        p.m_CollectionDate.SetDateTime(d->year, d->month, d->day, d->hour, d->minute,
                                       static_cast<int>(std::floor(d->second)));
    CRadiation& r = p.m_Radiation;
    const bool named = !m.meta.anode.empty() && r.SetTarget(m.meta.anode);
    if (!named && m.meta.wavelength && !r.SetTarget(*m.meta.wavelength)) r.SetLambda(*m.meta.wavelength);
    if (m.meta.ka2_present) r.SetKa2(*m.meta.ka2_present ? 1 : 0);
    // Without errors of its own the pattern takes the error model's (as the import does).
    if (!sigma) p.GenerateErrors();
    if (widths) DetectWidths(p);
    return p;
}

}  // namespace

CXRDData ScanPattern(const Input& input, size_t index, bool widths) {
    return input.pattern ? CopyOfReadPattern(input, widths) : PatternOfScan(input, index, widths);
}

void ReleaseScanPoints(Input& input, size_t index) {
    input.pattern.reset();
    fmt::Scan& scan = input.measurement.scans.at(index);
    std::vector<double>().swap(scan.two_theta);
    std::vector<double>().swap(scan.counts);
    std::vector<double>().swap(scan.sigma);
    std::vector<double>().swap(scan.time_per_point);
}

}  // namespace tool

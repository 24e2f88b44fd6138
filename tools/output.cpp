// Where the tool writes: one named output file, or one file per input in a folder.
#include <filesystem>
#include <set>
#include <stdexcept>

#include "tool.h"
#include "xrddata/platform/strutil.h"

namespace fs = std::filesystem;

namespace tool {

namespace {

// The names -f takes; those marked are also the file endings that choose the format (any other ending is text).
struct FormatName {
    const char* name;
    OutFormat format;
    bool ending;
};
constexpr FormatName kFormatNames[] = {
    {"text", OutFormat::Text, false}, {"txt", OutFormat::Text, false}, {"xye", OutFormat::Xye, true},
    {"csv", OutFormat::Csv, true}, {"xrdd", OutFormat::Xrdd, true}, {"fxye", OutFormat::Fxye, true},
    {"fullprof", OutFormat::FullProf, false}, {"cif", OutFormat::Cif, true}, {"tsv", OutFormat::Tsv, true},
};

}  // namespace

OutFormat ParseOutFormat(const std::string& name) {
    const std::string n = MakeLower(name);
    for (const FormatName& f : kFormatNames)
        if (n == f.name) return f.format;
    throw UsageError{"unknown output format \"" + name + "\" (text, xye, csv, xrdd, fxye, fullprof, cif or tsv)"};
}

OutFormat FormatOfPath(const std::string& path) {
    const std::string ext = MakeLower(fs::path(path).extension().string());
    for (const FormatName& f : kFormatNames)
        if (f.ending && ext == std::string(".") + f.name) return f.format;
    return OutFormat::Text;
}

OutFormat ChosenFormat(const std::string& format, const std::string& out) {
    if (!format.empty()) return ParseOutFormat(format);
    if (out == "-") throw UsageError{"-o - (standard output) needs -f to name the output format"};
    return !out.empty() ? FormatOfPath(out) : OutFormat::Xye;
}

std::string ScanOutputPath(const std::string& path, size_t index, size_t count) {
    if (count <= 1 || path == "-") return path;
    fs::path p(path);
    p.replace_filename(p.stem().string() + "_r" + std::to_string(index + 1) + p.extension().string());
    return p.string();
}

RangeChoice ParseRange(const std::string& text) {
    RangeChoice c;
    if (text.empty() || MakeLower(text) == "all") return c;
    size_t n = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9' || n > 100000000) throw UsageError{"--range takes all or a scan number from 1"};
        n = n * 10 + static_cast<size_t>(ch - '0');
    }
    if (n == 0) throw UsageError{"--range takes all or a scan number from 1"};
    c.all = false;
    c.index = n - 1;
    return c;
}

std::vector<size_t> ChosenScans(const RangeChoice& choice, size_t count) {
    std::vector<size_t> out;
    if (choice.all) {
        for (size_t i = 0; i < count; ++i) out.push_back(i);
        return out;
    }
    if (choice.index >= count)
        throw std::runtime_error("there is no range " + std::to_string(choice.index + 1) + " (the file holds " +
                                 std::to_string(count) + (count == 1 ? " range)" : " ranges)"));
    return {choice.index};
}

void AddRangeOption(CLI::App& cmd, std::string& range) {
    cmd.add_option("--range", range, "The scan (range) to write, from 1, or all (default: one output per scan, "
                                     "named with _rN before the extension when there are several)");
}

const char* ExtensionOf(OutFormat f) {
    switch (f) {
        case OutFormat::Xye: return ".xye";
        case OutFormat::Csv: return ".csv";
        case OutFormat::Xrdd: return ".xrdd";
        case OutFormat::Fxye: return ".fxye";
        case OutFormat::FullProf: return ".dat";
        case OutFormat::Cif: return ".cif";
        case OutFormat::Tsv: return ".tsv";
        default: return ".txt";
    }
}

std::string Stem(const std::string& path) { return fs::path(path).stem().string(); }

std::string CompanionPath(const std::string& path, const std::string& tag) {
    fs::path p(path);
    const std::string ext = p.extension().string();
    p.replace_filename(p.stem().string() + "." + tag + ext);
    return p.string();
}

std::vector<std::string> OutputPaths(const std::vector<std::string>& inputs, const std::string& out,
                                     const std::string& dir, OutFormat format) {
    if (out.empty() == dir.empty()) throw UsageError{"give either -o OUT or -d DIR"};
    if (!out.empty()) {
        if (inputs.size() != 1) throw UsageError{"-o takes one input file; use -d DIR for several"};
        return {out};
    }
    std::vector<std::string> paths;
    std::set<std::string> seen;
    for (const std::string& in : inputs) {
        std::string p = (fs::path(dir) / ((in == "-" ? std::string("stdin") : Stem(in)) + ExtensionOf(format))).string();
        if (!seen.insert(p).second)
            throw UsageError{"two inputs would both be written to " + p + "; nothing was written"};
        paths.push_back(p);
    }
    // Made only once the outputs are known to be apart.
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw std::runtime_error("cannot create the folder " + dir + ": " + ec.message());
    return paths;
}

}  // namespace tool

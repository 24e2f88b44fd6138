// Where the tool writes: one named output file, or one file per input in a folder.
#include <filesystem>
#include <set>

#include "tool.h"
#include "xrddata/platform/strutil.h"

namespace fs = std::filesystem;

namespace tool {

OutFormat ParseOutFormat(const std::string& name) {
    const std::string n = MakeLower(name);
    if (n == "text" || n == "txt") return OutFormat::Text;
    if (n == "xye") return OutFormat::Xye;
    if (n == "csv") return OutFormat::Csv;
    if (n == "xrdd") return OutFormat::Xrdd;
    throw UsageError{"unknown output format \"" + name + "\" (text, xye, csv or xrdd)"};
}

OutFormat FormatOfPath(const std::string& path) {
    const std::string ext = MakeLower(fs::path(path).extension().string());
    if (ext == ".xye") return OutFormat::Xye;
    if (ext == ".csv") return OutFormat::Csv;
    if (ext == ".xrdd") return OutFormat::Xrdd;
    return OutFormat::Text;
}

const char* ExtensionOf(OutFormat f) {
    switch (f) {
        case OutFormat::Xye: return ".xye";
        case OutFormat::Csv: return ".csv";
        case OutFormat::Xrdd: return ".xrdd";
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
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw UsageError{"cannot create the folder " + dir + ": " + ec.message()};
    std::vector<std::string> paths;
    std::set<std::string> seen;
    for (const std::string& in : inputs) {
        std::string p = (fs::path(dir) / (Stem(in) + ExtensionOf(format))).string();
        if (!seen.insert(p).second) throw UsageError{"two inputs would both be written to " + p};
        paths.push_back(p);
    }
    return paths;
}

}  // namespace tool

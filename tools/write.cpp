#include "write.h"

#include <filesystem>
#include <stdexcept>

#include "xrddata/io/pointfile.h"
#include "xrddata/io/xrddfile.h"
#include "xrddata/pattern/xrddata.h"

namespace tool {

void WritePattern(CXRDData& pattern, CGraphData& points, OutFormat format, const std::string& path) {
    switch (format) {
        case OutFormat::Xye: WriteXyeFile(points, path); break;
        case OutFormat::Csv: WriteCsvFile(points, path); break;
        case OutFormat::Xrdd: SavePatternFile(pattern, path); break;
        case OutFormat::Text:
            // The system's own export: "%g" columns, CR LF line ends; it refuses an empty set.
            if (points.GetSize() == 0) throw std::runtime_error("no points to write");
            if (!points.DoExportAsText(path.c_str())) throw std::runtime_error("cannot write " + path);
            break;
    }
}

void CheckNotInput(const std::string& input, const std::string& output) {
    std::error_code ec;
    if (std::filesystem::equivalent(input, output, ec))
        throw std::runtime_error("the output " + output + " is the input file itself");
}

}  // namespace tool

#include "xrddata/formats/writer.h"

#include <strings.h>

#include <vector>

#include "xrddata/formats/fullprof_writer.h"
#include "xrddata/formats/gsas_writer.h"
#include "xrddata/formats/pdcif_writer.h"
#include "xrddata/formats/tsv_writer.h"

namespace xrddata::formats {

namespace {

const std::vector<WriterInfo>& Writers() {
    static const std::vector<WriterInfo> writers = {
        {"fxye", "fxye", "GSAS FXYE: title, bank line, position (centidegrees), intensity, deviation", WriteFxye},
        {"fullprof", "dat", "FullProf INSTRM=10: XYDATA header, two-theta, intensity, sigma", WriteFullProf},
        {"cif", "cif", "powder CIF: metadata items and a two-theta, intensity(su) loop", WritePowderCif},
        {"tsv", "tsv tab", "tab-separated two-theta, intensity, error with a header row", WriteTsv},
    };
    return writers;
}

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

std::span<const WriterInfo> writer_table() { return Writers(); }

const WriterInfo* find_writer(std::string_view key) {
    if (!key.empty() && key.front() == '.') key.remove_prefix(1);
    for (const WriterInfo& w : Writers()) {
        if (SameWord(w.name, key)) return &w;
        std::string_view exts = w.extensions;
        while (!exts.empty()) {
            const std::size_t blank = exts.find(' ');
            if (SameWord(exts.substr(0, blank), key)) return &w;
            if (blank == std::string_view::npos) break;
            exts.remove_prefix(blank + 1);
        }
    }
    return nullptr;
}

}  // namespace xrddata::formats

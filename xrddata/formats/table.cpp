#include "xrddata/formats/table.h"

#include <strings.h>

#include <vector>

#include "xrddata/formats/brml.h"
#include "xrddata/formats/ras.h"
#include "xrddata/formats/rasx.h"
#include "xrddata/formats/xrdml.h"

namespace xrddata::formats {

namespace {

// Codes: 1..8 are the formats the import has always read (its format list), 10 is taken by the import's "use the
// last format" request; the newer formats have codes from 11 on.
const std::vector<FormatInfo>& Table() {
    static const std::vector<FormatInfo> table = {
        // The formats the import has always read, in the order it has always tried them.

        // Newer formats with an unambiguous magic or a distinctive header.
        {13, "BRML", "Bruker BRML (zip of XML raw data)", "brml", IsBrml, ReadBrml},
        {14, "XRDML", "PANalytical XRDML", "xrdml", IsXrdml, ReadXrdml},
        {15, "RAS", "Rigaku RAS", "ras", IsRas, ReadRas},
        {16, "RASX", "Rigaku RASX (zip)", "rasx", IsRasx, ReadRasx},

        // Tolerant x-y text accepts the most files: it comes last.
    };
    return table;
}

}  // namespace

std::span<const FormatInfo> format_table() { return Table(); }

const FormatInfo* find_format(int code) {
    for (const FormatInfo& f : Table())
        if (f.code == code) return &f;
    return nullptr;
}

const FormatInfo* find_format(std::string_view name) {
    for (const FormatInfo& f : Table())
        if (f.name.size() == name.size() && strncasecmp(f.name.data(), name.data(), name.size()) == 0) return &f;
    return nullptr;
}

const FormatInfo* detect(Bytes bytes) {
    for (const FormatInfo& f : Table())
        if (f.detect(bytes)) return &f;
    return nullptr;
}

}  // namespace xrddata::formats

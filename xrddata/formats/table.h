// The format table: one descriptor per file format the core reads, in detection order. Detection walks the table
// and the first format whose test accepts the bytes is the file's format; the older formats come first in the
// order the import has always tried them (binary formats with their magics, then the keyed and headed text
// formats, plain two-column text last among them), the newer formats after them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "xrddata/formats/measurement.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

using Bytes = std::span<const std::byte>;

// What a reader is given: the file's bytes, the name to use in messages (a path, a zip member, "<stdin>", or empty)
// and, when the bytes came from a file, its modification time (seconds since the epoch).
struct Source {
    Bytes bytes;
    std::string_view name;
    std::optional<std::int64_t> modified;
};

struct FormatInfo {
    int code;                     // the import's format code (1..8 for the formats it has always read)
    std::string_view name;        // short name, as the import's format list shows it ("DiffracPlus")
    std::string_view long_name;   // what a user reads in a list ("Bruker DIFFRAC-plus raw (RAW1.01)")
    std::string_view extensions;  // usual file extensions, lower case, blank-separated, no dots ("raw")
    // Yes when the bytes look like this format. Looks only at what it needs (most need the first few KiB).
    bool (*detect)(Bytes bytes);
    // Reads every scan. Throws ReadError. May return scans without points; read_bytes refuses a measurement
    // without any point, the pattern's import decides per format as it always has.
    Measurement (*read)(const Source& source);
};

// Every format, in detection order.
XRDDATA_API std::span<const FormatInfo> format_table();
// The format of this code, or null.
XRDDATA_API const FormatInfo* find_format(int code);
// The format of this short name (case ignored), or null.
XRDDATA_API const FormatInfo* find_format(std::string_view name);
// The first format in table order whose test accepts the bytes, or null.
XRDDATA_API const FormatInfo* detect(Bytes bytes);

}  // namespace xrddata::formats

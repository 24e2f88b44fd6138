// Writers of point files: one entry per output kind, chosen by its name or by the output file's extension. A
// writer turns columns of points and what is known about them (the measurement's metadata, the scan's settings,
// the processing applied) into bytes given to a sink; the caller decides where the bytes go (a file written under a
// temporary name and renamed, standard output, memory).
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xrddata/formats/measurement.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

// Where a writer's bytes go.
class XRDDATA_API Sink {
public:
    virtual ~Sink() = default;
    virtual void write(std::string_view bytes) = 0;
};

// Collects the bytes in memory.
class XRDDATA_API StringSink : public Sink {
public:
    void write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

// The points to write: spans over the caller's storage, all of one length; sigma may be empty (no errors).
struct Points {
    std::span<const double> two_theta;
    std::span<const double> counts;
    std::span<const double> sigma;
};

// What a writer may say about the points besides them.
struct WriteContext {
    const Metadata* meta = nullptr;       // the measurement's metadata; null when not known
    const Scan* scan = nullptr;           // the scan written (its settings); null for a processed pattern
    std::size_t scan_index = 0;           // 0-based index of the scan in its measurement
    std::string source;                   // the file the points came from
    std::vector<std::string> processing;  // the steps applied, in order ("K-alpha2 stripped", ...)
    bool header = true;                   // metadata lines where the kind has a place for them
};

struct WriterInfo {
    std::string_view name;         // "xye"
    std::string_view extensions;   // usual extensions, lower case, blank-separated, no dots
    std::string_view description;  // "x, y and error columns"
    // Writes the points. Throws std::runtime_error (or a subclass) when they cannot be written in this kind.
    void (*write)(Sink& out, const Points& points, const WriteContext& context);
};

// Every writer.
XRDDATA_API std::span<const WriterInfo> writer_table();
// The writer of this name or extension (case ignored, a leading dot allowed), or null.
XRDDATA_API const WriterInfo* find_writer(std::string_view name_or_extension);

}  // namespace xrddata::formats

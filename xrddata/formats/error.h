// The one exception of the format core. It names the file, where in it the fault lies (a byte offset or a line
// number, when known) and the reason in plain words, and it classifies the fault so that callers can act on the
// kind (the pattern's import shows a different message per kind; the Python package raises FileNotFoundError for a
// missing file and its own FormatError for bad content).
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "xrddata/platform/export.h"

namespace xrddata::formats {

enum class Problem {
    unrecognised,   // no format accepts the bytes, or the bytes are not of the format asked for
    malformed,      // a header field or a value does not parse
    no_data,        // the file holds no usable points
    missing_scan,   // a scan (range) asked for is not in the file
    inconsistent,   // sizes, counts or offsets contradict each other or the file's length
    too_large,      // beyond a limit the reader sets (points, nesting, an archive member's size)
    file,           // the file itself cannot be opened or read (error_number says why)
};

// "unrecognised", "malformed", ...
XRDDATA_API const char* problem_name(Problem p);

class XRDDATA_API ReadError : public std::runtime_error {
public:
    ReadError(Problem problem, std::string reason);

    // Where the fault lies; each returns the error for chaining: throw ReadError(...).at_line(12).
    ReadError& at_offset(std::uint64_t offset);
    ReadError& at_line(std::uint64_t line);
    ReadError& in_file(std::string file);  // kept when a file is already named
    ReadError& with_errno(int error_number);

    Problem problem() const { return problem_; }
    const std::string& reason() const { return reason_; }
    const std::string& file() const { return file_; }
    std::optional<std::uint64_t> offset() const { return offset_; }
    std::optional<std::uint64_t> line() const { return line_; }
    int error_number() const { return errno_; }

    // "FILE: line 12: reason", "FILE: byte 3104: reason", "FILE: reason", or the parts that are known.
    const char* what() const noexcept override { return what_.c_str(); }

private:
    void compose();

    Problem problem_;
    std::string reason_;
    std::string file_;
    std::optional<std::uint64_t> offset_;
    std::optional<std::uint64_t> line_;
    int errno_ = 0;
    std::string what_;
};

}  // namespace xrddata::formats

#include "xrddata/formats/error.h"

namespace xrddata::formats {

const char* problem_name(Problem p) {
    switch (p) {
        case Problem::unrecognised: return "unrecognised";
        case Problem::malformed: return "malformed";
        case Problem::no_data: return "no data";
        case Problem::missing_scan: return "missing scan";
        case Problem::inconsistent: return "inconsistent";
        case Problem::too_large: return "too large";
        case Problem::file: return "file";
    }
    return "unknown";
}

ReadError::ReadError(Problem problem, std::string reason)
    : std::runtime_error(reason), problem_(problem), reason_(std::move(reason)) {
    compose();
}

ReadError& ReadError::at_offset(std::uint64_t offset) {
    offset_ = offset;
    compose();
    return *this;
}

ReadError& ReadError::at_line(std::uint64_t line) {
    line_ = line;
    compose();
    return *this;
}

ReadError& ReadError::in_file(std::string file) {
    if (file_.empty()) file_ = std::move(file);
    compose();
    return *this;
}

ReadError& ReadError::with_errno(int error_number) {
    errno_ = error_number;
    return *this;
}

void ReadError::compose() {
    what_.clear();
    if (!file_.empty()) what_ += file_ + ": ";
    if (line_)
        what_ += "line " + std::to_string(*line_) + ": ";
    else if (offset_)
        what_ += "byte " + std::to_string(*offset_) + ": ";
    what_ += reason_;
}

}  // namespace xrddata::formats

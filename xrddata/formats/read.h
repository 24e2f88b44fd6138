// Reading a whole measurement: from a file (one open, one read), from bytes already in memory (a zip member, a
// network buffer, a Python bytes object), with the format recognised by content or named by its code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "xrddata/formats/error.h"
#include "xrddata/formats/measurement.h"
#include "xrddata/formats/table.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

// The bytes of one file, read whole.
class XRDDATA_API FileBytes {
public:
    FileBytes() = default;
    FileBytes(std::unique_ptr<std::byte[]> data, std::size_t size, std::string path,
              std::optional<std::int64_t> modified);

    Bytes bytes() const { return {data_.get(), size_}; }
    const std::string& path() const { return path_; }
    std::optional<std::int64_t> modified() const { return modified_; }
    Source source() const { return Source{bytes(), path_, modified_}; }

private:
    std::unique_ptr<std::byte[]> data_;
    std::size_t size_ = 0;
    std::string path_;
    std::optional<std::int64_t> modified_;
};

// Files larger than this are refused (Problem::too_large) before anything is allocated.
inline constexpr std::uint64_t kMaxFileSize = std::uint64_t{4} << 30;
// Standard input and other streams are read up to this many bytes.
inline constexpr std::uint64_t kMaxStreamSize = std::uint64_t{1} << 30;

// Reads the whole file. Only regular files are read; opening never blocks (a FIFO without a writer, a device).
// Throws ReadError with Problem::file (and the errno) when the file cannot be opened or read.
XRDDATA_API FileBytes load_file(const std::string& path);
// Reads a stream (a pipe, standard input) to its end, at most kMaxStreamSize bytes. name is used in messages.
XRDDATA_API FileBytes load_stream(int fd, std::string name);

// Reads the measurement; format 0 recognises it by content, any other value is a code of the table. Throws
// ReadError: Problem::unrecognised when no format accepts the bytes (or the code is unknown), Problem::no_data when
// no scan holds a point, or the reader's own problem. Every error names the source.
XRDDATA_API Measurement read_source(const Source& source, int format = 0);
XRDDATA_API Measurement read_bytes(Bytes bytes, std::string_view name = {}, int format = 0);
XRDDATA_API Measurement read_file(const std::string& path, int format = 0);

}  // namespace xrddata::formats

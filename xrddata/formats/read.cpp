#include "xrddata/formats/read.h"

#include "xrddata/formats/cranfield.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

namespace xrddata::formats {

FileBytes::FileBytes(std::unique_ptr<std::byte[]> data, std::size_t size, std::string path,
                     std::optional<std::int64_t> modified)
    : data_(std::move(data)), size_(size), path_(std::move(path)), modified_(modified) {}

namespace {

[[noreturn]] void ThrowErrno(const std::string& name, const char* what, int error) {
    throw ReadError(Problem::file, std::string(what) + ": " + std::strerror(error)).in_file(name).with_errno(error);
}

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// Reads into buffer until it is full or the input ends; returns the bytes read.
std::size_t ReadFully(int fd, std::byte* buffer, std::size_t count, const std::string& name) {
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd, buffer + got, count - got);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(name, "cannot read", errno);
        }
        got += static_cast<std::size_t>(n);
    }
    return got;
}

}  // namespace

FileBytes load_file(const std::string& path) {
    // O_NONBLOCK: opening a FIFO without a writer (or a device that waits) must not block; only regular files are
    // read, so the flag never affects a read.
    Descriptor d{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (d.fd < 0) ThrowErrno(path, "cannot open", errno);
    struct stat st {};
    if (::fstat(d.fd, &st) != 0) ThrowErrno(path, "cannot read", errno);
    if (S_ISDIR(st.st_mode)) ThrowErrno(path, "cannot read", EISDIR);
    if (!S_ISREG(st.st_mode))
        throw ReadError(Problem::file, "not a regular file").in_file(path).with_errno(EINVAL);
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    if (size > kMaxFileSize)
        throw ReadError(Problem::too_large, "the file holds " + std::to_string(size) + " bytes, more than the " +
                                                std::to_string(kMaxFileSize) + " read at most")
            .in_file(path);
    // Default-initialised: the bytes are overwritten by the read, clearing them first would cost a pass.
    std::unique_ptr<std::byte[]> data(new std::byte[size ? size : 1]);
    // A file that shrinks meanwhile gives what it still holds; one that grows is read as it was when opened.
    const std::size_t got = ReadFully(d.fd, data.get(), static_cast<std::size_t>(size), path);
    return FileBytes(std::move(data), got, path, static_cast<std::int64_t>(st.st_mtime));
}

FileBytes load_stream(int fd, std::string name) {
    std::vector<std::byte> buffer;
    std::size_t used = 0;
    for (;;) {
        if (buffer.size() - used < 65536) {
            if (buffer.size() >= kMaxStreamSize)
                throw ReadError(Problem::too_large,
                                "the input holds more than the " + std::to_string(kMaxStreamSize) + " bytes read at most")
                    .in_file(name);
            buffer.resize(std::min<std::size_t>(kMaxStreamSize, std::max<std::size_t>(buffer.size() * 2, 1 << 20)));
        }
        const std::size_t got = ReadFully(fd, buffer.data() + used, buffer.size() - used, name);
        used += got;
        if (used < buffer.size()) break;
        if (buffer.size() >= kMaxStreamSize) {
            std::byte probe;
            if (ReadFully(fd, &probe, 1, name) == 0) break;
            throw ReadError(Problem::too_large,
                            "the input holds more than the " + std::to_string(kMaxStreamSize) + " bytes read at most")
                .in_file(name);
        }
    }
    std::unique_ptr<std::byte[]> data(new std::byte[used ? used : 1]);
    if (used) std::memcpy(data.get(), buffer.data(), used);
    return FileBytes(std::move(data), used, std::move(name), std::nullopt);
}

namespace {

Measurement ReadWith(const FormatInfo& format, const Source& source) {
    Measurement m = format.read(source);
    if (m.meta.format.empty()) m.meta.format = std::string(format.name);
    m.meta.format_code = format.code;
    return m;
}

// The reason the format gives for bytes that hold no point of it.
ReadError ErrorOfHeaderOnly(const FormatInfo& format, const Source& source) {
    try {
        ReadWith(format, source);
    } catch (const ReadError& e) {
        return e;
    }
    return ReadError(Problem::no_data, "the file holds no data points");
}

}  // namespace

Measurement read_source(const Source& source, int format) {
    const std::string name(source.name);
    try {
        if (format != 0) {
            const FormatInfo* f = find_format(format);
            if (!f) throw ReadError(Problem::unrecognised, "no format has the code " + std::to_string(format));
            Measurement m = ReadWith(*f, source);
            if (m.total_points() == 0) throw ReadError(Problem::no_data, "the file holds no data points");
            return m;
        }
        // A format that accepts the bytes but finds no points in them yields to the next one that accepts them;
        // when none reads a point, the first format's reason is given. Plain text (code 1) keeps its strict rules
        // for callers that ask for it by code, but a file it refuses (a comment line among the numbers) yields to
        // the tolerant text reader at the end of the table instead of failing.
        // A file that passes the Cranfield test with nothing after its header (a plain four-line x-y file) gives
        // Cranfield's reason only when no later format gives one.
        constexpr int kPlainText = 1;
        constexpr int kCranfield = 8;
        std::optional<ReadError> first, headerOnly;
        for (const FormatInfo& f : format_table()) {
            if (!f.detect(source.bytes)) continue;
            if (f.code == kCranfield && !CranfieldHoldsData(source.bytes)) {
                if (!headerOnly) headerOnly = ErrorOfHeaderOnly(f, source);
                continue;
            }
            try {
                Measurement m = ReadWith(f, source);
                if (m.total_points() > 0) return m;
                if (!first) first = ReadError(Problem::no_data, "the file holds no data points");
            } catch (const ReadError& e) {
                if (!first && e.problem() != Problem::no_data && f.code != kPlainText) throw;
                if (!first) first = e;
            }
        }
        if (first) throw *first;
        if (headerOnly) throw *headerOnly;
        throw ReadError(Problem::unrecognised, "the format is not recognised");
    } catch (ReadError& e) {
        if (!name.empty()) e.in_file(name);
        throw;
    }
}

Measurement read_bytes(Bytes bytes, std::string_view name, int format) {
    return read_source(Source{bytes, name, std::nullopt}, format);
}

Measurement read_file(const std::string& path, int format) {
    const FileBytes file = load_file(path);
    return read_source(file.source(), format);
}

}  // namespace xrddata::formats

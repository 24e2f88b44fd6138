// A zip archive held in memory (the BRML and RASX containers), read with libzip. Nothing in the archive is
// trusted before it is checked: a member is inflated only when its declared size fits what is left of the
// archive's inflation budget (a bounded multiple of the archive's own size, and never more than an absolute cap),
// a read stops at the declared size, and a member whose data do not inflate to what the directory states fails
// with the member's name. Encrypted members and compression methods libzip cannot inflate are refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xrddata/formats/table.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

// The inflated bytes of all members read from one archive stay below
//     min(kZipInflateCap, max(kZipInflateFloor, kZipInflateFactor * archive size)).
// Real BRML and RASX members inflate 2 to 12 times; deflate itself cannot exceed about 1032 times.
inline constexpr std::uint64_t kZipInflateFactor = 100;
inline constexpr std::uint64_t kZipInflateFloor = std::uint64_t{1} << 20;
inline constexpr std::uint64_t kZipInflateCap = std::uint64_t{1} << 30;

// True when the bytes start with a zip local file header ("PK\3\4").
XRDDATA_API bool StartsLikeZip(Bytes bytes);

// The member names of the archive's central directory, in directory order; null when the bytes do not open as a
// zip archive. For detection: it never throws and reads no member.
XRDDATA_API std::optional<std::vector<std::string>> ZipMemberNames(Bytes bytes);

// The name in the archive's first local file header, or empty. Detection falls back on it when the central
// directory is missing (a truncated archive), so that the reader can then say what is wrong with the file.
XRDDATA_API std::string FirstLocalMemberName(Bytes bytes);

class XRDDATA_API ZipArchive {
public:
    // Opens the archive's central directory. Throws ReadError (Problem::malformed, "the zip archive cannot be
    // read: ...") when the bytes are no readable archive. The bytes must outlive the archive.
    explicit ZipArchive(Bytes bytes);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Member names in directory order.
    const std::vector<std::string>& names() const { return names_; }
    bool contains(std::string_view name) const;

    // The member's inflated bytes. Throws ReadError naming the member: Problem::missing_scan when the archive
    // does not hold it, Problem::too_large when its declared size exceeds the budget left, Problem::malformed
    // when it is encrypted, compressed with an unsupported method, or damaged (a CRC or inflate error, or data
    // that end before or run past the declared size).
    std::string read(std::string_view name);

    // Bytes inflated so far and the archive's whole budget.
    std::uint64_t inflated() const { return inflated_; }
    std::uint64_t budget() const { return budget_; }

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
    std::vector<std::string> names_;
    std::uint64_t archive_size_ = 0;
    std::uint64_t budget_ = 0;
    std::uint64_t inflated_ = 0;
};

}  // namespace xrddata::formats

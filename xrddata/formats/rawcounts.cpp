#include "xrddata/formats/rawcounts.h"

#include <algorithm>

#include "xrddata/formats/bytes.h"

namespace xrddata::formats {

std::size_t ReadFloatCounts(Bytes bytes, std::size_t offset, std::int64_t declared, double start, double step,
                            Scan& scan) {
    const std::size_t held = offset < bytes.size() ? (bytes.size() - offset) / 4 : 0;
    const std::size_t n = declared > 0 ? std::min<std::uint64_t>(static_cast<std::uint64_t>(declared), held) : 0;
    // Reserved, not resized: clearing the columns first would cost a pass over them.
    scan.counts.reserve(scan.counts.size() + n);
    scan.two_theta.reserve(scan.two_theta.size() + n);
    const std::byte* p = bytes.data() + offset;
    for (std::size_t i = 0; i < n; ++i) {
        scan.two_theta.push_back(start + static_cast<double>(i) * step);
        scan.counts.push_back(le::f32(p + 4 * i));
    }
    return n;
}

std::string ShortRangeWarning(int range, std::int64_t declared, std::size_t held) {
    return "range " + std::to_string(range) + ": header claims " + std::to_string(declared) + " points, file holds " +
           std::to_string(held);
}

std::string MissingRangeWarning(int range, std::int64_t declared_ranges, const char* why) {
    return "range " + std::to_string(range) + ": " + why + "; the file holds " + std::to_string(range - 1) + " of " +
           std::to_string(declared_ranges) + " ranges";
}

std::optional<std::size_t> AppendFloatRange(Bytes bytes, std::size_t offset, int range, std::int64_t declared,
                                            double start, double step, Scan scan, Measurement& m) {
    scan.start = start;
    scan.step = step;
    scan.declared_points = declared;
    const std::size_t got = ReadFloatCounts(bytes, offset, declared, start, step, scan);
    m.scans.push_back(std::move(scan));
    if (declared > 0 && got < static_cast<std::uint64_t>(declared)) {
        m.warnings.push_back(ShortRangeWarning(range, declared, got));
        return std::nullopt;
    }
    return offset + 4 * got;
}

}  // namespace xrddata::formats

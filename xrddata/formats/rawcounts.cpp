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

}  // namespace xrddata::formats

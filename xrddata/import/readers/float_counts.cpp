#include "xrddata/import/readers/float_counts.h"

#include <algorithm>
#include <vector>

#include "xrddata/import/readers/binary.h"

int AppendFloatCounts(CFile& file, CGraphData& data, std::int64_t points, double start, double step) {
    const std::uint64_t length = file.GetLength();
    const std::uint64_t position = file.GetPosition();
    const std::uint64_t held = (length > position ? length - position : 0) / 4;
    const std::uint64_t claimed = points > 0 ? static_cast<std::uint64_t>(points) : 0;
    const std::uint64_t room = 0x7fffffffu - static_cast<std::uint64_t>(data.GetSize());
    const int expected = static_cast<int>(std::min({claimed, held, room}));
    if (expected <= 0) return 0;

    // Sized once: growing the columns point by point would copy them over and over.
    const int base = data.GetSize();
    data.SetSize(base + expected);
    constexpr int ChunkValues = 16384;
    std::vector<BYTE> chunk(static_cast<size_t>(std::min(expected, ChunkValues)) * 4);
    int i = 0;
    while (i < expected) {
        const UINT want = static_cast<UINT>(std::min(expected - i, ChunkValues)) * 4;
        const UINT got = file.Read(chunk.data(), want);
        const int whole = static_cast<int>(got / 4);
        for (int k = 0; k < whole; ++k, ++i) {
            data.SetAt(CGraphData::X, base + i, start + i * step);
            data.SetAt(CGraphData::Y, base + i, binary::F32(chunk.data() + 4 * k));
        }
        if (got < want) break;
    }
    if (i < expected) data.SetSize(base + i);
    return i;
}

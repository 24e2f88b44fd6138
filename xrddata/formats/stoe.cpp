#include "xrddata/formats/stoe.h"

#include <algorithm>
#include <cstring>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/error.h"

namespace xrddata::formats {

namespace {

using Record = std::array<std::byte, kStoeRecord>;

std::int16_t I16(const Record& r, std::size_t at) { return le::i16(r.data() + at); }

// Older versions wrote 16-byte date and time texts with a stray character at position 10 and no terminator.
void RepairShortText(std::byte* field) {
    std::memmove(field + 10, field + 11, 5);
    field[15] = std::byte{0};
}

// Older versions padded the text ending before `terminator` with blanks and did not terminate it.
void RepairPaddedText(std::byte* field, std::byte* terminator) {
    *terminator = std::byte{0};
    for (std::byte* p = terminator - 1; p >= field && *p == std::byte{' '}; --p) *p = std::byte{0};
}

void RepairOldFileHeader(Record& h) {
    std::byte* b = h.data();
    b[15] = std::byte{0};
    RepairShortText(b + stoe_file::date);
    RepairShortText(b + stoe_file::text440);
    RepairPaddedText(b + stoe_file::sample, b + 111);
    RepairPaddedText(b + stoe_file::comment, b + 303);
    if (I16(h, stoe_file::radiation) == 4) {
        b[stoe_file::radiation] = std::byte{102};
        b[stoe_file::radiation + 1] = std::byte{0};
    }
}

ReadError NoRange(int n, const std::string& why) {
    return ReadError(Problem::missing_scan, "range " + std::to_string(n) + ": " + why);
}

const char* AnodeName(int index) {
    static const char* const names[] = {"Ag", "Mo", "Cu", "Co", "Fe", "Cr"};
    return index >= 1 && index <= 6 ? names[index - 1] : nullptr;
}

}  // namespace

bool IsStoe(Bytes bytes) { return bytes.size() >= 4 && AsText(bytes.subspan(0, 4)) == "RAW_"; }

StoeRangeRecords ReadStoeRange(Bytes bytes, int n) {
    StoeRangeRecords out;
    Record& h = out.file;
    std::memcpy(h.data(), bytes.data(), std::min(bytes.size(), kStoeRecord));
    if (!IsStoe(bytes)) throw ReadError(Problem::unrecognised, "the file does not begin with RAW_").at_offset(0);
    const char version = static_cast<char>(h[stoe_file::version]);
    if (version < '5') RepairOldFileHeader(h);
    if (le::i32(h.data() + stoe_file::data_present) == 0)
        throw ReadError(Problem::no_data, "the file header says the file holds no data")
            .at_offset(stoe_file::data_present);

    const int ranges = I16(h, stoe_file::ranges) + (I16(h, stoe_file::extra_range) != 0 ? 1 : 0);
    if (n < 1 || n > ranges) throw NoRange(n, "the file holds " + std::to_string(std::max(ranges, 0)) + " ranges");
    if (n > stoe_file::max_ranges)
        throw NoRange(n, "the file header holds the records of " + std::to_string(stoe_file::max_ranges) + " ranges");
    const std::int64_t record = I16(h, stoe_file::range_records + 2 * static_cast<std::size_t>(n));
    const std::uint64_t at = static_cast<std::uint64_t>(record - 1) * kStoeRecord;
    if (record < 1 || at >= bytes.size())
        throw NoRange(n, "its header record " + std::to_string(record) + " is not in the file")
            .at_offset(stoe_file::range_records + 2 * static_cast<std::size_t>(n));
    Record& r = out.range;
    const std::size_t rangeAt = static_cast<std::size_t>(at);
    std::memcpy(r.data(), bytes.data() + rangeAt, std::min(bytes.size() - rangeAt, kStoeRecord));

    if (version < '3') {
        // Only bit 0 of the flag word meant anything then; the range header had no copy of it.
        h[stoe_file::flags] &= std::byte{1};
        h[stoe_file::flags + 1] = std::byte{0};
        r[stoe_range::flags] = h[stoe_file::flags];
        r[stoe_range::flags + 1] = std::byte{0};
    }
    if (version < '5') {
        RepairShortText(r.data());
        RepairShortText(r.data() + 16);
    }
    const int points = I16(r, stoe_range::points);
    if (points <= 0) throw NoRange(n, "its header gives " + std::to_string(points) + " points").at_offset(rangeAt);

    // The counts fill whole data records after the header; the last record is used as far as the points reach.
    const bool shorts = I16(r, stoe_range::data_type) == 1;
    const std::size_t width = shorts ? 2 : 4;
    const std::size_t perRecord = kStoeRecord / width;
    const std::size_t dataAt = rangeAt + kStoeRecord;
    const std::size_t held = bytes.size() > dataAt ? bytes.size() - dataAt : 0;
    // A record cut short holds its whole counts only.
    const std::size_t fullRecords = held / kStoeRecord;
    const std::size_t available = fullRecords * perRecord + (held % kStoeRecord) / width;
    const std::size_t take = std::min(static_cast<std::size_t>(points), available);
    out.counts.resize(take);
    for (std::size_t i = 0; i < take; ++i) {
        const std::byte* p = bytes.data() + dataAt + (i / perRecord) * kStoeRecord + (i % perRecord) * width;
        out.counts[i] = shorts ? le::i16(p) : le::i32(p);
    }
    if (out.counts.empty()) throw NoRange(n, "the file ends before its counts").at_offset(bytes.size());
    return out;
}

Measurement ReadStoe(const Source& source) {
    StoeRangeRecords first = ReadStoeRange(source.bytes, 1);
    const Record& h = first.file;
    Measurement m;
    Metadata& meta = m.meta;
    meta.format_version = FieldText(h.data(), 8);
    meta.date.text = FieldText(h.data() + stoe_file::date, 16);
    meta.sample = TrimmedFieldText(h.data() + stoe_file::sample, 80);
    meta.comments = TrimmedFieldText(h.data() + stoe_file::comment, 192);
    const int radiation = I16(h, stoe_file::radiation);
    meta.ka2_present = radiation == 0;
    const int anode = I16(h, stoe_file::anode);
    if (const char* name = AnodeName(anode))
        meta.anode = name;
    else
        meta.properties.emplace_back("anode index", std::to_string(anode));
    meta.wavelength = static_cast<double>(le::f32(h.data() + stoe_file::wavelength));
    meta.properties.emplace_back("radiation code", std::to_string(radiation));

    const int ranges = std::min<int>(I16(h, stoe_file::ranges) + (I16(h, stoe_file::extra_range) != 0 ? 1 : 0),
                                     stoe_file::max_ranges);
    for (int n = 1; n <= std::max(ranges, 1); ++n) {
        StoeRangeRecords records;
        if (n == 1) {
            records = std::move(first);
        } else {
            try {
                records = ReadStoeRange(source.bytes, n);
            } catch (const ReadError& e) {
                m.warnings.push_back(e.reason() + "; left out");
                continue;
            }
        }
        const Record& r = records.range;
        Scan scan;
        const double start = le::f32(r.data() + stoe_range::start);
        const double step = le::f32(r.data() + stoe_range::step);
        scan.start = start;
        scan.step = step;
        scan.step_time = static_cast<double>(le::f32(r.data() + stoe_range::time));
        scan.declared_points = I16(r, stoe_range::points);
        scan.properties.emplace_back("data type", std::to_string(I16(r, stoe_range::data_type)));
        scan.counts.assign(records.counts.begin(), records.counts.end());
        scan.two_theta.resize(scan.counts.size());
        for (std::size_t i = 0; i < scan.counts.size(); ++i)
            scan.two_theta[i] = start + static_cast<double>(i) * step;
        if (static_cast<std::int64_t>(scan.size()) < *scan.declared_points)
            m.warnings.push_back("range " + std::to_string(n) + ": header claims " +
                                 std::to_string(*scan.declared_points) + " points, file holds " +
                                 std::to_string(scan.size()));
        m.scans.push_back(std::move(scan));
    }
    return m;
}

}  // namespace xrddata::formats

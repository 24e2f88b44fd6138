#include "xrddata/formats/rawv4.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/decimal.h"
#include "xrddata/formats/error.h"

namespace xrddata::formats {

namespace {

constexpr char kMagic[] = "RAW4.00";
constexpr std::size_t kMagicSize = 7;
constexpr std::size_t kFileHeader = 61;
constexpr std::size_t kRangeHeader = 160;
constexpr std::size_t kRecordHead = 8;  // u32 type, u32 length
// Bodies shorter than these lack the fields read from them.
constexpr std::size_t kMinNamedValue = 36;
constexpr std::size_t kMinTube = 120;
constexpr std::size_t kMinDriveStart = 64;
constexpr std::size_t kMinDetector = 36;
// Named values longer than this (the optics blob of several KiB of base64) are noted by their size only.
constexpr std::size_t kMaxKeptValue = 256;

std::string FloatText(float v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, r.ptr);
}

// A fixed text field of `width` bytes at `at` in bytes already checked to hold it.
std::string Field(Bytes bytes, std::size_t at, std::size_t width) {
    return TrimmedFieldText(bytes.data() + at, width);
}

struct Record {
    std::uint32_t type;
    std::size_t at;      // first byte of the record (its type)
    std::size_t length;  // whole record, header included
};

// The record at `at` within [at, end): null when fewer than 8 bytes remain; throws when its length cannot be
// right (below its own header, or past `end`).
std::optional<Record> RecordAt(Bytes bytes, std::size_t at, std::size_t end, const char* what) {
    if (end - at < kRecordHead) return std::nullopt;
    const std::uint32_t type = le::u32(bytes.data() + at);
    const std::uint32_t length = le::u32(bytes.data() + at + 4);
    if (length < kRecordHead || length > end - at)
        throw ReadError(Problem::inconsistent, std::string(what) + " of type " + std::to_string(type) +
                                                   " claims " + std::to_string(length) + " bytes where " +
                                                   std::to_string(end - at) + " remain")
            .at_offset(at);
    return Record{type, at, length};
}

// A named value (type 10): the tag and the text after it.
std::pair<std::string, std::string> NamedValue(Bytes bytes, const Record& r) {
    std::string tag = Field(bytes, r.at + 12, 24);
    std::string value = Field(bytes, r.at + kMinNamedValue, r.length - kMinNamedValue);
    if (value.size() > kMaxKeptValue) value = "(" + std::to_string(value.size()) + " bytes, not kept)";
    return {std::move(tag), std::move(value)};
}

void AddComment(Metadata& meta, const std::string& text) {
    if (text.empty()) return;
    if (!meta.comments.empty()) meta.comments += '\n';
    meta.comments += text;
}

std::optional<double> Positive(double v) {
    if (std::isfinite(v) && v > 0) return v;
    return std::nullopt;
}

void ReadTube(Bytes bytes, const Record& r, Metadata& meta) {
    const std::byte* p = bytes.data() + r.at;
    const float radius = le::f32(p + 24);
    if (std::isfinite(radius) && radius > 0) meta.properties.emplace_back("goniometer radius", FloatText(radius) + " mm");
    if (const std::optional<double> average = Positive(le::f64(p + 72)))
        meta.properties.emplace_back("K-alpha average", ShortestText(*average));
    meta.wavelength = Positive(le::f64(p + 80));
    meta.ka2_wavelength = Positive(le::f64(p + 88));
    meta.kb_wavelength = Positive(le::f64(p + 96));
    const double ratio = le::f64(p + 104);
    if (std::isfinite(ratio) && ratio >= 0) meta.ka2_ratio = ratio;
    // A tube of K-alpha1 alone (a monochromator) has no K-alpha2 wavelength and a ratio of 0.
    if (meta.ka2_ratio) meta.ka2_present = meta.ka2_wavelength.has_value() && *meta.ka2_ratio > 0;
    meta.anode = Field(bytes, r.at + 116, 4);
}

// The global segments from byte 61 up to the first range; returns the offset of the first range.
std::size_t ReadSegments(Bytes bytes, Measurement& m) {
    Metadata& meta = m.meta;
    std::size_t at = kFileHeader;
    while (at + 4 <= bytes.size()) {
        const std::uint32_t type = le::u32(bytes.data() + at);
        if (type == 0 || type == kRangeHeader) return at;
        const std::optional<Record> r = RecordAt(bytes, at, bytes.size(), "a segment");
        if (!r) break;
        if (r->type == 10 && r->length >= kMinNamedValue) {
            auto [tag, value] = NamedValue(bytes, *r);
            if (tag == "SAMPLEID") meta.sample = value;
            if (tag == "COMMENT") AddComment(meta, value);
            if (!tag.empty() && !value.empty()) meta.properties.emplace_back(std::move(tag), std::move(value));
        } else if (r->type == 30 && r->length >= kMinTube) {
            ReadTube(bytes, *r, meta);
        }
        at += r->length;
    }
    return bytes.size();
}

// The extra records of a range in [at, end): drive starts, named values and the detector as scan properties.
void ReadExtraRecords(Bytes bytes, std::size_t at, std::size_t end, Scan& scan, const std::string& range,
                      Measurement& m) {
    try {
        while (at < end) {
            const std::optional<Record> r = RecordAt(bytes, at, end, "an extra record");
            if (!r) {
                m.warnings.push_back(range + ": " + std::to_string(end - at) +
                                     " bytes at the end of the extra records are not a record");
                return;
            }
            if (r->type == 50 && r->length >= kMinDriveStart) {
                const std::string drive = Field(bytes, r->at + 12, 24);
                const double position = le::f64(bytes.data() + r->at + 56);
                if (!drive.empty() && std::isfinite(position) && !find_property(scan.properties, drive + " start"))
                    scan.properties.emplace_back(drive + " start", ShortestText(position));
            } else if (r->type == 10 && r->length >= kMinNamedValue) {
                auto [tag, value] = NamedValue(bytes, *r);
                if (!tag.empty() && !value.empty()) scan.properties.emplace_back(std::move(tag), std::move(value));
            } else if (r->type == 40 && r->length >= kMinDetector) {
                const std::string detector = Field(bytes, r->at + 12, 24);
                if (!detector.empty() && !find_property(scan.properties, "detector"))
                    scan.properties.emplace_back("detector", detector);
            }
            at += r->length;
        }
    } catch (const ReadError& e) {
        // The extra records only describe the range; their declared length still says where the points begin.
        m.warnings.push_back(range + ": " + e.reason());
    }
}

// Reads the range at `at`; returns the offset after it, or null when no further range can follow.
std::optional<std::size_t> ReadRange(Bytes bytes, std::size_t at, std::size_t index, Measurement& m) {
    const std::string range = "range " + std::to_string(index);
    const Block<kRangeHeader> h(bytes, at);
    if (!h.complete()) {
        if (index == 1)
            throw ReadError(Problem::inconsistent, "the file ends inside the first range header, after " +
                                                       std::to_string(h.present()) + " of its " +
                                                       std::to_string(kRangeHeader) + " bytes")
                .at_offset(at);
        m.warnings.push_back("the file ends inside the header of " + range + "; it is not read");
        return std::nullopt;
    }
    const double start = h.f64(72);
    const double step = h.f64(80);
    const std::uint32_t steps = h.u32(88);
    const std::uint32_t datum = h.u32(136);
    const std::uint32_t extra = h.u32(140);
    const std::size_t remaining = bytes.size() - at - kRangeHeader;
    if (extra > remaining) {
        if (index == 1)
            throw ReadError(Problem::inconsistent, range + ": its extra records claim " + std::to_string(extra) +
                                                       " bytes where " + std::to_string(remaining) + " remain")
                .at_offset(at + 140);
        m.warnings.push_back(range + " is cut short inside its extra records; it is not read");
        return std::nullopt;
    }
    const std::size_t data = at + kRangeHeader + extra;
    if (datum != 4 && datum != 8) {
        const std::uint64_t skip = std::uint64_t{steps} * datum;
        m.warnings.push_back(range + " stores points of " + std::to_string(datum) + " bytes, not 4 or 8; it is skipped");
        if (datum == 0 || skip > bytes.size() - data) return std::nullopt;
        return data + static_cast<std::size_t>(skip);
    }
    if (!std::isfinite(start))
        throw ReadError(Problem::malformed, range + ": the start angle is not a number").at_offset(at + 72);
    if (!(std::isfinite(step) && step > 0))
        throw ReadError(Problem::malformed, range + ": the step size " + ShortestText(step) +
                                                " is not a positive number")
            .at_offset(at + 80);

    Scan scan;
    scan.start = start;
    scan.step = step;
    scan.declared_points = steps;
    if (steps > 0) scan.end = start + static_cast<double>(steps - 1) * step;
    scan.axis = h.trimmed(32, 24);
    const float step_time = h.f32(92);
    if (std::isfinite(step_time) && step_time >= 0) scan.step_time = step_time;
    const float kv = h.f32(100), ma = h.f32(104);
    if (std::isfinite(kv) && kv > 0) scan.properties.emplace_back("voltage", FloatText(kv) + " kV");
    if (std::isfinite(ma) && ma > 0) scan.properties.emplace_back("current", FloatText(ma) + " mA");
    if (const std::optional<double> w = Positive(h.f64(112)))
        scan.properties.emplace_back("wavelength", ShortestText(*w));
    if (datum == 8) scan.properties.emplace_back("point record", "8 bytes: the intensity and a status word");
    ReadExtraRecords(bytes, at + kRangeHeader, data, scan, range, m);

    // The step count sizes nothing beyond the whole records the file holds.
    const std::size_t present = (bytes.size() - data) / datum;
    const std::size_t n = steps <= present ? steps : present;
    scan.two_theta.resize(n);
    scan.counts.resize(n);
    const std::byte* p = bytes.data() + data;
    for (std::size_t i = 0; i < n; ++i, p += datum) {
        scan.two_theta[i] = start + static_cast<double>(i) * step;
        scan.counts[i] = le::f32(p);
    }
    if (!m.meta.wavelength) m.meta.wavelength = Positive(h.f64(112));
    m.scans.push_back(std::move(scan));
    if (n < steps) {
        m.warnings.push_back(range + " ends after " + std::to_string(n) + " of its " + std::to_string(steps) +
                             " points");
        return std::nullopt;
    }
    return data + n * datum;
}

}  // namespace

bool IsRawV4(Bytes bytes) {
    return bytes.size() >= kMagicSize && std::memcmp(bytes.data(), kMagic, kMagicSize) == 0;
}

Measurement ReadRawV4(const Source& source) {
    const Bytes bytes = source.bytes;
    if (!IsRawV4(bytes)) throw ReadError(Problem::unrecognised, "the file does not start with \"RAW4.00\"");
    if (bytes.size() < kFileHeader)
        throw ReadError(Problem::inconsistent, "the file ends inside its 61-byte header, after " +
                                                   std::to_string(bytes.size()) + " bytes");
    Measurement m;
    m.meta.format_version = "4.00";
    const std::string date = Field(bytes, 12, 12), time = Field(bytes, 24, 10);
    if (!date.empty()) {
        const std::string text = time.empty() ? date : date + " " + time;
        m.meta.date.text = text;
        m.meta.date.value = ParseDate(text, DateOrder::month_day);
    }

    std::size_t at = ReadSegments(bytes, m);
    // The header states where the segments end; the walk decides, a disagreement is noted.
    const std::uint64_t stated = kFileHeader + std::uint64_t{le::u32(bytes.data() + 56)};
    if (at < bytes.size() && stated != at)
        m.warnings.push_back("the header puts the first range at byte " + std::to_string(stated) +
                             ", the segments end at byte " + std::to_string(at));
    if (at >= bytes.size()) throw ReadError(Problem::no_data, "the file holds no range after its segments");

    for (std::size_t index = 1; at < bytes.size(); ++index) {
        if (bytes.size() - at < 4 || (le::u32(bytes.data() + at) != 0 && le::u32(bytes.data() + at) != kRangeHeader)) {
            m.warnings.push_back(std::to_string(bytes.size() - at) + " bytes after the last range are not read");
            break;
        }
        const std::optional<std::size_t> next = ReadRange(bytes, at, index, m);
        if (!next) break;
        at = *next;
    }
    return m;
}

}  // namespace xrddata::formats

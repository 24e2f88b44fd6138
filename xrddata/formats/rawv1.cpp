#include "xrddata/formats/rawv1.h"

#include <cmath>
#include <charconv>
#include <cstring>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/error.h"

namespace xrddata::formats {

namespace {

constexpr char kMagic[] = "RAW ";
constexpr std::size_t kMagicSize = 4;
constexpr std::size_t kHeader = 152;
// theta, chi and phi read this value when the instrument did not record them.
constexpr float kUnknownAngle = -1.0e6f;
// No real range has this many steps; a larger count is four bytes of text, not a binary header.
constexpr std::uint32_t kMaxSteps = 1u << 24;

bool HasMagic(Bytes bytes, std::size_t at) {
    return bytes.size() >= at + kMagicSize && std::memcmp(bytes.data() + at, kMagic, kMagicSize) == 0;
}

// The shortest text that reads back to the float (locale-free).
std::string Number(float v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, r.ptr);
}

// Reads the range whose header starts at `at`; returns whether another range is announced.
bool ReadRange(Bytes bytes, std::size_t at, std::size_t index, Measurement& m, std::size_t& next) {
    const Block<kHeader> h(bytes, at);
    const std::string range = "range " + std::to_string(index);
    if (!h.complete())
        throw ReadError(Problem::inconsistent, range + ": the file ends inside the range header, after " +
                                                   std::to_string(h.present()) + " of its " +
                                                   std::to_string(kHeader) + " bytes")
            .at_offset(at);
    const std::uint32_t steps = h.u32(0);
    const float step_time = h.f32(4);
    const float step = h.f32(8);
    const float start = h.f32(20);
    if (!(std::isfinite(step) && step > 0))
        throw ReadError(Problem::malformed, range + ": the step size " + Number(step) + " is not a positive number")
            .at_offset(at + 8);
    if (!std::isfinite(start))
        throw ReadError(Problem::malformed, range + ": the start angle is not a number").at_offset(at + 20);

    Scan scan;
    scan.start = start;
    scan.step = step;
    scan.declared_points = steps;
    if (std::isfinite(step_time) && step_time >= 0) scan.step_time = step_time;
    scan.properties.emplace_back("scan mode", std::to_string(h.u32(12)));
    const char* const angle_names[] = {"theta start", "chi start", "phi start"};
    for (int k = 0; k < 3; ++k) {
        const float v = h.f32(24 + 4 * static_cast<std::size_t>(k));
        if (v != kUnknownAngle && std::isfinite(v)) scan.properties.emplace_back(angle_names[k], Number(v));
    }
    const std::string sample = h.trimmed(36, 32);
    if (!sample.empty()) scan.properties.emplace_back("sample", sample);

    // Only the whole values the file holds are read: the count sizes nothing beyond the file.
    const std::size_t data = at + kHeader;
    const std::size_t present = (bytes.size() - data) / 4;
    const std::size_t n = steps <= present ? steps : present;
    if (n < steps)
        m.warnings.push_back(range + " ends after " + std::to_string(n) + " of its " + std::to_string(steps) +
                             " points");
    scan.two_theta.resize(n);
    scan.counts.resize(n);
    const std::byte* p = bytes.data() + data;
    for (std::size_t i = 0; i < n; ++i, p += 4) {
        scan.two_theta[i] = start + static_cast<double>(i) * step;
        scan.counts[i] = le::f32(p);
    }
    if (steps > 0) scan.end = start + static_cast<double>(steps - 1) * step;

    if (index == 1) {
        m.meta.sample = sample;
        const double ka1 = h.f32(68), ka2 = h.f32(72);
        if (std::isfinite(ka1) && ka1 > 0) m.meta.wavelength = ka1;
        if (std::isfinite(ka2) && ka2 > 0) m.meta.ka2_wavelength = ka2;
    }
    m.scans.push_back(std::move(scan));
    // A cut range ends the file, with whatever part of a value follows its last whole point.
    next = n < steps ? bytes.size() : data + 4 * n;
    return n == steps && h.u32(148) != 0;
}

}  // namespace

bool IsRawV1(Bytes bytes) {
    // "RAW " followed by a binary step count: text that merely starts with "RAW " has printable bytes there, which
    // read as a count above any real one.
    return HasMagic(bytes, 0) && (bytes.size() < 8 || le::u32(bytes.data() + 4) < kMaxSteps);
}

Measurement ReadRawV1(const Source& source) {
    const Bytes bytes = source.bytes;
    if (!HasMagic(bytes, 0)) throw ReadError(Problem::unrecognised, "the file does not start with \"RAW \"");
    Measurement m;
    m.meta.format_version = "1";
    std::size_t at = kMagicSize;
    for (std::size_t index = 1;; ++index) {
        std::size_t next = at;
        const bool more = ReadRange(bytes, at, index, m, next);
        at = next;
        if (!more) break;
        // Later ranges may or may not repeat the magic. A file that announces a range and ends is read as far as
        // it goes.
        if (HasMagic(bytes, at)) at += kMagicSize;
        if (at >= bytes.size()) {
            m.warnings.push_back("range " + std::to_string(index) + " announces another range, but the file ends");
            break;
        }
    }
    if (at < bytes.size())
        m.warnings.push_back(std::to_string(bytes.size() - at) + " bytes after the last range are not read");
    return m;
}

}  // namespace xrddata::formats

#include "support/bruker_raw_writer.h"

#include "support/support.h"

namespace testing_support {

std::string WriteRawV1(const std::vector<RawV1Range>& ranges) {
    Bytes b;
    for (std::size_t k = 0; k < ranges.size(); ++k) {
        const RawV1Range& r = ranges[k];
        if (k == 0 || r.magic) b.raw("RAW ");
        const std::size_t h = b.size();
        std::string sample = r.sample;
        sample.resize(32, ' ');
        b.u32(r.steps.value_or(static_cast<std::uint32_t>(r.counts.size()))).f32(r.step_time).f32(r.step).u32(6536);
        b.zeros(4).f32(r.start).f32(0).f32(-1.0e6f).f32(0).raw(sample).f32(r.ka1).f32(r.ka2);
        b.raw(std::string(72, 'J'));  // the stale bytes real files hold there
        b.at(h + 148).u32(r.follows.value_or(k + 1 < ranges.size() ? 1 : 0));
        for (float c : r.counts) b.f32(c);
    }
    return b.str();
}

RawV4Record RawV4NamedValue(const std::string& tag, const std::string& value, std::size_t pad) {
    Bytes b;
    b.u32(0).fixed(tag, 24).raw(value);
    if (pad > value.size()) b.zeros(pad - value.size());
    return {10, b.str()};
}

RawV4Record RawV4DriveStart(const std::string& drive, double start) {
    Bytes b;
    b.u32(0).fixed(drive, 24).zeros(20).f64(start).zeros(28);
    return {50, b.str()};
}

namespace {

void PutRecord(Bytes& b, const RawV4Record& r) {
    b.u32(r.type).u32(static_cast<std::uint32_t>(8 + r.body.size())).raw(r.body);
}

}  // namespace

std::string WriteRawV4(const RawV4File& f) {
    Bytes segments;
    for (const RawV4Record& r : f.segments) PutRecord(segments, r);
    if (f.tube) {
        Bytes t;
        t.zeros(16).f32(560).zeros(44).f64(1.5418).f64(1.5406).f64(f.ka2).f64(1.39222).f64(f.ratio).u32(0);
        t.fixed("Cu", 4).zeros(16);
        PutRecord(segments, {30, t.str()});
    }
    Bytes b;
    b.raw("RAW4.00").u8(0).u32(0xFFEF).fixed(f.date, 12).fixed(f.time, 10).zeros(2).u32(1).u32(1).u32(1);
    b.f32(6304.5f).f32(63.2f).u32(static_cast<std::uint32_t>(segments.size())).u8(0);
    b.raw(segments.str());
    for (const RawV4Range& r : f.ranges) {
        Bytes extra;
        for (const RawV4Record& e : r.extra) PutRecord(extra, e);
        const std::uint32_t n = r.steps.value_or(static_cast<std::uint32_t>(r.counts.size()));
        const std::size_t h = b.size();
        b.u32(0).u32(n).u32(n).u32(4).zeros(16).fixed(r.scan_type, 24).zeros(16).f64(r.start).f64(r.step).u32(n);
        b.f32(r.step_time).f32(0).f32(r.kv).f32(r.ma).zeros(4).f64(r.wavelength).zeros(16).u32(r.datum);
        b.u32(r.extra_length.value_or(static_cast<std::uint32_t>(extra.size())));
        b.at(h + 160).raw(extra.str());
        for (float c : r.counts) {
            b.f32(c);
            if (r.datum == 8) b.u32(1);
            else if (r.datum > 4) b.zeros(r.datum - 4);
        }
    }
    return b.str();
}

}  // namespace testing_support

#include "xrddata/formats/philipsrd.h"

#include <cmath>
#include <cstring>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/stepdata.h"

namespace xrddata::formats {

namespace {

constexpr std::size_t kHeader = 250;

template <std::size_t N>
std::string Named(const char* const (&names)[N], unsigned index) {
    return index < N ? names[index] : "unknown (" + std::to_string(index) + ")";
}

}  // namespace

bool IsPhilipsRd(Bytes bytes) {
    if (bytes.size() < 4) return false;
    const std::string_view magic = AsText(bytes.subspan(0, 4));
    return magic == "V3RD" || magic == "V3SD";
}

Measurement ReadPhilipsRd(const Source& source) {
    const Bytes b = source.bytes;
    if (b.size() < kHeader)
        throw ReadError(Problem::inconsistent, "the file ends inside the " + std::to_string(kHeader) +
                                                   "-byte header")
            .at_offset(b.size());
    const Block<kHeader> h(b, 0);
    static const char* const diffractometers[] = {"PW1800",  "PW1710 based system", "PW1840", "PW3710 based system",
                                                  "Undefined", "X'Pert MPD"};
    static const char* const anodes[] = {"Cu", "Mo", "Fe", "Cr", "Other"};
    static const char* const foci[] = {"BF", "NF", "FF", "LFF"};

    Measurement m;
    Metadata& meta = m.meta;
    meta.format_version = std::string(AsText(b.subspan(0, 2)));
    const unsigned anode = std::to_integer<unsigned>(*h.at(85));
    if (anode < 4) meta.anode = anodes[anode];
    meta.properties.emplace_back("diffractometer", Named(diffractometers, std::to_integer<unsigned>(*h.at(84))));
    meta.properties.emplace_back("anode", Named(anodes, anode));
    meta.properties.emplace_back("focus", Named(foci, std::to_integer<unsigned>(*h.at(86))));
    const double a1 = h.f64(94), a2 = h.f64(102), ratio = h.f64(110);
    if (std::isfinite(a1) && a1 > 0) meta.wavelength = a1;
    if (std::isfinite(a2) && a2 > 0) meta.ka2_wavelength = a2;
    if (std::isfinite(ratio) && ratio >= 0) meta.ka2_ratio = ratio;
    meta.properties.emplace_back("file name", h.trimmed(138, 8));
    meta.sample = h.trimmed(146, 20);
    meta.properties.emplace_back("intensity", "stored as sqrt(100 * counts) in 16 bits: counts = v * v / 100");

    const double step = h.f64(214), start = h.f64(222), end = h.f64(230);
    if (!std::isfinite(step) || !std::isfinite(start) || !std::isfinite(end))
        throw ReadError(Problem::malformed, "the step, first and last angle are not numbers").at_offset(214);
    const std::optional<StepRange> range = MakeStepRange(start, step, end, 0.5);
    if (!range)
        throw ReadError(Problem::inconsistent, "the step must be positive and the last angle above the first")
            .at_offset(214);
    Scan scan;
    SetStepSettings(*range, scan);
    const std::size_t held = (b.size() - kHeader) / 2;
    const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(range->points, static_cast<std::int64_t>(held)));
    if (static_cast<std::int64_t>(held) < range->points)
        m.warnings.push_back("the file holds " + std::to_string(held) + " of the " + std::to_string(range->points) +
                             " points its range gives");
    else if (static_cast<std::int64_t>(held) > range->points)
        m.warnings.push_back(std::to_string(held - n) + " values after the " + std::to_string(n) +
                             " points of the range are not read");
    scan.two_theta.resize(n);
    scan.counts.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double v = le::u16(b.data() + kHeader + 2 * i);
        scan.two_theta[i] = start + static_cast<double>(i) * step;
        scan.counts[i] = v * v / 100.0;
    }
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace xrddata::formats

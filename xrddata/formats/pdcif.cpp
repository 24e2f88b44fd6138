#include "xrddata/formats/pdcif.h"

#include <cmath>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/cif.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/lines.h"

namespace xrddata::formats {

namespace {

const char* const kIntensityTags[] = {"_pd_meas_counts_total", "_pd_meas_intensity_total", "_pd_proc_intensity_net",
                                      "_pd_proc_intensity_total"};
const char* const kPositionTags[] = {"_pd_meas_angle_2theta", "_pd_meas_2theta_scan", "_pd_proc_2theta_corrected"};
const char* const kOtherAxisTags[] = {"_pd_meas_time_of_flight", "_pd_proc_d_spacing", "_pd_proc_recip_len_Q",
                                      "_pd_meas_position"};

// A CIF number with its optional standard uncertainty: "1733", "-0.5", "1.25e3", "12.5(3)". The uncertainty's
// digits count in units of the number's last digit; they are scaled on the decimal text, so that "695.000(26)"
// gives exactly the double nearest 0.026 * 1000.
bool ParseCifNumber(std::string_view text, double& value, std::optional<double>& su) {
    su.reset();
    const std::size_t open = text.find('(');
    const std::string_view number = open == std::string_view::npos ? text : text.substr(0, open);
    if (!ParseDouble(number, value) || number.find_first_of(" \t") != std::string_view::npos) return false;
    if (open == std::string_view::npos) return true;
    if (text.back() != ')' || text.size() < open + 3) return false;
    const std::string_view digits = text.substr(open + 1, text.size() - open - 2);
    for (char c : digits)
        if (c < '0' || c > '9') return false;
    // Decimals and exponent of the number.
    long exponent = 0;
    std::string_view mantissa = number;
    if (const std::size_t e = number.find_first_of("eE"); e != std::string_view::npos) {
        mantissa = number.substr(0, e);
        double ex;
        if (!ParseDouble(number.substr(e + 1), ex)) return false;
        exponent = static_cast<long>(ex);
    }
    const std::size_t point = mantissa.find('.');
    const long decimals = point == std::string_view::npos ? 0 : static_cast<long>(mantissa.size() - point - 1);
    double s;
    if (!ParseDouble(std::string(digits) + "e" + std::to_string(exponent - decimals), s)) return false;
    su = s;
    return true;
}

std::optional<double> ItemNumber(const cif::Block& b, const char* tag) {
    const cif::Value* v = b.find(tag);
    if (!v || v->unknown()) return std::nullopt;
    double d;
    std::optional<double> su;
    if (!ParseCifNumber(v->text, d, su))
        throw ReadError(Problem::malformed, std::string(tag) + " is not a number: \"" + std::string(v->text) + "\"")
            .at_line(v->line);
    return d;
}

std::string Text(const cif::Value& v) { return std::string(TrimBlanks(v.text)); }

// The radiation of the block: one wavelength item, or the wavelength loop with the weight of each line.
void Radiation(const cif::Block& b, Metadata& meta) {
    if (const std::optional<double> w = ItemNumber(b, "_diffrn_radiation_wavelength")) meta.wavelength = *w;
    for (const cif::Loop& l : b.loops) {
        const int wc = l.column("_diffrn_radiation_wavelength");
        if (wc < 0) continue;
        const int wt = l.column("_diffrn_radiation_wavelength_wt");
        double w[2] = {0, 0}, weight[2] = {1, 0};
        std::optional<double> su;
        const std::size_t rows = std::min<std::size_t>(l.rows(), 2);
        for (std::size_t r = 0; r < rows; ++r) {
            const cif::Value& v = l.values[r * l.tags.size() + static_cast<std::size_t>(wc)];
            if (!ParseCifNumber(v.text, w[r], su))
                throw ReadError(Problem::malformed, "a wavelength is not a number").at_line(v.line);
            if (wt >= 0) {
                const cif::Value& x = l.values[r * l.tags.size() + static_cast<std::size_t>(wt)];
                if (!x.unknown() && !ParseCifNumber(x.text, weight[r], su))
                    throw ReadError(Problem::malformed, "a wavelength weight is not a number").at_line(x.line);
            }
        }
        if (rows >= 1) meta.wavelength = w[0];
        if (rows >= 2) {
            meta.ka2_wavelength = w[1];
            if (wt >= 0 && weight[0] > 0) meta.ka2_ratio = weight[1] / weight[0];
        }
        break;
    }
    if (const cif::Value* t = b.find("_diffrn_source_target"); t && !t->unknown()) meta.anode = Text(*t);
}

void BlockMetadata(const cif::Block& b, Metadata& meta) {
    Radiation(b, meta);
    if (const cif::Value* d = b.find("_pd_meas_datetime_initiated"); d && !d->unknown()) {
        meta.date.text = Text(*d);
        meta.date.value = ParseDate(*meta.date.text);
    }
    for (const char* tag : {"_pd_spec_description", "_chemical_name_common", "_pd_phase_name"}) {
        const cif::Value* v = b.find(tag);
        if (v && !v->unknown() && !TrimBlanks(v->text).empty()) {
            meta.sample = Text(*v);
            break;
        }
    }
    if (meta.sample.empty()) meta.sample = std::string(b.name);
    if (const cif::Value* v = b.find("_pd_proc_info_data_reduction"); v && !v->unknown()) meta.comments = Text(*v);
}

// The scan of a block, or null when the block holds no powder intensities.
std::optional<Scan> BlockScan(const cif::Block& b, Measurement& m) {
    const cif::Loop* loop = nullptr;
    int yc = -1;
    const char* yTag = nullptr;
    for (const char* tag : kIntensityTags) {
        for (const cif::Loop& l : b.loops)
            if ((yc = l.column(tag)) >= 0) {
                loop = &l;
                yTag = tag;
                break;
            }
        if (loop) break;
    }
    if (!loop) return std::nullopt;
    for (const char* tag : kOtherAxisTags)
        if (loop->column(tag) >= 0)
            throw ReadError(Problem::malformed, "block " + std::string(b.name) + " gives its positions as " + tag +
                                                    ", not two-theta")
                .at_line(loop->line);
    int xc = -1;
    const char* xTag = nullptr;
    for (const char* tag : kPositionTags)
        if ((xc = loop->column(tag)) >= 0) {
            xTag = tag;
            break;
        }
    Scan scan;
    scan.properties.emplace_back("block", std::string(b.name));
    scan.properties.emplace_back("intensity", yTag);
    std::optional<double> min, max, inc;
    for (const char* prefix : {"_pd_meas_2theta_range_", "_pd_proc_2theta_range_"}) {
        const std::string p(prefix);
        min = ItemNumber(b, (p + "min").c_str());
        max = ItemNumber(b, (p + "max").c_str());
        inc = ItemNumber(b, (p + "inc").c_str());
        if (min && inc) break;
    }
    if (xc < 0) {
        if (!min || !inc || !(*inc > 0))
            throw ReadError(Problem::malformed, "block " + std::string(b.name) +
                                                    " gives neither two-theta per point nor a range with a positive "
                                                    "increment")
                .at_line(loop->line);
        scan.start = min;
        scan.step = inc;
        scan.end = max;
    } else {
        scan.properties.emplace_back("positions", xTag);
    }
    if (const std::optional<double> n = ItemNumber(b, "_pd_meas_number_of_points"); n && *n >= 0 && *n < 1e12)
        scan.declared_points = static_cast<std::int64_t>(*n);

    // The intensity's own uncertainty column (DDLm's "_su" names) takes the place of uncertainties in parentheses.
    const int sc = loop->column(std::string(yTag) + "_su");
    const std::size_t cols = loop->tags.size(), rows = loop->rows();
    std::size_t skipped = 0, withSu = 0;
    // A number of the loop, or the read fails quoting the value and saying what it should have been.
    auto parse = [](const cif::Value& v, double& out, std::optional<double>& su, const char* what) {
        if (!ParseCifNumber(v.text, out, su))
            throw ReadError(Problem::malformed, "\"" + std::string(v.text.substr(0, 40)) + "\" is not " + what)
                .at_line(v.line);
    };
    scan.two_theta.reserve(rows);
    scan.counts.reserve(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        const cif::Value& yv = loop->values[r * cols + static_cast<std::size_t>(yc)];
        double x = 0, y;
        std::optional<double> su, xsu;
        if (xc >= 0) {
            const cif::Value& xv = loop->values[r * cols + static_cast<std::size_t>(xc)];
            if (xv.unknown()) {
                ++skipped;
                continue;
            }
            parse(xv, x, xsu, "a position");
        } else {
            x = *min + static_cast<double>(r) * *inc;
        }
        if (yv.unknown()) {
            ++skipped;
            continue;
        }
        parse(yv, y, su, "an intensity");
        if (sc >= 0) {
            const cif::Value& sv = loop->values[r * cols + static_cast<std::size_t>(sc)];
            std::optional<double> unused;
            double s = 0;
            su.reset();
            if (!sv.unknown()) {
                parse(sv, s, unused, "an uncertainty");
                su = s;
            }
        }
        scan.two_theta.push_back(x);
        scan.counts.push_back(y);
        if (su) {
            if (scan.sigma.size() < scan.counts.size() - 1) scan.sigma.resize(scan.counts.size() - 1, 0.0);
            scan.sigma.push_back(*su);
            ++withSu;
        }
    }
    if (withSu != scan.counts.size()) {
        if (withSu)
            m.warnings.push_back("block " + std::string(b.name) + ": " + std::to_string(withSu) + " of " +
                                 std::to_string(scan.counts.size()) +
                                 " intensities carry an uncertainty; no point keeps one");
        scan.sigma.clear();
    }
    if (skipped)
        m.warnings.push_back("block " + std::string(b.name) + ": " + std::to_string(skipped) +
                             " rows without a known position or intensity are left out");
    if (xc < 0 && max && rows > 1 && std::fabs(*min + static_cast<double>(rows - 1) * *inc - *max) > *inc / 2)
        m.warnings.push_back("block " + std::string(b.name) + ": " + std::to_string(rows) +
                             " points from the range minimum in steps of the increment do not end at its maximum");
    for (const cif::Item& i : b.items)
        if (!i.value.unknown()) scan.properties.emplace_back(std::string(i.tag), std::string(i.value.text));
    return scan;
}

}  // namespace

bool IsPowderCif(Bytes bytes) {
    const std::string_view head = AsText(bytes.subspan(0, std::min<std::size_t>(bytes.size(), 4096)));
    // A data block and a powder item in the header buffer. A CIF whose powder items begin later (a long
    // structure part first) is still read when the format is named.
    std::size_t at = 0;
    bool block = false;
    while (at < head.size()) {
        std::size_t end = head.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = head.size();
        const std::string_view line = TrimBlanks(head.substr(at, end - at));
        if (line.size() > 5 && (line.substr(0, 5) == "data_" || line.substr(0, 5) == "DATA_")) block = true;
        if (block && line.substr(0, 4) == "_pd_") return true;
        at = end + 1;
    }
    return false;
}

Measurement ReadPowderCif(const Source& source) {
    const std::vector<cif::Block> blocks = cif::Parse(AsText(source.bytes));
    Measurement m;
    bool first = true;
    for (const cif::Block& b : blocks) {
        std::optional<Scan> scan = BlockScan(b, m);
        if (!scan) continue;
        if (first) BlockMetadata(b, m.meta);
        first = false;
        m.scans.push_back(std::move(*scan));
    }
    if (m.scans.empty()) throw ReadError(Problem::no_data, "no data block holds powder intensities");
    return m;
}

}  // namespace xrddata::formats

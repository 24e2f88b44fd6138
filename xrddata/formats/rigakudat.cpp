#include "xrddata/formats/rigakudat.h"

#include "xrddata/formats/dates.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/stepdata.h"

namespace xrddata::formats {

namespace {

struct KeyLine {
    std::string key;  // without the '*', upper case as the files write it
    std::string value;
    bool has_value = false;
};

// "*KEY = value" or a bare "*KEY" (*BEGIN, *END, *EOF).
std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    const std::string_view t = TrimBlanks(line);
    if (t.size() < 2 || t.front() != '*') return std::nullopt;
    KeyLine k;
    const std::size_t eq = t.find('=');
    k.key = std::string(TrimBlanks(t.substr(1, eq == std::string_view::npos ? t.npos : eq - 1)));
    if (k.key.empty() || k.key.find_first_of(" \t\"") != std::string::npos) return std::nullopt;
    if (eq != std::string_view::npos) {
        k.has_value = true;
        k.value = std::string(TrimBlanks(t.substr(eq + 1)));
    }
    return k;
}

// The anode element of *TARGET, which the files give as an atomic number ("29") or a symbol.
std::string AnodeOf(const std::string& target) {
    static const struct {
        int z;
        const char* symbol;
    } anodes[] = {{24, "Cr"}, {25, "Mn"}, {26, "Fe"}, {27, "Co"}, {28, "Ni"}, {29, "Cu"},
                  {42, "Mo"}, {45, "Rh"}, {47, "Ag"}, {74, "W"}};
    double z;
    if (!ParseDouble(target, z)) return target;
    for (const auto& a : anodes)
        if (a.z == z) return a.symbol;
    return target;
}

std::optional<double> Number(const Properties& keys, const char* key, std::uint64_t line) {
    const std::string* v = find_property(keys, key);
    if (!v) return std::nullopt;
    double d;
    if (!ParseDouble(*v, d))
        throw ReadError(Problem::malformed, "*" + std::string(key) + " is not a number: \"" + *v + "\"").at_line(line);
    return d;
}

void FileKey(Metadata& meta, const KeyLine& k) {
    double v;
    if (k.key == "SAMPLE") {
        meta.sample = k.value;
    } else if (k.key == "COMMENT" || k.key == "MEMO") {
        if (!k.value.empty()) {
            if (!meta.comments.empty()) meta.comments += '\n';
            meta.comments += k.value;
        }
    } else if (k.key == "DATE") {
        meta.date.text = k.value;
        meta.date.value = ParseDate(k.value);
    } else if (k.key == "TARGET") {
        meta.anode = AnodeOf(k.value);
    } else if (k.key == "WAVE_LENGTH1" && ParseDouble(k.value, v)) {
        meta.wavelength = v;
    } else if (k.key == "WAVE_LENGTH2" && ParseDouble(k.value, v)) {
        meta.ka2_wavelength = v;
    }
    meta.properties.emplace_back(k.key, k.value);
}

}  // namespace

bool IsRigakuDat(Bytes bytes) {
    const std::vector<std::string_view> lines = HeadLines(bytes, 80);
    bool first = true, group = false;
    for (std::string_view l : lines) {
        if (TrimBlanks(l).empty()) continue;
        const std::optional<KeyLine> k = ParseKeyLine(l);
        if (first && (!k || !k->has_value)) return false;
        first = false;
        if (k && (k->key == "BEGIN" || k->key == "GROUP_COUNT" || k->key == "START")) group = true;
    }
    return !first && group;
}

Measurement ReadRigakuDat(const Source& source) {
    LineSplitter lines(source.bytes);
    Measurement m;
    std::string_view line;
    std::optional<std::int64_t> groups;
    bool inGroup = false, ended = false;
    Scan scan;
    std::uint64_t beginLine = 0;
    while (!ended && lines.next(line)) {
        const std::string_view t = TrimBlanks(line);
        if (t.empty()) continue;
        if (t.front() != '*') {
            if (!inGroup)
                throw ReadError(Problem::malformed, "a line outside a *BEGIN ... *END group is not a key")
                    .at_line(lines.number());
            if (!scan.start || !scan.step)
                throw ReadError(Problem::malformed, "the group gives its intensities before *START and *STEP")
                    .at_line(lines.number());
            if (t.front() == '\x1a') break;
            std::string_view rest = t;
            for (;;) {
                while (!rest.empty() && (rest.front() == ',' || rest.front() == ' ' || rest.front() == '\t'))
                    rest.remove_prefix(1);
                if (rest.empty()) break;
                double v;
                if (!TakeDouble(rest, v) || (!rest.empty() && rest.front() != ',' && rest.front() != ' ' &&
                                             rest.front() != '\t'))
                    throw ReadError(Problem::malformed, "\"" + std::string(TrimBlanks(t).substr(0, 40)) +
                                                            "\" is not a list of intensities")
                        .at_line(lines.number());
                scan.two_theta.push_back(*scan.start + static_cast<double>(scan.counts.size()) * *scan.step);
                scan.counts.push_back(v);
            }
            continue;
        }
        const std::optional<KeyLine> k = ParseKeyLine(t);
        if (!k) throw ReadError(Problem::malformed, "the key line does not parse").at_line(lines.number());
        if (k->key == "EOF") {
            ended = true;
        } else if (k->key == "BEGIN") {
            if (inGroup)
                throw ReadError(Problem::malformed, "*BEGIN inside a group that has not ended").at_line(lines.number());
            inGroup = true;
            beginLine = lines.number();
            scan = Scan{};
        } else if (k->key == "END") {
            if (!inGroup) throw ReadError(Problem::malformed, "*END without *BEGIN").at_line(lines.number());
            inGroup = false;
            if (scan.declared_points && static_cast<std::int64_t>(scan.size()) != *scan.declared_points)
                m.warnings.push_back("the group at line " + std::to_string(beginLine) + " holds " +
                                     std::to_string(scan.size()) + " points where *COUNT gives " +
                                     std::to_string(*scan.declared_points));
            m.scans.push_back(std::move(scan));
        } else if (inGroup) {
            if (!scan.counts.empty())
                throw ReadError(Problem::malformed, "a key among the intensities").at_line(lines.number());
            scan.properties.emplace_back(k->key, k->value);
            const std::uint64_t at = lines.number();
            if (k->key == "START") scan.start = Number(scan.properties, "START", at);
            if (k->key == "STOP") scan.end = Number(scan.properties, "STOP", at);
            if (k->key == "STEP") scan.step = Number(scan.properties, "STEP", at);
            // In fixed-time mode the speed is the counting time per step ("*SPEED_DIM = sec./step(FT)").
            if (k->key == "SPEED") {
                const std::string* dim = find_property(m.meta.properties, "SPEED_DIM");
                const std::optional<double> v = Number(scan.properties, "SPEED", at);
                if (dim && dim->rfind("sec", 0) == 0 && v && *v > 0) scan.step_time = v;
            }
            if (k->key == "COUNT") {
                const std::optional<double> n = Number(scan.properties, "COUNT", at);
                if (n && *n >= 0 && *n < 1e12) scan.declared_points = static_cast<std::int64_t>(*n);
            }
        } else {
            FileKey(m.meta, *k);
            if (k->key == "GROUP_COUNT") {
                const std::optional<double> n = Number(m.meta.properties, "GROUP_COUNT", lines.number());
                if (n && *n >= 0 && *n < 1e12) groups = static_cast<std::int64_t>(*n);
            }
        }
    }
    if (inGroup) {
        m.warnings.push_back("the group at line " + std::to_string(beginLine) + " has no *END; its " +
                             std::to_string(scan.size()) + " points are kept");
        m.scans.push_back(std::move(scan));
    }
    if (groups && *groups != static_cast<std::int64_t>(m.scans.size()))
        m.warnings.push_back("the file holds " + std::to_string(m.scans.size()) + " groups where *GROUP_COUNT gives " +
                             std::to_string(*groups));
    if (m.scans.empty()) throw ReadError(Problem::no_data, "the file holds no *BEGIN ... *END group");
    if (const std::string* unit = find_property(m.meta.properties, "YUNIT"); unit && *unit == "cps")
        m.warnings.push_back("*YUNIT names cps; the intensities are kept as the file stores them");
    return m;
}

}  // namespace xrddata::formats

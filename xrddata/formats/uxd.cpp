#include "xrddata/formats/uxd.h"

#include "xrddata/formats/dates.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/stepdata.h"

namespace xrddata::formats {

namespace {

std::string Upper(std::string_view t) {
    std::string u(t);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

// A value without blanks around it and without its single quotes.
std::string Unquoted(std::string_view v) {
    v = TrimBlanks(v);
    if (v.size() >= 2 && v.front() == '\'' && v.back() == '\'') v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// The keys that open a range (the file's own keys come before the first of them).
bool IsRangeKey(const std::string& key) {
    static const char* const keys[] = {"DRIVE", "STEPTIME", "STEPSIZE", "STEPMODE", "STEPCOUNT", "START",
                                       "THETA", "2THETA",   "KHI",      "PHI",      "RANGE_WL"};
    for (const char* k : keys)
        if (key == k) return true;
    return false;
}

// Axes that are not two-theta when a range drives them alone.
bool IsOtherAxis(const std::string& drive) {
    static const char* const axes[] = {"THETA", "OMEGA", "PHI", "KHI", "CHI", "PSI", "X", "Y", "Z"};
    for (const char* a : axes)
        if (drive == a) return true;
    return false;
}

struct DataHeader {
    bool paired = false;  // "two-theta intensity" lines
    bool rate = false;    // counts per second
};

// The data header of a key line without '=' ("_2THETACOUNTS"), or null.
std::optional<DataHeader> ParseDataHeader(const std::string& key) {
    if (key == "COUNTS") return DataHeader{false, false};
    if (key == "CPS") return DataHeader{false, true};
    if (key == "2THETACOUNTS") return DataHeader{true, false};
    if (key == "2THETACPS") return DataHeader{true, true};
    return std::nullopt;
}

bool ParseNumber(const std::string& text, double& v) { return ParseDouble(text, v); }

class UxdReader {
public:
    explicit UxdReader(Bytes bytes) : lines_(bytes) {}

    Measurement read() {
        std::string_view line;
        bool pending = lines_.next(line);
        while (pending) {
            const std::string_view t = TrimBlanks(line);
            if (t.empty()) {
                pending = lines_.next(line);
                continue;
            }
            if (t.front() == ';') {
                Comment(t.substr(1));
                pending = lines_.next(line);
                continue;
            }
            if (t.front() != '_')
                throw ReadError(Problem::malformed, "a line outside the data is neither a key nor a comment")
                    .at_line(lines_.number());
            const std::size_t eq = t.find('=');
            if (eq != std::string_view::npos) {
                Key(Upper(TrimBlanks(t.substr(1, eq - 1))), Unquoted(t.substr(eq + 1)));
                pending = lines_.next(line);
                continue;
            }
            const std::string key = Upper(TrimBlanks(t.substr(1)));
            const std::optional<DataHeader> header = ParseDataHeader(key);
            if (!header)
                throw ReadError(Problem::malformed, "the data header _" + key + " is not one of _COUNTS, _CPS, "
                                                    "_2THETACOUNTS, _2THETACPS")
                    .at_line(lines_.number());
            pending = Data(*header, line);
        }
        if (m_.scans.empty()) throw ReadError(Problem::no_data, "the file holds no data block");
        return std::move(m_);
    }

private:
    void Comment(std::string_view text) {
        // The comments that open the file; later ones annotate keys ("; None") or ranges.
        if (keyed_) return;
        text = TrimBlanks(text);
        if (text.empty()) return;
        if (!m_.meta.comments.empty()) m_.meta.comments += '\n';
        m_.meta.comments += text;
    }

    void Key(const std::string& key, const std::string& value) {
        keyed_ = true;
        if (!inRanges_ && IsRangeKey(key)) inRanges_ = true;
        if (!inRanges_) return FileKey(key, value);
        range_.emplace_back(key, value);
    }

    void FileKey(const std::string& key, const std::string& value) {
        Metadata& meta = m_.meta;
        double v;
        if (key == "FILEVERSION") {
            meta.format_version = value;
        } else if (key == "SAMPLE") {
            meta.sample = value;
        } else if (key == "COMMENT") {
            if (!meta.comments.empty()) meta.comments += '\n';
            meta.comments += value;
        } else if (key == "DATEMEASURED") {
            meta.date.text = value;
            meta.date.value = ParseDate(value);
        } else if (key == "ANODE") {
            meta.anode = value;
        } else if ((key == "WL1" || key == "WL2" || key == "WL3" || key == "WLRATIO") && ParseNumber(value, v)) {
            (key == "WL1" ? meta.wavelength : key == "WL2" ? meta.ka2_wavelength
                                            : key == "WL3" ? meta.kb_wavelength
                                                           : meta.ka2_ratio) = v;
        }
        meta.properties.emplace_back(key, value);
    }

    const std::string* RangeValue(const char* key) const {
        for (auto it = range_.rbegin(); it != range_.rend(); ++it)
            if (it->first == key) return &it->second;
        return nullptr;
    }

    std::optional<double> RangeNumber(const char* key) {
        const std::string* v = RangeValue(key);
        if (!v) return std::nullopt;
        double d;
        if (!ParseNumber(*v, d))
            throw ReadError(Problem::malformed, "_" + std::string(key) + " is not a number: \"" + *v + "\"")
                .at_line(lines_.number());
        return d;
    }

    // Reads the data lines after a data header; returns whether a line is pending in `line`.
    bool Data(const DataHeader& h, std::string_view& line) {
        inRanges_ = true;
        const std::uint64_t headerLine = lines_.number();
        const std::size_t index = m_.scans.size() + 1;
        Scan scan;
        scan.start = RangeNumber("START");
        if (!scan.start) scan.start = RangeNumber("2THETA");
        scan.step = RangeNumber("STEPSIZE");
        scan.step_time = RangeNumber("STEPTIME");
        if (const std::optional<double> n = RangeNumber("STEPCOUNT"); n && *n >= 0 && *n < 1e12)
            scan.declared_points = static_cast<std::int64_t>(*n);
        if (const std::string* d = RangeValue("DRIVE")) scan.axis = *d;
        if (const std::string* s = RangeValue("STEPMODE")) scan.mode = *s;
        scan.properties = std::move(range_);
        range_.clear();
        if (!h.paired && (!scan.start || !scan.step))
            throw ReadError(Problem::malformed, "range " + std::to_string(index) +
                                                    " gives its intensities without _START (or _2THETA) and _STEPSIZE")
                .at_line(headerLine);
        if (h.rate && !(scan.step_time && *scan.step_time > 0))
            throw ReadError(Problem::malformed, "range " + std::to_string(index) +
                                                    " gives counts per second but no positive _STEPTIME to "
                                                    "turn them into counts")
                .at_line(headerLine);
        if (IsOtherAxis(Upper(scan.axis)))
            m_.warnings.push_back("range " + std::to_string(index) + " drives " + scan.axis +
                                  ": its positions are that axis's angles, not two-theta");

        bool pending;
        while ((pending = lines_.next(line))) {
            const std::string_view t = TrimBlanks(line);
            if (t.empty()) continue;
            if (t.front() == '_' || t.front() == ';') break;
            if (t.front() == '\x1a') {
                pending = false;
                break;
            }
            std::string_view rest = t;
            double v;
            if (h.paired) {
                double x;
                if (!TakeDouble(rest, x) || !TakeDouble(rest, v) || !TrimBlanks(rest).empty())
                    throw ReadError(Problem::malformed, "a data line holds two-theta and an intensity")
                        .at_line(lines_.number());
                scan.two_theta.push_back(x);
                scan.counts.push_back(v);
                continue;
            }
            while (!TrimBlanks(rest).empty()) {
                if (!TakeDouble(rest, v))
                    throw ReadError(Problem::malformed, "\"" + std::string(TrimBlanks(rest).substr(0, 40)) +
                                                            "\" is not an intensity")
                        .at_line(lines_.number());
                scan.two_theta.push_back(*scan.start + static_cast<double>(scan.counts.size()) * *scan.step);
                scan.counts.push_back(v);
            }
        }
        if (h.rate) {
            for (double& c : scan.counts) c *= *scan.step_time;
            if (!rateNoted_) {
                m_.meta.properties.emplace_back("intensity",
                                                "counts per second in the file, multiplied by each range's "
                                                "_STEPTIME to give counts");
                rateNoted_ = true;
            }
        }
        if (scan.declared_points && static_cast<std::int64_t>(scan.size()) != *scan.declared_points)
            m_.warnings.push_back("range " + std::to_string(index) + " holds " + std::to_string(scan.size()) +
                                  " points where _STEPCOUNT gives " + std::to_string(*scan.declared_points));
        m_.scans.push_back(std::move(scan));
        return pending;
    }

    LineSplitter lines_;
    Measurement m_;
    Properties range_;
    bool inRanges_ = false;
    bool rateNoted_ = false;
    bool keyed_ = false;
};

}  // namespace

bool IsUxd(Bytes bytes) {
    const std::vector<std::string_view> lines = HeadLines(bytes, 40);
    bool keyed = false;
    for (std::string_view l : lines) {
        const std::string_view t = TrimBlanks(l);
        if (t.empty() || t.front() == ';') continue;
        if (t.front() != '_') return false;
        const std::size_t eq = t.find('=');
        const std::string key = Upper(TrimBlanks(t.substr(1, eq == std::string_view::npos ? t.npos : eq - 1)));
        if (key == "FILEVERSION" || key == "SAMPLE" || key == "DRIVE" || key == "STEPSIZE" || key == "START" ||
            key == "2THETA" || ParseDataHeader(key))
            keyed = true;
        if (eq == std::string_view::npos) return keyed;  // a data header (the reader names one it does not know)
    }
    return keyed;
}

Measurement ReadUxd(const Source& source) { return UxdReader(source.bytes).read(); }

}  // namespace xrddata::formats

#include "xrddata/formats/gsas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "xrddata/formats/decimal.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/stepdata.h"

namespace xrddata::formats {

namespace {

constexpr std::size_t kMaxLinesBeforeBank = 20;

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> t;
    std::size_t p = 0;
    while (p < line.size()) {
        while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
        std::size_t q = p;
        while (q < line.size() && line[q] != ' ' && line[q] != '\t') ++q;
        if (q > p) t.push_back(line.substr(p, q - p));
        p = q;
    }
    return t;
}

bool IsWord(std::string_view t) {
    if (t.empty()) return false;
    for (char c : t)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')) return false;
    return true;
}

bool ToCount(std::string_view t, std::int64_t& n) {
    double v;
    if (!ParseDouble(t, v) || v < 0 || v != std::floor(v) || v > 1e12) return false;
    n = static_cast<std::int64_t>(v);
    return true;
}

std::string Upper(std::string_view t) {
    std::string u(t);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

struct Bank {
    std::int64_t number = 0, channels = 0, records = 0;
    std::string bintyp;
    std::vector<std::string_view> coef;  // BCOEF texts as written
    std::string type = "STD";
};

bool IsBankLine(std::string_view line) {
    return line.size() >= 5 && line.substr(0, 4) == "BANK" && (line[4] == ' ' || line[4] == '\t');
}

std::optional<Bank> ParseBank(std::string_view line) {
    const std::vector<std::string_view> t = Tokens(line);
    Bank b;
    if (t.size() < 5 || !ToCount(t[1], b.number) || !ToCount(t[2], b.channels) || !ToCount(t[3], b.records) ||
        !IsWord(t[4]))
        return std::nullopt;
    b.bintyp = Upper(t[4]);
    std::size_t i = 5;
    for (; i < t.size(); ++i) {
        double v;
        if (!ParseDouble(t[i], v)) break;
        b.coef.push_back(t[i]);
    }
    if (i < t.size()) {
        if (!IsWord(t[i])) return std::nullopt;
        b.type = Upper(t[i]);
    }
    return b;
}

bool IsTimeOfFlight(const std::string& bintyp) { return bintyp == "TIME_MAP" || bintyp == "RALF" || bintyp == "SLOG"; }

// Positions beyond this many degrees are no angles.
constexpr double kMaxAngle = 180.0;

// The points of one bank from its record lines.
class BankReader {
public:
    BankReader(const Bank& bank, std::size_t budget, Measurement& m) : bank_(bank), m_(m) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(bank.channels, budget));
        scan_.counts.reserve(n);
    }

    bool full() const { return static_cast<std::int64_t>(scan_.counts.size()) >= bank_.channels; }

    void record(std::string_view line, std::uint64_t number) {
        if (bank_.type == "FXYE") return Free(line, number);
        const bool esd = bank_.type == "ESD", alt = bank_.type == "ALT";
        const std::size_t width = alt ? 20 : esd ? 16 : 8;
        const std::size_t fields = 80 / width;
        // Fields a short record lacks read as blanks (zero), as a Fortran read pads them, when another record
        // follows; at the end of the bank they are no points.
        for (; owed_ > 0 && !full(); --owed_) {
            if (alt) Alt({}, number);
            else if (esd) Pair({}, number);
            else Std({}, number);
        }
        owed_ = 0;
        const std::size_t used = TrimRight(line).size();
        for (std::size_t f = 0; f < fields && !full(); ++f) {
            const std::size_t at = f * width;
            if (at >= used) {
                owed_ = fields - f;
                if (!short_) short_ = number;
                break;
            }
            const std::string_view field = line.substr(at, std::min(width, line.size() - at));
            if (alt)
                Alt(field, number);
            else if (esd)
                Pair(field, number);
            else
                Std(field, number);
        }
    }

    Scan finish(std::uint64_t lastRecordLine) {
        if (short_ && short_ != lastRecordLine)
            m_.warnings.push_back("bank " + std::to_string(bank_.number) + ": the record at line " +
                                  std::to_string(short_) +
                                  " is shorter than its fields; the missing fields read as zero");
        const std::int64_t got = static_cast<std::int64_t>(scan_.counts.size());
        if (got < bank_.channels)
            m_.warnings.push_back("bank " + std::to_string(bank_.number) + " ends after " + std::to_string(got) +
                                  " of its " + std::to_string(bank_.channels) + " points");
        if (bank_.type == "STD") {
            if (manyCounters_) {
                scan_.sigma.resize(scan_.counts.size());
                for (std::size_t i = 0; i < scan_.counts.size(); ++i)
                    scan_.sigma[i] = std::sqrt(std::max(scan_.counts[i], 0.0) / counters_[i]);
            }
        }
        if (bank_.type == "STD" || bank_.type == "ESD") {
            scan_.two_theta.resize(scan_.counts.size());
            for (std::size_t i = 0; i < scan_.counts.size(); ++i)
                scan_.two_theta[i] = start_ + static_cast<double>(i) * step_;
        }
        return std::move(scan_);
    }

    void positions(double start, double step) {
        start_ = start;
        step_ = step;
    }

private:
    static std::string_view TrimRight(std::string_view s) {
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
        return s;
    }

    [[noreturn]] static void Bad(std::string_view field, std::uint64_t line, const char* what) {
        throw ReadError(Problem::malformed,
                        "\"" + std::string(TrimBlanks(field)) + "\" is not " + what)
            .at_line(line);
    }

    void Std(std::string_view field, std::uint64_t line) {
        const std::string_view ncText = field.substr(0, std::min<std::size_t>(2, field.size()));
        const std::string_view yText = field.size() > 2 ? field.substr(2) : std::string_view();
        double nc, y;
        if (!ParseFortranField(ncText, 0, nc) || nc != std::floor(nc)) Bad(ncText, line, "a number of counters");
        if (!ParseFortranField(yText, 0, y)) Bad(yText, line, "an intensity");
        const double counters = std::max(nc, 1.0);
        if (counters > 1) manyCounters_ = true;
        counters_.push_back(counters);
        scan_.counts.push_back(y);
    }

    void Pair(std::string_view field, std::uint64_t line) {
        const std::string_view yText = field.substr(0, std::min<std::size_t>(8, field.size()));
        const std::string_view eText = field.size() > 8 ? field.substr(8) : std::string_view();
        double y, e;
        if (!ParseFortranField(yText, 0, y)) Bad(yText, line, "an intensity");
        if (!ParseFortranField(eText, 0, e)) Bad(eText, line, "a standard deviation");
        scan_.counts.push_back(y);
        scan_.sigma.push_back(e);
    }

    void Alt(std::string_view field, std::uint64_t line) {
        auto part = [&](std::size_t at, std::size_t n) {
            return at < field.size() ? field.substr(at, n) : std::string_view();
        };
        const std::string_view xText = part(0, 8), yText = part(8, 7), eText = part(15, 5);
        double x, y, e;
        if (TrimBlanks(xText).empty()) {
            x = 0;
        } else if (!ParseScaled(xText, -2, x)) {
            Bad(xText, line, "a position");
        }
        if (!ParseFortranField(yText, 4, y)) Bad(yText, line, "an intensity");
        if (!ParseFortranField(eText, 4, e)) Bad(eText, line, "a standard deviation");
        scan_.two_theta.push_back(x);
        scan_.counts.push_back(y);
        scan_.sigma.push_back(e);
    }

    void Free(std::string_view line, std::uint64_t number) {
        if (TrimBlanks(line).empty()) return;
        const std::vector<std::string_view> tok = Tokens(line);
        double x, y, e = 0;
        if (tok.size() < 2 || tok.size() > 3 || !ParseScaled(tok[0], -2, x) || !ParseDouble(tok[1], y) ||
            (tok.size() == 3 && !ParseDouble(tok[2], e)))
            throw ReadError(Problem::malformed, "an FXYE line holds a position, an intensity and a deviation")
                .at_line(number);
        if (tok.size() == 2) noDeviation_ = true;
        scan_.two_theta.push_back(x);
        scan_.counts.push_back(y);
        if (!noDeviation_) scan_.sigma.push_back(e);
        else scan_.sigma.clear();
    }

    const Bank& bank_;
    Measurement& m_;
    Scan scan_;
    std::vector<double> counters_;
    bool manyCounters_ = false;
    bool noDeviation_ = false;
    std::uint64_t short_ = 0;
    std::size_t owed_ = 0;
    double start_ = 0, step_ = 0;
};

// Why a bank is not read as two-theta, or empty when it is.
std::string TimeOfFlightReason(const Bank& b, const Scan& s) {
    if (IsTimeOfFlight(b.bintyp))
        return "bank " + std::to_string(b.number) + " is a time-of-flight bank (" + b.bintyp +
               "): its positions are flight times, not angles";
    if (b.bintyp != "CONST" && b.bintyp != "CONS")
        return "bank " + std::to_string(b.number) + " has the binning " + b.bintyp + ", which is not read";
    for (double x : s.two_theta)
        if (!(std::fabs(x) <= kMaxAngle))
            return "bank " + std::to_string(b.number) +
                   " holds positions beyond 180 degrees: a time-of-flight bank, not two-theta";
    return {};
}

}  // namespace

bool IsGsas(Bytes bytes) {
    const std::vector<std::string_view> lines = HeadLines(bytes, kMaxLinesBeforeBank + 1);
    for (std::size_t i = 1; i < lines.size(); ++i)
        if (IsBankLine(lines[i])) return ParseBank(lines[i]).has_value();
    return false;
}

Measurement ReadGsas(const Source& source) {
    LineSplitter lines(source.bytes);
    std::string_view line;
    if (!lines.next(line)) throw ReadError(Problem::no_data, "the file is empty");
    Measurement m;
    m.meta.sample = std::string(TrimBlanks(line));
    bool pending = lines.next(line);
    // Lines between the title and the first bank: comments and the instrument parameter file.
    while (pending && !IsBankLine(line)) {
        const std::string_view t = TrimBlanks(line);
        if (t.rfind("Instrument parameter", 0) == 0) {
            const std::size_t colon = t.find(':');
            m.meta.properties.emplace_back("Instrument parameter file",
                                           std::string(TrimBlanks(colon == std::string_view::npos ? t.substr(20) : t.substr(colon + 1))));
        } else if (!t.empty()) {
            if (!m.meta.comments.empty()) m.meta.comments += '\n';
            m.meta.comments += t.front() == '#' ? TrimBlanks(t.substr(1)) : t;
        }
        pending = lines.next(line);
    }
    if (!pending) throw ReadError(Problem::no_data, "the file holds no BANK line");
    std::vector<std::string> refused;
    bool centidegrees = false;
    while (pending) {
        const std::uint64_t bankLine = lines.number();
        const std::optional<Bank> bank = ParseBank(line);
        if (!bank) throw ReadError(Problem::malformed, "the BANK line does not parse").at_line(bankLine);
        const Bank& b = *bank;
        if (b.type != "STD" && b.type != "ESD" && b.type != "ALT" && b.type != "FXYE")
            throw ReadError(Problem::malformed, "the data layout " + b.type + " is not one of STD, ESD, ALT, FXYE")
                .at_line(bankLine);
        BankReader reader(b, source.bytes.size() / 2 + 1, m);
        if ((b.type == "STD" || b.type == "ESD") && !IsTimeOfFlight(b.bintyp)) {
            double start = 0, step = 0;
            if (b.coef.size() < 2 || !ParseScaled(b.coef[0], -2, start) || !ParseScaled(b.coef[1], -2, step))
                throw ReadError(Problem::malformed, "the BANK line gives no first position and step").at_line(bankLine);
            reader.positions(start, step);
        }
        std::uint64_t last = bankLine;
        // The records of a time-of-flight bank are skipped unread: the bank is refused whatever they hold.
        const bool skip = IsTimeOfFlight(b.bintyp);
        pending = lines.next(line);
        while (pending && !IsBankLine(line)) {
            if (skip || (!line.empty() && line.front() == '#')) {
            } else if (!reader.full()) {
                if (!TrimBlanks(line).empty()) last = lines.number();
                reader.record(line, lines.number());
            }
            pending = lines.next(line);
        }
        if (skip) {
            const std::string reason = TimeOfFlightReason(b, Scan{});
            m.warnings.push_back(reason + "; the bank is not read");
            refused.push_back(reason);
            continue;
        }
        Scan scan = reader.finish(last);
        const std::string reason = TimeOfFlightReason(b, scan);
        if (!reason.empty()) {
            m.warnings.push_back(reason + "; the bank is not read");
            refused.push_back(reason);
            continue;
        }
        centidegrees = true;
        scan.declared_points = b.channels;
        if (b.type == "STD" || b.type == "ESD") {
            double start = 0, step = 0;
            ParseScaled(b.coef[0], -2, start);
            ParseScaled(b.coef[1], -2, step);
            scan.start = start;
            scan.step = step;
        }
        scan.properties.emplace_back("BANK", std::to_string(b.number));
        scan.properties.emplace_back("BINTYP", b.bintyp);
        scan.properties.emplace_back("TYPE", b.type);
        m.scans.push_back(std::move(scan));
    }
    if (m.scans.empty())
        throw ReadError(Problem::malformed, refused.empty() ? "the file holds no bank" : refused.front());
    if (centidegrees)
        m.meta.properties.emplace_back("positions", "stored in centidegrees, converted to degrees two-theta");
    return m;
}

}  // namespace xrddata::formats

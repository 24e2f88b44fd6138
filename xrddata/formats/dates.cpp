#include "xrddata/formats/dates.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

namespace xrddata::formats {

namespace {

struct Cursor {
    std::string_view s;
    std::size_t p = 0;

    bool end() const { return p >= s.size(); }
    char peek() const { return end() ? '\0' : s[p]; }
    void blanks() {
        while (!end() && (s[p] == ' ' || s[p] == '\t')) ++p;
    }
    // Digits as a number; count gets how many there were (0: none, nothing consumed).
    int digits(int& count, int most = 9) {
        int v = 0;
        count = 0;
        while (!end() && count < most && std::isdigit(static_cast<unsigned char>(s[p]))) {
            v = v * 10 + (s[p] - '0');
            ++p;
            ++count;
        }
        return v;
    }
    bool take(char c) {
        if (peek() != c) return false;
        ++p;
        return true;
    }
    // A run of letters (bytes of UTF-8 letters included), lower-cased for ASCII.
    std::string word() {
        std::string w;
        while (!end()) {
            const unsigned char c = static_cast<unsigned char>(s[p]);
            if (!(std::isalpha(c) || c >= 0x80)) break;
            w += static_cast<char>(std::tolower(c));
            ++p;
        }
        return w;
    }
};

bool StartsWith(const std::string& w, std::string_view prefix) { return w.compare(0, prefix.size(), prefix) == 0; }

// 1..12 for an English, French or German month name or its abbreviation, 0 otherwise.
int MonthOfName(const std::string& w) {
    if (w.size() < 3) return 0;
    struct Name {
        const char* prefix;
        int month;
    };
    // Longer prefixes first where two months share three letters (French "juin" and "juil").
    static const Name names[] = {
        {"juin", 6}, {"juil", 7}, {"jan", 1}, {"feb", 2}, {"fev", 2}, {"f\xc3\xa9v", 2},
        {"mar", 3},  {"m\xc3\xa4r", 3}, {"mrz", 3}, {"apr", 4}, {"avr", 4}, {"may", 5}, {"mai", 5},
        {"jun", 6},  {"jul", 7}, {"aug", 8}, {"aou", 8}, {"ao\xc3\xbb", 8}, {"sep", 9}, {"oct", 10},
        {"okt", 10}, {"nov", 11}, {"dec", 12}, {"d\xc3\xa9" "c", 12}, {"dez", 12},
    };
    for (const Name& n : names)
        if (StartsWith(w, n.prefix)) return n.month;
    return 0;
}

int DaysIn(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
    return days[month - 1];
}

int FullYear(int year, int digits) {
    if (digits > 2) return year;
    return year >= 69 ? 1900 + year : 2000 + year;
}

// An optional time of day after the date: "HH:MM[:SS[.fff]]" with an optional AM/PM, then an optional zone.
bool ParseTime(Cursor& c, DateTime& t) {
    c.blanks();
    if (c.end()) return true;
    int n;
    const int hour = c.digits(n, 2);
    if (n == 0 || !c.take(':')) return false;
    const int minute = c.digits(n, 2);
    if (n != 2) return false;
    double second = 0;
    if (c.take(':')) {
        const int whole = c.digits(n, 2);
        if (n != 2) return false;
        second = whole;
        if (c.take('.') || c.take(',')) {
            double scale = 0.1;
            while (!c.end() && std::isdigit(static_cast<unsigned char>(c.peek()))) {
                second += (c.s[c.p++] - '0') * scale;
                scale /= 10;
            }
        }
    }
    int h = hour;
    c.blanks();
    const std::size_t before = c.p;
    const std::string ampm = c.word();
    if (ampm == "am" || ampm == "pm") {
        if (h < 1 || h > 12) return false;
        h = h % 12 + (ampm == "pm" ? 12 : 0);
    } else {
        c.p = before;
    }
    c.blanks();
    if (c.take('Z') || c.take('z')) {
        t.utc_offset_minutes = 0;
    } else if (c.peek() == '+' || c.peek() == '-') {
        const int sign = c.s[c.p++] == '-' ? -1 : 1;
        const int oh = c.digits(n, 2);
        if (n != 2) return false;
        c.take(':');
        const int om = c.digits(n, 2);
        if (n != 2 && n != 0) return false;
        t.utc_offset_minutes = sign * (oh * 60 + om);
    }
    c.blanks();
    if (!c.end() || h > 23 || minute > 59 || second >= 61) return false;
    t.hour = h;
    t.minute = minute;
    t.second = second;
    return true;
}

}  // namespace

std::optional<DateTime> ParseDate(std::string_view text, DateOrder order) {
    Cursor c{text};
    c.blanks();
    DateTime t;
    int n1, n2, n3;
    const std::size_t start = c.p;
    const int a = c.digits(n1, 4);
    if (n1 == 0) {
        // A month name first: "Apr 27 1994", "April 27, 1994".
        const int month = MonthOfName(c.word());
        if (!month) return std::nullopt;
        c.blanks();
        c.take('-');
        c.take('.');
        c.blanks();
        const int day = c.digits(n2, 2);
        if (n2 == 0) return std::nullopt;
        c.take(',');
        c.blanks();
        c.take('-');
        const int year = c.digits(n3, 4);
        if (n3 != 2 && n3 != 4) return std::nullopt;
        t.year = FullYear(year, n3);
        t.month = month;
        t.day = day;
    } else {
        const char sep = c.peek();
        if (sep != '/' && sep != '.' && sep != '-') return std::nullopt;
        ++c.p;
        if (n1 == 4) {
            // Year first: "2025-02-26", "2025/02/26".
            const int month = c.digits(n2, 2);
            if (n2 == 0 || !c.take(sep)) return std::nullopt;
            const int day = c.digits(n3, 2);
            if (n3 == 0) return std::nullopt;
            t.year = a;
            t.month = month;
            t.day = day;
            if (c.peek() == 'T' || c.peek() == 't') ++c.p;
        } else {
            int b = c.digits(n2, 2);
            int month = 0;
            if (n2 == 0) {
                month = MonthOfName(c.word());
                if (!month) return std::nullopt;
                c.take('.');  // "21-janv.-2002"
            }
            if (!c.take(sep)) return std::nullopt;
            const int year = c.digits(n3, 4);
            if (n3 != 2 && n3 != 4) return std::nullopt;
            t.year = FullYear(year, n3);
            if (month) {
                t.day = a;
                t.month = month;
            } else if (sep == '.' || a > 12 || (b <= 12 && order == DateOrder::day_month)) {
                // A dotted date is day first wherever it is written.
                t.day = a;
                t.month = b;
            } else {
                t.month = a;
                t.day = b;
            }
        }
    }
    (void)start;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysIn(t.year, t.month)) return std::nullopt;
    if (!ParseTime(c, t)) return std::nullopt;
    return t;
}

std::string FormatDate(const DateTime& v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", v.year, v.month, v.day, v.hour, v.minute,
                  static_cast<int>(std::floor(v.second)));
    std::string s = buf;
    if (v.utc_offset_minutes) {
        const int off = *v.utc_offset_minutes;
        if (off == 0) {
            s += "Z";
        } else {
            std::snprintf(buf, sizeof buf, "%c%02d:%02d", off < 0 ? '-' : '+', std::abs(off) / 60, std::abs(off) % 60);
            s += buf;
        }
    }
    return s;
}

}  // namespace xrddata::formats

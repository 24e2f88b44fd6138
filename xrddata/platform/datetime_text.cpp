// Text conversion of COleDateTime in the user's locale (see datetime.h). The locale is looked up with newlocale for
// LC_TIME only; the process locale is never changed.
#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "xrddata/platform/datetime.h"

namespace {

enum class Order { MDY, DMY, YMD };

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

const char* const kEnglishMonths[12] = {"january", "february", "march",     "april",   "may",      "june",
                                        "july",    "august",   "september", "october", "november", "december"};

// What text conversion needs of an LC_TIME locale, read once when the locale is loaded.
class TimeLocale {
public:
    explicit TimeLocale(const std::string& name) {
        if (!name.empty()) loc_ = newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(nullptr));
        if (!loc_) loc_ = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
        ReadLayout(info(D_FMT));
        for (int m = 0; m < 12; ++m) {
            months_[m] = Lower(info(static_cast<nl_item>(MON_1 + m)));
            std::string abbr = Lower(info(static_cast<nl_item>(ABMON_1 + m)));
            while (!abbr.empty() && abbr.back() == '.') abbr.pop_back();
            abbrMonths_[m] = abbr;
        }
        am_ = Lower(info(AM_STR));
        pm_ = Lower(info(PM_STR));
    }
    ~TimeLocale() {
        if (loc_) freelocale(loc_);
    }
    TimeLocale(const TimeLocale&) = delete;
    TimeLocale& operator=(const TimeLocale&) = delete;

    Order order() const { return order_; }
    char separator() const { return sep_; }

    // 1..12 for a month name (English or the locale's, full or abbreviated, any case), else 0.
    int MonthOf(const std::string& word) const {
        std::string w = Lower(word);
        for (int m = 0; m < 12; ++m) {
            std::string full = kEnglishMonths[m];
            if (w == full || (w.size() >= 3 && StartsWith(full, w))) return m + 1;
        }
        for (int m = 0; m < 12; ++m) {
            const std::string& full = months_[m];
            if ((!full.empty() && w == full) || (!abbrMonths_[m].empty() && w == abbrMonths_[m]) ||
                (w.size() >= 3 && StartsWith(full, w)))
                return m + 1;
        }
        return 0;
    }

    // +1 for PM, -1 for AM, 0 for anything else.
    int Meridiem(const std::string& word) const {
        std::string w = Lower(word);
        if (w == "am" || w == "a" || (!am_.empty() && w == am_)) return -1;
        if (w == "pm" || w == "p" || (!pm_.empty() && w == pm_)) return 1;
        return 0;
    }

private:
    std::string info(nl_item item) const { return loc_ ? nl_langinfo_l(item, loc_) : ""; }

    // Date order and separator from D_FMT ("%m/%d/%y", "%d.%m.%Y", "%Y-%m-%d", ...); month-day-year with '/' when
    // the format does not name all three fields.
    void ReadLayout(const std::string& f) {
        int pos[3] = {-1, -1, -1};  // day, month, year
        int n = 0;
        char sep = 0;
        auto note = [&](int which) {
            if (pos[which] < 0) pos[which] = n++;
        };
        for (size_t i = 0; i < f.size(); ++i) {
            if (f[i] != '%') {
                if (n > 0 && !sep && !std::isalnum(static_cast<unsigned char>(f[i])) && f[i] != ' ') sep = f[i];
                continue;
            }
            ++i;
            while (i < f.size() && std::strchr("EO-_0^#123456789", f[i])) ++i;
            if (i >= f.size()) break;
            switch (f[i]) {
                case 'd': case 'e': note(0); break;
                case 'm': case 'b': case 'B': case 'h': note(1); break;
                case 'y': case 'Y': case 'C': case 'G': case 'g': note(2); break;
                case 'D': note(1); note(0); note(2); if (!sep) sep = '/'; break;
                case 'F': note(2); note(1); note(0); if (!sep) sep = '-'; break;
                default: break;
            }
        }
        if (pos[0] < 0 || pos[1] < 0 || pos[2] < 0) return;
        order_ = pos[2] == 0 ? Order::YMD : pos[0] < pos[1] ? Order::DMY : Order::MDY;
        if (sep) sep_ = sep;
    }

    locale_t loc_ = static_cast<locale_t>(nullptr);
    Order order_ = Order::MDY;
    char sep_ = '/';
    std::string months_[12], abbrMonths_[12], am_, pm_;
};

// The LC_TIME locale named by the environment (LC_ALL, LC_TIME, LANG: the first one set and not empty), falling
// back to "C". The last one loaded is kept while the environment still names it.
std::shared_ptr<const TimeLocale> UserTimeLocale() {
    std::string name;
    for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) {
            name = v;
            break;
        }
    }
    const char* locpath = std::getenv("LOCPATH");
    std::string key = name + '\n' + (locpath ? locpath : "");
    // Never destroyed: worker threads may convert dates while the process exits.
    struct Cache {
        std::mutex mu;
        std::string key;
        std::shared_ptr<const TimeLocale> locale;
    };
    static Cache* cache = new Cache;
    std::lock_guard<std::mutex> lk(cache->mu);
    if (!cache->locale || key != cache->key) {
        cache->locale = std::make_shared<const TimeLocale>(name);
        cache->key = key;
    }
    return cache->locale;
}

struct Token {
    enum Kind { Num, Word, Colon, Sep } kind;
    long value = 0;      // Num
    int digits = 0;      // Num
    std::string text;    // Word
    char sep = 0;        // Sep
    bool spaced = false; // blank before the token
};

bool Tokenize(const char* s, std::vector<Token>& out) {
    bool spaced = false;
    while (*s) {
        unsigned char c = static_cast<unsigned char>(*s);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            spaced = true;
            ++s;
            continue;
        }
        Token t{};
        t.spaced = spaced;
        spaced = false;
        if (std::isdigit(c)) {
            t.kind = Token::Num;
            while (std::isdigit(static_cast<unsigned char>(*s))) {
                if (++t.digits > 9) return false;
                t.value = t.value * 10 + (*s - '0');
                ++s;
            }
        } else if (std::isalpha(c) || c >= 0x80) {
            t.kind = Token::Word;
            while (std::isalpha(static_cast<unsigned char>(*s)) || static_cast<unsigned char>(*s) >= 0x80)
                t.text += *s++;
        } else if (c == ':') {
            t.kind = Token::Colon;
            ++s;
        } else if (c == '/' || c == '-' || c == '.' || c == ',') {
            t.kind = Token::Sep;
            t.sep = static_cast<char>(c);
            ++s;
        } else {
            return false;
        }
        out.push_back(std::move(t));
    }
    return true;
}

bool IsNum(const std::vector<Token>& t, size_t i) { return i < t.size() && t[i].kind == Token::Num; }
bool IsColon(const std::vector<Token>& t, size_t i) { return i < t.size() && t[i].kind == Token::Colon; }

// Finds and removes the time (h:mm[:ss[.fff]] [AM|PM], with an optional "T" before it). False when the text holds
// a malformed time or more than one.
bool ExtractTime(std::vector<Token>& t, const TimeLocale& loc, bool& found, int& h, int& mi, int& sec) {
    found = false;
    size_t i = 0;
    while (i < t.size()) {
        if (!(IsNum(t, i) && IsColon(t, i + 1))) {
            if (t[i].kind == Token::Colon) return false;
            ++i;
            continue;
        }
        if (found || !IsNum(t, i + 2)) return false;
        size_t begin = i, end = i + 3;
        long hh = t[i].value, mm = t[i + 2].value, ss = 0;
        if (t[i + 2].digits != 2) return false;
        if (IsColon(t, end)) {
            if (!IsNum(t, end + 1) || t[end + 1].digits != 2) return false;
            ss = t[end + 1].value;
            end += 2;
            // Fraction of a second: a point or comma directly followed by digits.
            if (end + 1 < t.size() && t[end].kind == Token::Sep && (t[end].sep == '.' || t[end].sep == ',') &&
                !t[end].spaced && IsNum(t, end + 1) && !t[end + 1].spaced)
                end += 2;
        }
        if (t[i].digits > 2) return false;
        int mer = end < t.size() && t[end].kind == Token::Word ? loc.Meridiem(t[end].text) : 0;
        if (mer != 0) {
            ++end;
            if (hh < 1 || hh > 12) return false;
            hh = hh % 12 + (mer > 0 ? 12 : 0);
        }
        if (hh > 23 || mm > 59 || ss > 59) return false;
        if (begin > 0 && t[begin - 1].kind == Token::Word && Lower(t[begin - 1].text) == "t") --begin;
        h = static_cast<int>(hh);
        mi = static_cast<int>(mm);
        sec = static_cast<int>(ss);
        found = true;
        t.erase(t.begin() + static_cast<long>(begin), t.begin() + static_cast<long>(end));
        i = begin;  // a second time or a stray colon after it is an error
    }
    return true;
}

int FullYear(long value, int digits) {
    if (digits <= 2) return static_cast<int>(value < 30 ? 2000 + value : 1900 + value);
    return static_cast<int>(value);
}

bool ValidDate(int y, int m, int d) {
    COleDateTime probe;
    return probe.SetDate(y, m, d) == 0;
}

// Reads the date fields left after the time was removed.
bool ParseDate(const std::vector<Token>& t, const TimeLocale& loc, bool& found, int& y, int& m, int& d) {
    struct Item {
        long value;
        int digits;
        int month;  // from a month name, else 0
    };
    std::vector<Item> items;
    for (const Token& tok : t) {
        if (tok.kind == Token::Sep) continue;
        if (tok.kind == Token::Colon) return false;
        if (tok.kind == Token::Num) {
            items.push_back({tok.value, tok.digits, 0});
        } else {
            int month = loc.MonthOf(tok.text);
            if (!month) return false;
            items.push_back({0, 0, month});
        }
    }
    found = !items.empty();
    if (!found) return true;
    if (items.size() != 3) return false;
    int names = 0, namePos = -1;
    for (int i = 0; i < 3; ++i)
        if (items[i].month) ++names, namePos = i;
    if (names > 1) return false;
    auto yearish = [&](int i) { return items[i].digits >= 3; };
    if (names == 1) {
        // The two numbers: the year is the long one, or the last one.
        int a = namePos == 0 ? 1 : 0, b = namePos == 2 ? 1 : 2;
        int yi = yearish(a) && !yearish(b) ? a : b;
        int di = yi == a ? b : a;
        m = items[namePos].month;
        d = static_cast<int>(items[di].value);
        y = FullYear(items[yi].value, items[yi].digits);
        return ValidDate(y, m, d);
    }
    Order order = loc.order();
    if (yearish(0)) order = Order::YMD;
    else if (yearish(2) && order == Order::YMD) order = Order::MDY;
    long f0 = items[0].value, f1 = items[1].value, f2 = items[2].value;
    switch (order) {
        case Order::YMD: y = FullYear(f0, items[0].digits); m = static_cast<int>(f1); d = static_cast<int>(f2); break;
        case Order::DMY: d = static_cast<int>(f0); m = static_cast<int>(f1); y = FullYear(f2, items[2].digits); break;
        case Order::MDY: m = static_cast<int>(f0); d = static_cast<int>(f1); y = FullYear(f2, items[2].digits); break;
    }
    if (ValidDate(y, m, d)) return true;
    std::swap(m, d);  // the other order, as files from instruments set up for another country have it
    return ValidDate(y, m, d);
}

}  // namespace

bool COleDateTime::ParseDateTime(const char* lpszDate, DWORD dwFlags, LCID) {
    m_dt = 0.0;
    m_status = invalid;
    if (!lpszDate) return false;
    std::vector<Token> tokens;
    if (!Tokenize(lpszDate, tokens)) return false;
    std::shared_ptr<const TimeLocale> locale = UserTimeLocale();
    const TimeLocale& loc = *locale;
    bool haveTime = false, haveDate = false;
    int h = 0, mi = 0, s = 0, y = 1899, mo = 12, d = 30;
    if (!ExtractTime(tokens, loc, haveTime, h, mi, s)) return false;
    if (!ParseDate(tokens, loc, haveDate, y, mo, d)) return false;
    if (!haveTime && !haveDate) return false;
    if (dwFlags & VAR_TIMEVALUEONLY) y = 1899, mo = 12, d = 30;
    if (dwFlags & VAR_DATEVALUEONLY) h = mi = s = 0;
    if (!haveDate) y = 1899, mo = 12, d = 30;
    return SetDateTime(y, mo, d, h, mi, s) == 0;
}

CString COleDateTime::Format(DWORD dwFlags, LCID) const {
    if (m_status == null) return CString();
    int y, mo, d, h, mi, s;
    if (!GetFields(y, mo, d, h, mi, s)) return "Invalid DateTime";
    std::shared_ptr<const TimeLocale> loc = UserTimeLocale();
    const Order order = loc->order();
    const char sep = loc->separator();
    char date[40], time[16];
    switch (order) {
        case Order::MDY: std::snprintf(date, sizeof date, "%02d%c%02d%c%04d", mo, sep, d, sep, y); break;
        case Order::DMY: std::snprintf(date, sizeof date, "%02d%c%02d%c%04d", d, sep, mo, sep, y); break;
        case Order::YMD: std::snprintf(date, sizeof date, "%04d%c%02d%c%02d", y, sep, mo, sep, d); break;
    }
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", h, mi, s);
    bool dateOnly = (dwFlags & VAR_DATEVALUEONLY) || (!(dwFlags & VAR_TIMEVALUEONLY) && h == 0 && mi == 0 && s == 0 &&
                                                      !(y == 1899 && mo == 12 && d == 30));
    bool timeOnly = (dwFlags & VAR_TIMEVALUEONLY) || (!dateOnly && y == 1899 && mo == 12 && d == 30);
    if (dateOnly) return date;
    if (timeOnly) return time;
    return CString(date) + " " + time;
}

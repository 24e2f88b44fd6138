#include "xrddata/platform/datetime.h"

#include <cmath>

namespace {

// Day number of 30 December 1899 counted from 1 March of year 0 in the proleptic Gregorian calendar.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;  // days since 1970-01-01
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

const long long kEpoch = DaysFromCivil(1899, 12, 30);  // relative to 1970-01-01

constexpr double kMinDate = -657434.0;  // 1 January 100
constexpr double kMaxDate = 2958465.99999;  // 31 December 9999

}  // namespace

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second) {
    SetDateTime(year, month, day, hour, minute, second);
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > kDays[month - 1] + (month == 2 && leap ? 1 : 0) || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 59) {
        m_dt = 0.0;
        m_status = invalid;
        return 1;
    }
    long long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpoch;
    double frac = (hour * 3600 + minute * 60 + second) / 86400.0;
    // Before the epoch the day part is negative and the time fraction still counts forward: -1.25 is
    // 29 December 1899, 06:00.
    m_dt = days >= 0 ? static_cast<double>(days) + frac : static_cast<double>(days) - frac;
    m_status = valid;
    return 0;
}

bool COleDateTime::GetFields(int& year, int& month, int& day, int& hour, int& minute, int& second) const {
    // Before the epoch the time runs forward from the day: 1 January 100, 00:00:01 is just below kMinDate.
    if (m_status != valid || !(m_dt > kMinDate - 1.0 && m_dt <= kMaxDate + 1.0)) return false;
    double whole = std::trunc(m_dt);
    double frac = std::fabs(m_dt - whole);
    long long secs = std::llround(frac * 86400.0);
    long long days = static_cast<long long>(whole);
    if (secs >= 86400) {
        secs -= 86400;
        days += 1;  // the time of day runs forward on both sides of the epoch
    }
    CivilFromDays(days + kEpoch, year, month, day);
    hour = static_cast<int>(secs / 3600);
    minute = static_cast<int>(secs / 60 % 60);
    second = static_cast<int>(secs % 60);
    return true;
}

#define FIELD(name, index)                                   \
    int COleDateTime::name() const {                         \
        int f[6];                                            \
        if (!GetFields(f[0], f[1], f[2], f[3], f[4], f[5])) return -1; \
        return f[index];                                     \
    }
FIELD(GetYear, 0)
FIELD(GetMonth, 1)
FIELD(GetDay, 2)
FIELD(GetHour, 3)
FIELD(GetMinute, 4)
FIELD(GetSecond, 5)
#undef FIELD

// COleDateTime as a value: the day number since 30 December 1899 (fraction = time of day; negative dates keep a
// positive time fraction) and a status. Conversion to and from calendar fields is exact to the second.
// Text conversion (datetime_text.cpp) follows the user's locale: the date order and separator of the LC_TIME
// locale named by LC_ALL, LC_TIME or LANG (the first one set), month-day-year when it is unknown.
#pragma once

#include "xrddata/platform/types.h"

// Locale identifier: every value means the user's default locale here.
using LCID = DWORD;
enum : LCID { LANG_USER_DEFAULT = 0x0400, LOCALE_USER_DEFAULT = 0x0400 };

// ParseDateTime and Format flags.
enum : DWORD {
    VAR_TIMEVALUEONLY = 0x00000001,  // keep only the time of day (the date part becomes 30 December 1899)
    VAR_DATEVALUEONLY = 0x00000002,  // keep only the date (the time becomes 00:00:00)
};

class XRDDATA_API COleDateTime {
public:
    enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

    COleDateTime() = default;
    explicit COleDateTime(double dt) : m_dt(dt) {}
    COleDateTime(int year, int month, int day, int hour, int minute, int second);

    // Sets the value from calendar fields; fields out of range leave the status invalid. Returns 0 on success.
    int SetDateTime(int year, int month, int day, int hour, int minute, int second);
    int SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }
    void SetStatus(DateTimeStatus status) { m_status = status; }
    DateTimeStatus GetStatus() const { return m_status; }

    // Calendar fields of a valid value (-1 when it is not valid).
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    // All fields at once; false when the value is not valid or out of the representable range.
    bool GetFields(int& year, int& month, int& day, int& hour, int& minute, int& second) const;

    // Reads a date, a time, or a date followed by a time (or a time followed by a date). Dates: three numbers in
    // the locale's order ("03/25/2004" month first, "25.03.2004" day first), the year first when it has three or
    // more digits ("2004-03-25"), or a month name in English or in the locale's language with a day and a year
    // ("25-Mar-2004", "25-MAR-04", "March 25, 2004"). When the locale's order gives no valid date the day and month
    // are tried the other way round ("14/03/88" in a month-first locale is 14 March 1988). Two-digit years 0-29
    // are 2000-2029, 30-99 are 1930-1999. Times: "14:22", "14:22:05", "2:22:05 PM" (fractions of a second are
    // dropped); a time alone is on 30 December 1899. Blanks, and the separators / - . , between fields, are free.
    // Returns true with a valid value; otherwise the value is 0 and the status invalid.
    bool ParseDateTime(const char* lpszDate, DWORD dwFlags = 0, LCID lcid = LANG_USER_DEFAULT);
    // The locale's numeric date (two-digit day and month, four-digit year, the locale's order and separator) and
    // the 24-hour time "HH:MM:SS"; the date alone at midnight, the time alone on day 0. Empty for a null value,
    // "Invalid DateTime" for an invalid one. ParseDateTime reads the text back to the same second.
    CString Format(DWORD dwFlags = 0, LCID lcid = LANG_USER_DEFAULT) const;

    bool operator==(const COleDateTime& o) const { return m_status == o.m_status && m_dt == o.m_dt; }
    bool operator!=(const COleDateTime& o) const { return !(*this == o); }

    double m_dt = 0.0;
    DateTimeStatus m_status = valid;
};

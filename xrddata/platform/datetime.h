// COleDateTime as a value: the day number since 30 December 1899 (fraction = time of day; negative dates keep a
// positive time fraction) and a status. Conversion to and from calendar fields is exact to the second.
#pragma once

#include "xrddata/platform/types.h"

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
    int GetDayOfWeek() const;  // 1 = Sunday
    int GetDayOfYear() const;
    // All fields at once; false when the value is not valid or out of the representable range.
    bool GetFields(int& year, int& month, int& day, int& hour, int& minute, int& second) const;

    static COleDateTime GetCurrentTime();

    bool operator==(const COleDateTime& o) const { return m_status == o.m_status && m_dt == o.m_dt; }
    bool operator!=(const COleDateTime& o) const { return !(*this == o); }

    double m_dt = 0.0;
    DateTimeStatus m_status = valid;
};

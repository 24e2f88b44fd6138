// Dates as instrument files write them, read the same way under every locale: ISO 8601 ("2025-02-26T10:47:52.87
// +00:00"), numeric dates with '/', '.' or '-' ("07/11/2018 15:55:31", "14/03/88", "26.02.2025"), and dates with a
// month name in English, French or German ("27-Apr-1994 13:36:30", "21-janv-2002 09:16:36"). A time of day may
// follow the date. Two-digit years 69..99 are 1969..1999, 00..68 are 2000..2068.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "xrddata/formats/measurement.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

// The order of day and month in an all-numeric date whose first two fields could both be a month. A field above
// 12 is a day whatever the order says. Year-first dates are always year, month, day.
enum class DateOrder { month_day, day_month };

XRDDATA_API std::optional<DateTime> ParseDate(std::string_view text, DateOrder order = DateOrder::month_day);

// The value as "YYYY-MM-DD HH:MM:SS" (seconds rounded down), with the offset as "+HH:MM" or "Z" when known.
XRDDATA_API std::string FormatDate(const DateTime& value);

}  // namespace xrddata::formats

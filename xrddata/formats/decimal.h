// Decimal texts of numbers for the text formats: the shortest text that reads back to the same double, decimal
// scaling by powers of ten done on the digits (a file that stores centidegrees is converted to degrees with one
// rounding, and degrees written as centidegrees read back to the same double), and Fortran fixed fields.
#pragma once

#include <string>
#include <string_view>

#include "xrddata/platform/export.h"

namespace xrddata::formats {

// Appends the shortest text that reads back to v ("20", "0.02", "1.5e-05"); "nan", "inf", "-inf" when not finite.
XRDDATA_API void AppendShortest(std::string& out, double v);
XRDDATA_API std::string ShortestText(double v);

// The shortest digits of v with the decimal point moved right by `places` (left when negative), in plain
// positional notation: (20.02, 2) gives "2002", (1.5e-05, 2) gives "0.0015", (-0.5, 0) gives "-0.5". v must be
// finite.
XRDDATA_API std::string ScaledText(double v, int places);

// The number that text states times 10^places, rounded once to the nearest double: ("2002", -2) gives the same
// double as "20.02". The text is one number with optional blanks around it; false otherwise.
XRDDATA_API bool ParseScaled(std::string_view text, int places, double& value);

// A Fortran Fw.d input field: blanks only read as 0, a number without a decimal point or exponent has `decimals`
// implied decimals ("1234" in F6.2 is 12.34), one with a point is read as written. False when the field holds
// anything else.
XRDDATA_API bool ParseFortranField(std::string_view field, int decimals, double& value);

}  // namespace xrddata::formats

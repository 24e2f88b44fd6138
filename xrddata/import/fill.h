// A measurement read by the format core turned into the pattern the import fills: range 1 into the point set, the
// metadata into the sample name, comments, collection date and radiation, through the pattern operations the
// built-in readers have always used, so that the pattern comes out as it always has. Internal to the import.
#pragma once

#include <string>

#include "xrddata/formats/measurement.h"
#include "xrddata/platform/types.h"

class CXRDData;
class CRadiation;
class GrowColumn;

struct PatternFill {
    enum class Errors {
        counting,  // counting statistics: the pattern derives the errors from the counts
        file,      // the file's own errors where the scan has them (counting errors for the other points)
        keep,      // the pattern's error mode is left as it was
    };
    enum class Date {
        text,        // the date text parsed by the platform's parser; an unparsable text leaves the date invalid
        file_time,   // the file's modification time
        value,       // the calendar value the core parsed, when there is one
        none,        // the reader sets the date itself
    };
    Errors errors = Errors::counting;
    bool errorsWhenEmpty = true;  // the error mode is set also for a range without points
    bool sort = true;
    Date date = Date::text;
};

// Clears the pattern and fills it: sample name, comments, collection date and the points of range 1 (none when the
// measurement has no range). Does not touch the radiation.
void FillPattern(CXRDData& target, const xrddata::formats::Measurement& m, const PatternFill& rules);
// FillPattern that empties range 1's point columns (positions, counts, errors, counting times) as it goes, each
// released once the pattern holds it, so that a large range is not held twice; the metadata, the warnings and
// the other ranges stay.
void FillPatternReleasing(CXRDData& target, xrddata::formats::Measurement& m, const PatternFill& rules);

// FillPattern for a range read into columns of the pattern's own kind (a reader's GrowColumn), which the pattern
// takes over instead of copying; meta gives the header. The columns are left empty.
void FillPatternTaking(CXRDData& target, const xrddata::formats::Metadata& meta, GrowColumn& twoTheta,
                       GrowColumn& counts, GrowColumn& sigma, const PatternFill& rules);

// Shows, as information, the reader's warnings about range 1 (the range a pattern holds): a range shorter than
// its header says is read, and the message gives the points claimed and found.
void ReportRangeOneWarnings(const xrddata::formats::Measurement& m);

// The anode by name; else the wavelength of a known anode; else the wavelength as a free one.
void SetRadiation(CRadiation& radiation, const std::string& anode, double lambda);

// "\nOnly the first data range was used.": the note a pattern's comments carry when the file holds more ranges.
extern const char* const kFirstRangeNote;

// A newer format (code 11 on) into the pattern: range 1, the file's errors where it has them, the metadata's date
// and radiation, and the first-range note when there are more ranges.
// Range 1's point columns are released as they are filled (FillPatternReleasing).
void FillFromNewerFormat(CXRDData& target, xrddata::formats::Measurement& m);
